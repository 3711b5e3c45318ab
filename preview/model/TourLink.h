#pragma once
// A hotspot's tour link as the tour-link editor shows it: the link value split into the editor's
// fields, and the files the editor previews.
#include <QString>

namespace sl::preview {

struct TourLinkFields
{
    QString url;
    QString target;
    QString pan;  // FormatAngle of the link's angle; empty when the link has none
    QString tilt;
    QString fov;
    QString scale;             // lower case; empty when the link has none
    bool controller = false;   // "controller=true" in the link
    bool hasController = false; // the link says anything about the controller
    bool hasView = false;      // the link has a view-parameter group: apply it once shown
};

// Reads a stored link value (leading and trailing blanks ignored) through the one link reader.
TourLinkFields readTourLink(const QString &value);

// The folder a tour link's relative addresses are taken against: the folder of the output movie
// (".mov" added when it has no extension) resolved against the base path; the base path itself
// when there is no output name; empty when neither is known.
QString outputFolder(const QString &outputFile, const QString &basePath);

// The address a link gets for a movie chosen on disk: its path relative to `folder`; the file
// name alone when no folder is known.
QString relativeAddress(const QString &chosenFile, const QString &folder);

// The movie the editor previews: the local copy when one is named (a relative name taken against
// the base path); otherwise the address as a file, looked for in the output's folder first and
// then in the base path (the program's current folder); empty when it names no existing file.
QString previewMovieFile(const QString &localFile, const QString &address, const QString &folder,
                         const QString &basePath);

} // namespace sl::preview
