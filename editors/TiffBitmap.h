#pragma once
// The TIFF loader shared by the hotspot editor and the light table.
#include <QImage>
#include <QString>

namespace sl {

// The first image of a TIFF file, upright, as QImage::Format_ARGB32 (Format_RGB32 when opaque).
// A file whose data decode only in part gives what decoded, black elsewhere. A null image and
// the reason in `error` when the file cannot be opened, is no TIFF, is too large, has a width or
// height of 0 or gives nothing that decodes (libtiff's own words).
QImage LoadTiffAsBitmap(const QString &fileName, QString *error = nullptr);

} // namespace sl
