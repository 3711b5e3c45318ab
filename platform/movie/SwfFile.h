#pragma once
// A minimal uncompressed Flash file ("FWS") that shows one JPEG image: SetBackgroundColor,
// DefineBitsJPEG2, a rectangle shape filled with that bitmap, PlaceObject2, ShowFrame, End.
#include <QByteArray>
#include <QString>

namespace sl::movie {

struct SwfPicture
{
    QByteArray jpeg;          // the image, JPEG data
    int imageWidth = 0;       // its size in pixels
    int imageHeight = 0;
    int stageWidth = 0;       // the stage in pixels; the image is scaled to fit it, centred
    int stageHeight = 0;
    quint32 background = 0;   // 0xRRGGBB
};

// The file's bytes; empty with a reason when the picture cannot be stored.
QByteArray encodeSwf(const SwfPicture &picture, QString *error = nullptr);
// Atomic write of encodeSwf's bytes.
bool writeSwf(const QString &path, const SwfPicture &picture, QString *error = nullptr);

} // namespace sl::movie
