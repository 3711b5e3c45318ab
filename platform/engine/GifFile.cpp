#include "GifFile.h"

#include <gif_lib.h>

#include <QHash>

#include <vector>

namespace skyloom {

namespace {

constexpr int kPaletteSize = 256;
constexpr int kTransparentIndex = kPaletteSize - 1;

int appendBytes(GifFileType *gif, const GifByteType *data, int size)
{
    static_cast<QByteArray *>(gif->UserData)->append(reinterpret_cast<const char *>(data), size);
    return size;
}

QByteArray failed(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return {};
}

QString gifError(int code)
{
    const char *text = GifErrorString(code);
    return text ? QString::fromLatin1(text) : QStringLiteral("GIF error %1").arg(code);
}

} // namespace

QByteArray encodeGif(const QImage &image, bool transparent, QString *error)
{
    if (image.isNull())
        return failed(error, QStringLiteral("there is no image to write."));
    if (image.width() > 65535 || image.height() > 65535)
        return failed(error, QStringLiteral("a GIF image is at most 65535 pixels a side."));
    const QImage source = image.convertToFormat(QImage::Format_ARGB32);
    const int w = source.width(), h = source.height();
    const size_t pixels = size_t(w) * size_t(h);

    // The opaque pixels, packed, are what the palette is made for. As long as they have no more
    // colours than the palette holds, each keeps its own entry, exactly; median cut, which works
    // on five bits a channel, reduces only images of more colours.
    const int paletteRoom = transparent ? kPaletteSize - 1 : kPaletteSize;
    std::vector<GifByteType> red, green, blue, opaqueIndices;
    std::vector<bool> clear(transparent ? pixels : 0);
    red.reserve(pixels);
    green.reserve(pixels);
    blue.reserve(pixels);
    opaqueIndices.reserve(pixels);
    QHash<QRgb, int> exactColours;
    bool exact = true;
    QRgb lastColour = ~QRgb(0); // no colour, alpha masked off
    int lastIndex = 0;
    for (int y = 0; y < h; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            if (transparent && qAlpha(row[x]) < 128) {
                clear[size_t(y) * w + x] = true;
                continue;
            }
            red.push_back(GifByteType(qRed(row[x])));
            green.push_back(GifByteType(qGreen(row[x])));
            blue.push_back(GifByteType(qBlue(row[x])));
            if (!exact)
                continue;
            const QRgb colour = row[x] & RGB_MASK;
            if (colour != lastColour) {
                auto it = exactColours.constFind(colour);
                if (it == exactColours.constEnd()) {
                    exact = exactColours.size() < paletteRoom;
                    if (!exact)
                        continue;
                    it = exactColours.insert(colour, int(exactColours.size()));
                }
                lastColour = colour;
                lastIndex = it.value();
            }
            opaqueIndices.push_back(GifByteType(lastIndex));
        }
    }
    GifColorType colours[kPaletteSize] = {};
    if (exact) {
        for (auto it = exactColours.constBegin(); it != exactColours.constEnd(); ++it)
            colours[it.value()] = {GifByteType(qRed(it.key())), GifByteType(qGreen(it.key())), GifByteType(qBlue(it.key()))};
    } else {
        opaqueIndices.resize(red.size());
        int colourCount = paletteRoom;
        if (GifQuantizeBuffer(unsigned(red.size()), 1, &colourCount, red.data(), green.data(), blue.data(),
                              opaqueIndices.data(), colours)
            != GIF_OK)
            return failed(error, QStringLiteral("the colours could not be reduced to a palette."));
    }

    std::vector<GifByteType> indices(pixels);
    for (size_t i = 0, opaque = 0; i < pixels; ++i)
        indices[i] = transparent && clear[i] ? GifByteType(kTransparentIndex) : opaqueIndices[opaque++];

    QByteArray bytes;
    int code = 0;
    GifFileType *gif = EGifOpen(&bytes, appendBytes, &code);
    if (!gif)
        return failed(error, gifError(code));
    ColorMapObject *map = GifMakeMapObject(kPaletteSize, colours);
    bool ok = map != nullptr;
    if (ok) {
        EGifSetGifVersion(gif, transparent); // the transparent index needs GIF89a
        ok = EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK;
    }
    if (ok && transparent) {
        GraphicsControlBlock gcb = {};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.TransparentColor = kTransparentIndex;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&gcb, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < h; ++y)
        ok = EGifPutLine(gif, indices.data() + size_t(y) * w, w) == GIF_OK;
    int failure = ok ? 0 : (map ? gif->Error : E_GIF_ERR_NOT_ENOUGH_MEM);
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &code) != GIF_OK && ok) {
        ok = false;
        failure = code;
    }
    if (!ok)
        return failed(error, gifError(failure));
    return bytes;
}

} // namespace skyloom
