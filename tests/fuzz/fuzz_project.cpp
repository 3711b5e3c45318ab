// libFuzzer target for the readers of outside files: the project text (decodeProjectText and the
// key lookup on its lines) and the movie file (readMovie, which must never read outside its
// atoms or leave a half-filled movie).
#include "platform/movie/MovieFile.h"
#include "project/ProjectFile.h"
#include "project/ProjectList.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    const QStringList lines = sl::decodeProjectText(bytes);
    sl::ProjectList project;
    project.setLines(lines);
    for (const QString &line : lines) {
        const QString name = sl::ProjectList::lineName(line);
        if (!name.isNull() && project.indexOfKey(name) < 0)
            std::abort(); // every named line is found by its own name
    }
    // Writing and reading again keeps the lines.
    if (sl::decodeProjectText(sl::encodeProjectText(lines)) != lines)
        std::abort();

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    sl::movie::Movie movie;
    if (sl::movie::readMovie(buffer, movie)) {
        qint64 total = 0;
        for (const QByteArray &f : movie.frames)
            total += f.size();
        if (movie.frames.isEmpty() || total > bytes.size() || movie.width < 1 || movie.height < 1)
            std::abort();
        if (!movie.panorama && qint64(movie.columns) * movie.rows * movie.animationFrames != movie.frames.size())
            std::abort();
    } else if (!movie.frames.isEmpty() || movie.width != 0) {
        std::abort();
    }
    return 0;
}
