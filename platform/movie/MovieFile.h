#pragma once
// Our minimal QuickTime movie: "ftyp" ("qt  "), "mdat" with JPEG samples, "moov" with one video
// track of "jpeg" samples, and the view settings as key=value text in a "udta" atom.
// A panorama movie holds one equirectangular frame; an object movie one frame per image, in
// grid order (rows of `columns` frames).
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QMap>
#include <QString>

namespace sl::movie {

struct Movie
{
    bool panorama = true;
    int width = 0;            // frame size in pixels
    int height = 0;
    int columns = 1;          // object movies: frames per row (pan)
    int rows = 1;             // object movies: rows (tilt)
    QList<QByteArray> frames; // JPEG data, one entry per frame
    QMap<QString, QString> settings; // view settings: "pan.default", "fov.max", "movie.width", ...

    QImage frame(int index) const; // decoded frame, null when out of range or undecodable
};

bool writeMovie(const QString &path, const Movie &movie, QString *error = nullptr); // atomic
bool readMovie(const QString &path, Movie &movie, QString *error = nullptr);      // never throws

} // namespace sl::movie
