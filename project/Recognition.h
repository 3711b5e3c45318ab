#pragma once
// Recognition of an image set from one chosen file: the six faces of a cube (numbered 11..66,
// the "dosup" numbering, or _0.._5) or the rows and columns of an object sequence
// (base_<row>_<column>). Every file of the set is probed before the result is decided.
#include <QString>

#include <functional>
#include <optional>

namespace sl {

struct CubeFaceSet; // project/ProjectDocument.h

struct RecognitionResult
{
    enum Outcome {
        Recognised,
        WrongExtension,  // not .jpg or .tif
        NoPattern,       // cube faces: no face numbering at the end of the name
        NotFirstImage,   // sequence: the name does not end in _0_0
        TilesMissing,    // the numbering is known, but files of the set do not exist
    };
    Outcome outcome = NoPattern;
    QString baseName; // path and name without numbering and extension; empty unless Recognised
    bool dosUp = false;  // written only when a numbering is recognised
    bool isTiff = false; // written only when the extension is accepted
    int rows = 0;        // sequences only
    int columns = 0;     // sequences only
    // The notice the window shows (translated); empty when recognised or in quiet mode.
    QString message;
    bool ok() const { return outcome == Recognised; }
};

// Whether a file of that exact name exists (the default probe asks the file system).
using FileProbe = std::function<bool(const QString &path)>;
bool fileExistsProbe(const QString &path);

// The sequence rules apply for the object-sequence type (4), the cube-face rules for every
// other type. `quiet` leaves `message` empty. The extension is compared in lower case, and
// the set's files are probed with a lower-case ".tif" or ".jpg", as the engine names them.
RecognitionResult RecognizeImagePattern(const QString &fileName, int projectType, bool quiet,
                                        const FileProbe &exists = fileExistsProbe);

// Quiet cube-face recognition for an image named on the command line, in the form the
// start-up code takes (folder and name without folder); nothing when no complete set.
std::optional<CubeFaceSet> recognizeCubeFacesQuiet(const QString &folder, const QString &fileName);

// The notice texts, translated.
QString wrongExtensionNotice();
QString noPatternNotice();
QString notFirstImageNotice();
QString tilesMissingNotice();

} // namespace sl
