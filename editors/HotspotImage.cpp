#include "editors/HotspotImage.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "platform/image/ImageIO.h"

namespace sl::hotspot {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("TfrmMainForm", text);
}

QVector<QRgb> buildPalette()
{
    QVector<QRgb> palette;
    palette.reserve(256);
    const int levels[] = {255, 204, 153, 102, 51, 0};
    for (int r : levels)
        for (int g : levels)
            for (int b : levels)
                palette << qRgb(r, g, b);
    palette.removeLast(); // black comes last of all
    const int ramp[] = {238, 221, 187, 170, 136, 119, 85, 68, 34, 17};
    for (int v : ramp)
        palette << qRgb(v, 0, 0);
    for (int v : ramp)
        palette << qRgb(0, v, 0);
    for (int v : ramp)
        palette << qRgb(0, 0, v);
    for (int v : ramp)
        palette << qRgb(v, v, v);
    palette << qRgb(0, 0, 0);
    return palette;
}

} // namespace

const QVector<QRgb> &HotspotPalette()
{
    static const QVector<QRgb> palette = buildPalette();
    return palette;
}

bool writeHotspotImage(const QString &path, const QByteArray &layer, int width, int height, QString *error)
{
    return image::writePalettePng(layer, width, height, HotspotPalette(), path, error);
}

HotspotImageRead readHotspotImage(const QString &path, QSize size)
{
    HotspotImageRead result;
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return result;
    result.status = HotspotImageRead::Refused;
    QString error;
    image::ImageInfo info;
    if (!image::readImageInfo(path, info, &error)) {
        result.notice = error;
        return result;
    }
    if (QSize(info.width, info.height) != size) {
        result.notice = tr("Warning! The dimensions of the Hotspot file and tile size are different!") + u'\n'
            + tr("Please create new Hotspot files (Menu/Skyloom/Create new hotspot files)!");
        return result;
    }
    QByteArray layer;
    int w = 0, h = 0;
    if (!image::readPalettePng(path, layer, w, h, nullptr, &error) || QSize(w, h) != size) {
        result.notice = error;
        return result;
    }
    result.status = HotspotImageRead::Loaded;
    result.layer = layer;
    return result;
}

} // namespace sl::hotspot
