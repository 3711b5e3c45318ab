#pragma once
// GIF output of the engine (giflib): one image with a palette of at most 256 entries, holding its
// colours exactly when they fit, else reduced to it by median cut. With `transparent`, pixels
// whose alpha is below half become the palette's transparent index, and the opaque colours share
// the other 255 entries.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace skyloom {

// The GIF file's bytes; empty with a reason in `error` on failure.
QByteArray encodeGif(const QImage &image, bool transparent, QString *error = nullptr);

} // namespace skyloom
