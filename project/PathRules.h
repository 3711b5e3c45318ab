#pragma once
// File-name rules shared by the pickers and the project transfer: extensions, name parts and
// names relative to the base path. Paths use "/"; a "\" left in a project from another system
// also counts as a folder separator when looking for the name part or the extension.
#include <QString>

namespace sl {

// The extension with its dot: the text from the last "." after the last separator; empty
// when there is none ("a.b/c" has none, "pano." has ".").
QString extractFileExt(const QString &path);
// The path with its extension replaced by `ext` (appended when there is none).
QString changeFileExt(const QString &path, const QString &ext);
// The name part: the text after the last separator.
QString extractFileName(const QString &path);
inline bool hasFileExt(const QString &path) { return !extractFileExt(path).isEmpty(); }

// The file that a file-name value of the project names. The window (overwrite questions,
// opening results, the size in the status bar) and our engine read every name through this
// one rule: blanks around the value are not part of the name, and `defaultExt` (with its dot)
// is appended when the name has no extension. Empty for a value of blanks.
QString fileNameOfValue(const QString &value, const QString &defaultExt = QString());

// A chosen path made relative to the base path: when it begins with the base path followed by
// "/" (exact, case-sensitive), the rest after that "/"; otherwise the path as chosen. An empty
// base path keeps every path whole, so a leading "/" is never stripped.
QString relativeToBase(const QString &path, const QString &basePath);

} // namespace sl

namespace sl {

// A project file name as the file system sees it: a relative name taken against the base
// path (unchanged when the base path is empty or the name is absolute).
QString resolveAgainstBase(const QString &path, const QString &basePath);

} // namespace sl
