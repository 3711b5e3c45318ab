#pragma once
// Reading and writing the image files the program and the engine meet: TIFF (libtiff),
// JPEG (libjpeg) and PNG (libpng), and reading BMP (Qt's reader, after our own look at the
// header). Every failure comes back as text; nothing exits or throws.
#include <QFile>
#include <QImage>
#include <QString>
#include <QVector>

#include <memory>

namespace sl::image {

// Largest image accepted: 65535 a side and 1 gigapixel in all.
constexpr int kMaxSide = 65535;
constexpr qint64 kMaxPixels = 1000LL * 1000 * 1000;

enum class Format { Unknown, Tiff, Jpeg, Png, Bmp };

struct ImageInfo
{
    Format format = Format::Unknown;
    int width = 0;
    int height = 0;
};


// Recognises the format by content and reads the size from the header only. Like the readers
// below, it refuses (false, with the reason) an image above the limits.
bool readImageInfo(const QString &path, ImageInfo &info, QString *error = nullptr);

// Reads the whole image (TIFF: first image) as QImage::Format_ARGB32 (Format_RGB32 when opaque).
// With minWidth/minHeight > 0, a JPEG is decoded at the smallest libjpeg scale that still
// covers that size (thumbnails); other formats are read whole. A null image on failure.
QImage readImage(const QString &path, QString *error = nullptr, int minWidth = 0, int minHeight = 0);

// Faults in the pages of large blocks of fresh memory (an image about to be filled) on a helper
// thread, front to back, while the caller fills them: the page faults then cost the filling
// thread nothing. The first megabytes, which the filler reaches at once, are left to it, and so
// are blocks of less than some 16 MB in all. The contents are not touched; the helper stops, and
// is waited for, when the object goes.
class PageWarmer
{
public:
    struct Block
    {
        const uchar *start;
        qsizetype size;
    };
    explicit PageWarmer(const QVector<Block> &blocks);
    ~PageWarmer();
    PageWarmer(const PageWarmer &) = delete;
    PageWarmer &operator=(const PageWarmer &) = delete;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Memory for a large image filled top to bottom while bands of rows behind the filling are read
// and then done with. Every row lies at its place in one range of addresses, but the pages of
// rows that will not be read again are moved (not copied) to back the rows the filling comes to
// next, so that it writes into memory already there instead of taking a page fault every few
// kilobytes. Rows the filling reaches before enough are released take fresh pages, as any new
// memory does. Where pages cannot be moved, a plain block. Reading a row after it was released
// gives undefined pixels.
class RowWindow
{
public:
    RowWindow(int rows, qsizetype stride);
    ~RowWindow();
    RowWindow(const RowWindow &) = delete;
    RowWindow &operator=(const RowWindow &) = delete;

    // Row y at bits() + y * stride; null when the memory cannot be had.
    uchar *bits() const { return m_bits; }
    // Before the filling writes rows up to `end`: backs those still unwritten with the pages of
    // rows [0, released), as far as there are such pages. False while some remain for fresh pages
    // and releasing more rows could still back them.
    bool reuse(int end, int released);
    // The filling writes rows up to `end` now, into fresh pages where reuse() left them.
    void fill(int end);

private:
    uchar *m_bits = nullptr;
    qsizetype m_stride = 0;
    qsizetype m_size = 0;  // mapped, whole chunks
    qsizetype m_from = 0;  // the first chunk not moved away
    qsizetype m_front = 0; // chunks below are written or backed by moved pages
    bool m_moving = false;
};

// Writers, each atomic (temporary name, then rename); false with a reason on failure.
bool writeJpeg(const QImage &image, const QString &path, int quality, QString *error = nullptr);
bool writeTiff(const QImage &image, const QString &path, QString *error = nullptr);
// 8-bit palette PNG: colour type 3, bit depth 8, a 256-entry palette, compression level 9.
// `indices` holds width*height bytes (row stride = width).
bool writePalettePng(const QByteArray &indices, int width, int height, const QVector<QRgb> &palette,
                     const QString &path, QString *error = nullptr);
// Reads an 8-bit palette PNG back as its indices (the hotspot layer); an 8-bit grey PNG gives
// its grey values (and a grey palette). False for other PNGs, and for any bit depth but 8.
bool readPalettePng(const QString &path, QByteArray &indices, int &width, int &height,
                    QVector<QRgb> *palette = nullptr, QString *error = nullptr);

// Encodes to / decodes from memory (the movie file keeps JPEG frames).
QByteArray encodeJpeg(const QImage &image, int quality, QString *error = nullptr);
QImage decodeJpeg(const QByteArray &data, QString *error = nullptr);

// The readers over bytes in memory, with the same checks and results as their file forms.
bool readImageInfoFromData(const QByteArray &data, ImageInfo &info, QString *error = nullptr);
QImage decodeImage(const QByteArray &data, QString *error = nullptr, int minWidth = 0, int minHeight = 0);
bool decodePalettePng(const QByteArray &data, QByteArray &indices, int &width, int &height,
                      QVector<QRgb> *palette = nullptr, QString *error = nullptr);

// Decodes a JPEG a band of rows at a time, top to bottom, for work that goes on beside the
// decoding. The checks are readImage's: the size from the header before anything is allocated,
// damaged or short data an error. Rows come as Format_RGB32 pixels.
class JpegRowReader
{
public:
    JpegRowReader();
    ~JpegRowReader();
    JpegRowReader(const JpegRowReader &) = delete;
    JpegRowReader &operator=(const JpegRowReader &) = delete;

    // Reads the header and gets ready for the rows; `data` must outlive the reader.
    bool open(const QString &path, QString *error = nullptr);
    bool open(const QByteArray &data, QString *error = nullptr);
    int width() const;
    int height() const;
    int rowsRead() const;
    // The next `count` rows into `bits`, one `stride` apart.
    bool readRows(uchar *bits, qsizetype stride, int count, QString *error = nullptr);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Encodes a JPEG (RGB32 or ARGB32 rows, the alpha dropped) a band of rows at a time, top to
// bottom, with encodeJpeg's settings. finish() gives the file's bytes, empty on failure.
class JpegRowWriter
{
public:
    JpegRowWriter();
    ~JpegRowWriter();
    JpegRowWriter(const JpegRowWriter &) = delete;
    JpegRowWriter &operator=(const JpegRowWriter &) = delete;

    bool start(int width, int height, int quality, QString *error = nullptr);
    bool writeRows(const uchar *bits, qsizetype stride, int count, QString *error = nullptr);
    QByteArray finish(QString *error = nullptr);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace sl::image
