#pragma once
// Message boxes, file and colour dialogs, opening addresses and starting programs go through
// these replaceable hooks, so that tests can answer them without a modal loop. Each hook has
// a working default; a test assigns its own function and restores the old one afterwards.
#include <QColor>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantList>

#include <functional>
#include <optional>

class QWidget;

namespace sl {

// Message box flags and answers, with the values of the original platform.
enum : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_TYPEMASK = 0xF,
    MB_ICONMASK = 0xF0,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// Options of the file dialogs.
enum : unsigned {
    OFN_OVERWRITEPROMPT = 0x1, // save: ask before replacing an existing file
    OFN_FILEMUSTEXIST = 0x2,   // open: the chosen file must exist
    OFN_PATHMUSTEXIST = 0x4,   // the chosen file's folder must exist
};

// The application title, caption of `ShowMsg`.
inline const QString kApplicationTitle = QStringLiteral("Skyloom - GUI");

namespace hooks {

// Shows a message box; returns IDYES, IDNO, IDCANCEL or IDOK. Yes (or OK) is the default button.
extern std::function<int(const QString &text, const QString &caption, unsigned flags)> msgBox;
// A notice with the application title and an OK button. The default goes through `msgBox`.
extern std::function<int(const QString &text)> showMsg;
// File dialogs. `filter` is in Qt's form "desc (pat pat);;desc2 (pat2)" (see qtFileFilter in project/FilePickers.h),
// `defaultExt` without a dot, `options` the OFN_ flags. Empty on cancel. They never change
// the current directory.
extern std::function<QString(const QString &title, const QString &folder,
                              const QString &proposedName, const QString &filter,
                              const QString &defaultExt, unsigned options)>
    openFileName;
extern std::function<QString(const QString &title, const QString &folder,
                              const QString &proposedName, const QString &filter,
                              const QString &defaultExt, unsigned options)>
    saveFileName;
// The open dialog with several files chosen at once; their full names, empty on cancel.
extern std::function<QStringList(const QString &title, const QString &folder, const QString &filter,
                                 unsigned options)>
    openFileNames;
// The colour dialog; nothing on cancel.
extern std::function<std::optional<QColor>(const QColor &initial)> chooseColour;
// Opens a file, folder or address with the desktop's program.
extern std::function<bool(const QUrl &url)> openUrl;
// Starts a program on its own (a viewer).
extern std::function<bool(const QString &program, const QStringList &args, const QString &workDir)>
    startDetached;

// Puts every hook back to its default.
void restoreDefaults();

} // namespace hooks

int MsgBox(const QString &text, const QString &caption, unsigned flags);
int ShowMsg(const QString &text);

// printf-style formatting of a (translated) pattern: %s, %d, %i, %u, %x, %X and %f with the
// usual flags, width and precision, and %%. Arguments are taken in order; a missing argument
// formats as empty text; an unknown directive stays as written.
QString WideFmt(const QString &pattern, const QVariantList &args = {});

// Sets the enabled state of every widget inside `container`, at any depth; the container
// keeps its own state.
void SetChildControlsEnabled(QWidget *container, bool enabled);

} // namespace sl
