#pragma once
// The engine's command line.
//   skyloom -c <script> <options>
//   skyloom -c <template> [-t --thumb N] [-h --html N] [-n] [-e -ac -o N | -y --swf N | -l --strip N] file...
#include <QString>
#include <QStringList>

namespace skyloom {

struct Arguments
{
    QString script;           // -c
    bool cubeTiff = false;    // -x: six TIFF faces from the equirectangular input
    bool cubeJpeg = false;    // -e: six JPEG faces (ignored in the shortcut form)
    bool equirect = false;    // -r: equirectangular image from the faces
    bool movie = false;       // -f NAME, -a, -ac (-o in the shortcut form)
    bool movieTiffFaces = false; // "-ac": a cube-face project's faces are TIFF files
    bool flash = false;       // -y
    bool thumbnail = false;   // -t
    bool html = false;        // -h
    bool strip = false;       // -l
    // Shortcut form: output names ("$f" stands for the input's name) and the dropped files.
    bool shortcut = false;
    QString movieName, flashName, thumbName, htmlName, stripName;
    QStringList files;

    bool anyOperation() const
    {
        return cubeTiff || cubeJpeg || equirect || movie || flash || thumbnail || html || strip;
    }
};

// False with a reason for an unknown option, a missing value or a missing script.
bool parseArguments(const QStringList &args, Arguments &out, QString *error);

} // namespace skyloom
