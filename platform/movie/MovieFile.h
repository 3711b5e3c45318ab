#pragma once
// Our minimal QuickTime movie: "ftyp" ("qt  "), "mdat" with JPEG samples, "moov" with one video
// track of "jpeg" samples, and the view settings as key=value text in a "udta" atom.
// A panorama movie holds one equirectangular frame; an object movie one frame per image, in
// grid order: rows of `columns` views, each view `animationFrames` frames (frame fastest).
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QString>

class QIODevice;

namespace sl::movie {

struct Movie
{
    bool panorama = true;
    int width = 0;            // frame size in pixels
    int height = 0;
    int columns = 1;          // object movies: frames per row (pan)
    int rows = 1;             // object movies: rows (tilt)
    int animationFrames = 1;  // object movies: frames per view; a view's frames follow each other
    QList<QByteArray> frames; // JPEG data, one entry per frame
    QMap<QString, QString> settings; // view settings: "pan.default", "fov.max", "movie.width", ...

    QImage frame(int index) const; // decoded frame, null when out of range or undecodable
};

bool writeMovie(const QString &path, const Movie &movie, QString *error = nullptr); // atomic
// Never throws; reads only a regular file (a FIFO or a device is refused, never waited on).
bool readMovie(const QString &path, Movie &movie, QString *error = nullptr);

// The same from an open random-access device (a file or a buffer), starting at its current
// position. The movie is left empty (a default Movie) on failure.
bool readMovie(QIODevice &device, Movie &movie, QString *error = nullptr);
// The whole file as bytes (what writeMovie saves); empty with a reason on failure.
QByteArray encodeMovie(const Movie &movie, QString *error = nullptr);

} // namespace sl::movie
