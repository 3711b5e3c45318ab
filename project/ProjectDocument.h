#pragma once
// Project text operations without widgets: binding defaults, value access, the text of a new
// project, derived output names, templates and the project for an image named at start-up.
#include "project/ProjectList.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace sl {

using KeyValue = QPair<QString, QString>;

// The binding rows' keys and defaults in registration order. A key's default is that of its
// first row (names compared without regard to case); a key without a row defaults to "".
class BindingDefaults
{
public:
    void add(const QString &key, const QString &defaultValue);
    QString defaultOf(const QString &key) const;
    bool contains(const QString &key) const;
    int count() const { return int(m_rows.size()); }
    const QList<KeyValue> &rows() const { return m_rows; }
    void clear();

private:
    QList<KeyValue> m_rows;
    QHash<QString, int> m_first; // upper-cased key -> first row
};

// The value of the key's line (even when empty); when absent `defaultValue`, where an empty
// default stands for the binding default.
QString getValue(const ProjectList &project, const BindingDefaults &defaults, const QString &key,
                 const QString &defaultValue = QString());
// Rewrites the key's line in place as key=value; when the key is absent, appends the line only
// when the value differs from the default (empty default: the binding default). CR and LF in
// the value become blanks. Returns true when the project changed.
bool setValue(ProjectList &project, const BindingDefaults &defaults, const QString &key,
              const QString &value, const QString &defaultValue = QString());
// A present key's line becomes key=<binding default>; an absent key stays absent.
bool resetValue(ProjectList &project, const BindingDefaults &defaults, const QString &key);
bool removeKey(ProjectList &project, const QString &key);

// The ten lines of a new project (comments translated in context "TfrmMainForm").
QStringList builtInNewProjectLines();
// "default.slp" of the program folder less its "input" and "output" lines when it exists,
// else the built-in lines. An unreadable defaults file gives the built-in lines and its
// reason in `error`.
QStringList newProjectLines(const QString &programDir, QString *error = nullptr);
QString defaultsFilePath(const QString &programDir);

// "output", "thumbfile", "stripfile", "htmlfile", "flashfile" for a project chosen under
// "New Project": B is the file name without folder and extension; each suffix replaces B's
// own extension if it still has one ("pano.final.slp" gives "pano.mov").
QList<KeyValue> derivedOutputNames(const QString &chosenFile);

// Sets "meta.version" to `version` (inserted as first line when absent). True when changed.
bool updateMetaVersion(ProjectList &project, const QString &version = QStringLiteral(SKYLOOM_VERSION));

// Merges template lines: skips comments ("#" as first non-blank character), lines without "="
// after their first character, and the seven file keys; hands every other line to `setValue`
// as (lower-cased name, value). Returns the number of lines handed on.
using SetValueFn = std::function<void(const QString &key, const QString &value)>;
int applyTemplateLines(const QStringList &lines, const SetValueFn &setValue);
// Reads the template file and merges it. False (nothing merged) when the file does not exist
// or cannot be read; `error` then says why (empty for a missing file).
bool applyTemplateFile(const QString &path, const SetValueFn &setValue, QString *error = nullptr);

// An argument that names a project or template (".slp", ".slt", any case).
bool isProjectFileArgument(const QString &argument);

struct CubeFaceSet
{
    QString baseName; // the face files' name without the face number
    bool dosup = false; // faces numbered 11..66
    bool tiff = false;  // ".tif" faces
};
// Looks for a complete cube-face set around `fileName` (no folder) in `folder`.
using RecognizeCubeFacesFn =
    std::function<std::optional<CubeFaceSet>(const QString &folder, const QString &fileName)>;

struct ImageProject
{
    QString basePath;    // the image's folder (absolute)
    QString projectFile; // <basePath>/<name>.slp, or <name>_<i>.slp with the first free i
    QString name;        // the set's base name, or the image's name without extension
    QList<KeyValue> keys; // to be set with setValue and an empty default, in this order
};
// The new, unsaved project for an image named on the command line. A relative argument is
// taken against `startDir` (default: the current directory; the program folder when empty).
ImageProject commandLineImageProject(const QString &argument, const QString &programDir,
                                     const RecognizeCubeFacesFn &recognize,
                                     const QString &startDir = QString());

} // namespace sl
