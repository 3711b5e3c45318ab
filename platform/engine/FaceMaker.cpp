#include "FaceMaker.h"

#include "platform/image/ImageIO.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace skyloom {

namespace {

// Face rows made (and source rows decoded) at a time.
constexpr int kBandRows = 16;
// Bands of JPEG faces made and not yet encoded (a few, as the bands of a face are made in order),
// held in one block made ready beside the panorama; more, when needed, come one by one.
constexpr int kHeldBands = 48;

struct Band
{
    int face;
    int index;    // within the face, top to bottom
    int firstRow; // the first source row it reads
    int lastRow;  // the last source row it waits for (its own and those of the bands above it)
};

class FaceWork
{
public:
    FaceWork(const FaceJob &job, const QImage &panorama, int helpers)
        : m_job(job), m_panorama(panorama), m_helpers(helpers)
    {
    }

    bool prepare(QString &error);
    // The memory the faces will fill (whole images, or the held bands), still to be written.
    QVector<sl::image::PageWarmer::Block> faceMemory() const;
    // Source rows [0, rows) are in.
    void sourceRows(int rows);
    // Source rows before this one are read by no band still to be made (the decoding thread only).
    int releasedRows();
    void fail(const QString &error);
    // Makes bands until none is left or the work failed.
    void work();
    // Makes the next band if its rows are in and the helpers have as many more ready beside it:
    // false when there is none such.
    bool workOne();
    bool failed(QString &error) const
    {
        std::lock_guard lock(m_mutex);
        error = m_error;
        return m_failed;
    }

private:
    using Buffer = quint32 *;
    struct Face
    {
        // JPEG faces keep each band made until it is encoded, in order; other faces are made
        // whole into `image`, whose pixels are taken once (threads write rows at the same time).
        std::unique_ptr<sl::projection::FaceRows> rows;
        std::vector<Buffer> bands;
        QImage image;
        uchar *bits = nullptr;
        sl::image::JpegRowWriter writer;
        std::vector<bool> made;
        int encoded = 0; // bands handed on, in order
        bool busy = false;
    };

    qsizetype bandStride() const { return qsizetype(m_job.size) * 4; }
    bool makeBand(int i);
    Buffer takeBuffer();
    void bandMade(const Band &band, Buffer buffer);
    bool encode(int face, int first, int end, QString &error);
    bool finishFace(int face, QString &error);

    const FaceJob &m_job;
    const QImage &m_panorama;
    const int m_helpers; // threads making bands beside the decoding
    int m_bandsPerFace = 0;
    std::vector<Band> m_bands; // in the order their source rows come in
    std::vector<int> m_firstFrom; // by band: the first source row it or any band after it reads
    std::unique_ptr<std::atomic<bool>[]> m_drawn; // by band
    int m_firstUndrawn = 0;   // bands before it are drawn
    std::atomic<int> m_next{0};
    std::array<Face, 6> m_faces;

    // Source rows in; the decoding only stores and wakes, never waits for the helpers' lock.
    std::atomic<int> m_rows{0};
    std::atomic<bool> m_stopped{false};
    mutable std::mutex m_mutex;
    std::unique_ptr<quint32[]> m_held;            // kHeldBands band buffers
    std::vector<std::unique_ptr<quint32[]>> m_more; // the ones beyond
    std::vector<Buffer> m_spare;                  // band buffers free to take
    bool m_failed = false;
    QString m_error;
};

bool FaceWork::prepare(QString &error)
{
    const int size = m_job.size;
    m_bandsPerFace = (size + kBandRows - 1) / kBandRows;
    for (int f = 0; f < 6; ++f) {
        Face &face = m_faces[size_t(f)];
        if (m_job.jpeg) {
            face.bands.assign(size_t(m_bandsPerFace), nullptr);
            if (!face.writer.start(size, size, m_job.quality[size_t(f)], &error))
                return false;
        } else {
            face.image = QImage(size, size, m_panorama.format());
            if (face.image.isNull()) {
                error = QStringLiteral("Not enough memory for six faces of %1 x %1 pixels.").arg(size);
                return false;
            }
            face.bits = face.image.bits();
        }
        face.rows = std::make_unique<sl::projection::FaceRows>(m_panorama, f, size, m_job.interpolator);
        face.made.assign(size_t(m_bandsPerFace), false);
        // A band waits for the rows of the bands above it as well, so that a face is made top to
        // bottom and each band is encoded soon after it is made, with little held in between:
        // the top face waits for the rows its edge needs, the bottom face's lower half for the last.
        int last = 0;
        for (int b = 0; b < m_bandsPerFace; ++b) {
            const sl::projection::RowRange rows = sl::projection::faceSourceRows(
                f, size, m_panorama.height(), b * kBandRows, (b + 1) * kBandRows, m_job.interpolator);
            last = std::max(last, rows.last);
            m_bands.push_back({f, b, rows.first, last});
        }
    }
    std::stable_sort(m_bands.begin(), m_bands.end(), [](const Band &a, const Band &b) { return a.lastRow < b.lastRow; });
    m_firstFrom.resize(m_bands.size() + 1);
    m_firstFrom.back() = m_panorama.height();
    for (size_t i = m_bands.size(); i-- > 0;)
        m_firstFrom[i] = std::min(m_bands[i].firstRow, m_firstFrom[i + 1]);
    m_drawn.reset(new std::atomic<bool>[m_bands.size()]);
    for (size_t i = 0; i < m_bands.size(); ++i)
        m_drawn[i] = false;
    if (m_job.jpeg) {
        const size_t bandSize = size_t(kBandRows) * size_t(size);
        m_held.reset(new (std::nothrow) quint32[kHeldBands * bandSize]);
        for (int b = 0; m_held && b < kHeldBands; ++b)
            m_spare.push_back(m_held.get() + b * bandSize);
    }
    return true;
}

QVector<sl::image::PageWarmer::Block> FaceWork::faceMemory() const
{
    QVector<sl::image::PageWarmer::Block> blocks;
    for (const Face &f : m_faces)
        if (f.bits)
            blocks.append({f.bits, f.image.sizeInBytes()});
    if (m_held)
        blocks.append({reinterpret_cast<const uchar *>(m_held.get()),
                       qsizetype(kHeldBands) * kBandRows * m_job.size * qsizetype(sizeof(quint32))});
    return blocks;
}

void FaceWork::sourceRows(int rows)
{
    m_rows.store(rows, std::memory_order_release);
    m_rows.notify_all();
}

void FaceWork::fail(const QString &error)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_failed) {
            m_failed = true;
            m_error = error;
        }
    }
    m_stopped = true;
    m_rows.store(std::numeric_limits<int>::max(), std::memory_order_release); // wakes every waiting helper
    m_rows.notify_all();
}

FaceWork::Buffer FaceWork::takeBuffer()
{
    std::lock_guard lock(m_mutex);
    if (m_spare.empty()) {
        std::unique_ptr<quint32[]> more(new (std::nothrow) quint32[size_t(kBandRows) * size_t(m_job.size)]);
        if (!more)
            return nullptr;
        m_more.push_back(std::move(more));
        return m_more.back().get();
    }
    const Buffer b = m_spare.back();
    m_spare.pop_back();
    return b;
}

int FaceWork::releasedRows()
{
    const int count = int(m_bands.size());
    // Bands from `next` on are not begun yet; of those before, some may still be drawn.
    const int next = std::min(count, m_next.load(std::memory_order_acquire));
    while (m_firstUndrawn < next && m_drawn[size_t(m_firstUndrawn)].load(std::memory_order_acquire))
        ++m_firstUndrawn;
    int rows = m_firstFrom[size_t(next)];
    for (int i = m_firstUndrawn; i < next; ++i)
        if (!m_drawn[size_t(i)].load(std::memory_order_acquire))
            rows = std::min(rows, m_bands[size_t(i)].firstRow);
    return rows;
}

void FaceWork::work()
{
    for (;;) {
        const int i = m_next.fetch_add(1);
        if (i >= int(m_bands.size()))
            return;
        const Band &band = m_bands[size_t(i)];
        for (int rows; (rows = m_rows.load(std::memory_order_acquire)) <= band.lastRow;)
            m_rows.wait(rows, std::memory_order_acquire);
        if (m_stopped || !makeBand(i))
            return;
    }
}

bool FaceWork::workOne()
{
    const int count = int(m_bands.size());
    int i = m_next.load(std::memory_order_relaxed);
    do {
        // Only while as many more are ready for the helpers.
        if (i >= count || m_stopped
            || m_bands[size_t(std::min(count - 1, i + m_helpers))].lastRow >= m_rows.load(std::memory_order_acquire))
            return false;
    } while (!m_next.compare_exchange_weak(i, i + 1));
    return makeBand(i);
}

// Draws band i and hands it on; false when the work has failed.
bool FaceWork::makeBand(int i)
{
    const Band &band = m_bands[size_t(i)];
    const int first = band.index * kBandRows;
    Face &face = m_faces[size_t(band.face)];
    Buffer buffer = nullptr;
    uchar *bits = nullptr;
    qsizetype stride = 0;
    if (m_job.jpeg) {
        buffer = takeBuffer();
        if (!buffer) {
            fail(QStringLiteral("Not enough memory for the faces."));
            return false;
        }
        bits = reinterpret_cast<uchar *>(buffer);
        stride = bandStride();
    } else {
        stride = face.image.bytesPerLine();
        bits = face.bits + first * stride;
    }
    face.rows->draw(first, first + kBandRows, bits, stride);
    m_drawn[size_t(i)].store(true, std::memory_order_release);
    bandMade(band, buffer);
    return true;
}

// Marks the band made; the first thread to find the next bands of a face made in order hands
// them on (one thread a face at a time), and finishes the face after its last band.
void FaceWork::bandMade(const Band &band, Buffer buffer)
{
    Face &face = m_faces[size_t(band.face)];
    std::unique_lock lock(m_mutex);
    face.made[size_t(band.index)] = true;
    if (buffer)
        face.bands[size_t(band.index)] = buffer;
    if (face.busy)
        return;
    face.busy = true;
    while (!m_failed && face.encoded < m_bandsPerFace && face.made[size_t(face.encoded)]) {
        int end = face.encoded;
        while (end < m_bandsPerFace && face.made[size_t(end)])
            ++end;
        const int first = face.encoded;
        lock.unlock();
        QString error;
        const bool ok = encode(band.face, first, end, error) && (end < m_bandsPerFace || finishFace(band.face, error));
        if (!ok)
            fail(error);
        lock.lock();
        face.encoded = end;
        if (m_job.jpeg)
            for (int b = first; b < end; ++b)
                m_spare.push_back(face.bands[size_t(b)]);
    }
    face.busy = false;
}

// Bands [first, end) of a JPEG face into its encoder.
bool FaceWork::encode(int f, int first, int end, QString &error)
{
    if (!m_job.jpeg)
        return true;
    Face &face = m_faces[size_t(f)];
    for (int b = first; b < end; ++b) {
        const int rows = std::min(m_job.size, (b + 1) * kBandRows) - b * kBandRows;
        if (!face.writer.writeRows(reinterpret_cast<const uchar *>(face.bands[size_t(b)]), bandStride(), rows,
                                   &error))
            return false;
    }
    return true;
}

bool FaceWork::finishFace(int f, QString &error)
{
    Face &face = m_faces[size_t(f)];
    QByteArray bytes;
    if (m_job.jpeg) {
        bytes = face.writer.finish(&error);
        if (bytes.isEmpty())
            return false;
    }
    const bool ok = m_job.finished(f, bytes, face.image, error);
    face.image = QImage();
    return ok;
}

} // namespace

bool makeFaces(const FaceJob &job, QString &error)
{
    if (job.size < 1) {
        error = QStringLiteral("Invalid face size %1.").arg(job.size);
        return false;
    }
    sl::image::ImageInfo info;
    if (!sl::image::readImageInfo(job.input, info, &error))
        return false;
    QImage panorama;
    sl::image::JpegRowReader reader;
    std::unique_ptr<sl::image::RowWindow> window;
    if (info.format == sl::image::Format::Jpeg) {
        if (!reader.open(job.input, &error))
            return false;
        // Decoded into a window of rows when it can be had: the rows every band has read go on
        // to hold rows further down.
        const int w = reader.width(), h = reader.height();
        window = std::make_unique<sl::image::RowWindow>(h, qsizetype(w) * 4);
        panorama = window->bits() ? QImage(window->bits(), w, h, qsizetype(w) * 4, QImage::Format_RGB32)
                                  : QImage(w, h, QImage::Format_RGB32);
        if (panorama.isNull()) {
            error = QStringLiteral("Not enough memory for an image of %1 x %2 pixels.").arg(reader.width()).arg(reader.height());
            return false;
        }
    } else {
        panorama = sl::image::readImage(job.input, &error);
        if (panorama.isNull())
            return false;
        if (panorama.format() != QImage::Format_RGB32 && panorama.format() != QImage::Format_ARGB32)
            panorama = panorama.convertToFormat(panorama.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }

    uchar *const bits = panorama.bits(); // taken before the helpers start reading it
    // The panorama's pages are faulted in ahead of the decoding; in a window, the rows up to the
    // last the top face reads: none can be dropped before that face is made.
    const qsizetype warm = window ? qsizetype(sl::projection::faceSourceRows(4, job.size, panorama.height(), 0,
                                                                             job.size, job.interpolator).last + 1)
            * panorama.bytesPerLine()
                                  : panorama.sizeInBytes();
    const sl::image::PageWarmer warmer({{bits, warm}});
    // The first helper plans the faces while the decoding begins (no band can be made before a
    // quarter of the rows are in), then the helpers make the bands.
    const int helpers = int(std::max(1u, sl::projection::usableProcessors() - 1));
    FaceWork work(job, panorama, helpers);
    enum { Planning, Planned, Failed };
    std::atomic<int> plan{Planning};
    QString planError;
    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        const bool ok = work.prepare(planError);
        plan = ok ? Planned : Failed;
        plan.notify_all();
        if (!ok)
            return;
        const sl::image::PageWarmer faceWarmer(work.faceMemory());
        work.work();
    });
    auto planned = [&plan] {
        plan.wait(Planning);
        return plan == Planned;
    };
    for (int t = 1; t < helpers; ++t)
        threads.emplace_back([&] {
            if (planned())
                work.work();
        });
    if (info.format == sl::image::Format::Jpeg) {
        const int h = panorama.height();
        const qsizetype stride = panorama.bytesPerLine();
        for (int row = 0; row < h && plan != Failed;) {
            const int n = std::min(kBandRows, h - row);
            // Rather than fresh pages, the pages of rows done with: while there are none yet, the
            // decoding makes bands that are ready (with few processors they would wait).
            if (window && plan == Planned)
                while (!window->reuse(row + n, work.releasedRows()) && work.workOne()) {
                }
            if (window)
                window->fill(row + n);
            QString why;
            if (!reader.readRows(bits + row * stride, stride, n, &why)) {
                work.fail(QStringLiteral("Cannot read \"%1\": %2").arg(job.input, why));
                break;
            }
            row += n;
            work.sourceRows(row);
        }
    } else {
        work.sourceRows(panorama.height());
    }
    if (planned())
        work.work(); // the decoding thread helps with what is left
    for (std::thread &t : threads)
        t.join();
    if (plan == Failed) {
        error = planError;
        return false;
    }
    return !work.failed(error);
}

} // namespace skyloom
