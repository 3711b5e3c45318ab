#include "platform/image/ImageIO.h"

namespace sl::image {

bool readImageInfo(const QString &, ImageInfo &info, QString *error)
{
    info = {};
    if (error) *error = QStringLiteral("not implemented");
    return false;
}
QImage readImage(const QString &, QString *error, int, int)
{
    if (error) *error = QStringLiteral("not implemented");
    return {};
}
bool writeJpeg(const QImage &, const QString &, int, QString *error)
{
    if (error) *error = QStringLiteral("not implemented");
    return false;
}
bool writeTiff(const QImage &, const QString &, QString *error)
{
    if (error) *error = QStringLiteral("not implemented");
    return false;
}
bool writePalettePng(const QByteArray &, int, int, const QVector<QRgb> &, const QString &, QString *error)
{
    if (error) *error = QStringLiteral("not implemented");
    return false;
}
bool readPalettePng(const QString &, QByteArray &, int &width, int &height, QVector<QRgb> *, QString *error)
{
    width = height = 0;
    if (error) *error = QStringLiteral("not implemented");
    return false;
}
QByteArray encodeJpeg(const QImage &, int, QString *error)
{
    if (error) *error = QStringLiteral("not implemented");
    return {};
}
QImage decodeJpeg(const QByteArray &, QString *error)
{
    if (error) *error = QStringLiteral("not implemented");
    return {};
}

} // namespace sl::image
