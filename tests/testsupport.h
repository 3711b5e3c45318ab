#pragma once
// Shared helpers for the Qt Test executables.
#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QWidget>
#include <QString>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtGlobal>

namespace testsupport {

// The folder holding the built program, our engine and the files shipped next to them.
inline QString programDir() { return QStringLiteral(SKYLOOM_PROGRAM_DIR); }
inline QString sourceDir() { return QStringLiteral(SKYLOOM_SOURCE_DIR); }
inline QString enginePath() { return programDir() + QStringLiteral("/skyloom"); }

// Points the XDG folders at fresh temporary folders for the life of the object and
// restores the current directory afterwards.
class IsolatedEnvironment
{
public:
    IsolatedEnvironment()
        : m_oldCwd(QDir::currentPath())
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path() + "/config"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.path() + "/data"));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_dir.path() + "/cache"));
        qputenv("XDG_DESKTOP_DIR", QFile::encodeName(m_dir.path() + "/desktop"));
        QDir().mkpath(m_dir.path() + "/config");
        QDir().mkpath(m_dir.path() + "/data");
        // Qt finds the desktop folder through this file, not through the variable.
        QFile dirs(m_dir.path() + "/config/user-dirs.dirs");
        if (dirs.open(QIODevice::WriteOnly))
            dirs.write("XDG_DESKTOP_DIR=\"" + QFile::encodeName(desktopPath()) + "\"\n");
    }
    ~IsolatedEnvironment() { QDir::setCurrent(m_oldCwd); }
    QString path() const { return m_dir.path(); }
    // The desktop folder (not created).
    QString desktopPath() const { return m_dir.path() + "/desktop"; }

private:
    QTemporaryDir m_dir;
    QString m_oldCwd;
};

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Leaving a control as the user does with the mouse or Tab.
inline void leaveControl(QWidget *w)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w, &out);
}

// Compiles a catalogue of (English text, translation) pairs with msgfmt into
// <localeDir>/<code>/LC_MESSAGES/default.mo.
inline bool buildCatalogue(const QString &localeDir, const QString &code,
                           const QList<std::pair<QString, QString>> &messages)
{
    const QString folder = localeDir + QStringLiteral("/") + code + QStringLiteral("/LC_MESSAGES");
    QByteArray po = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n";
    const auto quoted = [](const QString &text) {
        return '"' + text.toUtf8().replace('\\', "\\\\").replace('"', "\\\"") + '"';
    };
    for (const auto &[id, text] : messages)
        po += "\nmsgid " + quoted(id) + "\nmsgstr " + quoted(text) + '\n';
    const QString poFile = localeDir + QStringLiteral("/") + code + QStringLiteral(".po");
    return QDir().mkpath(folder) && writeFile(poFile, po)
        && QProcess::execute(QStringLiteral("msgfmt"), {QStringLiteral("-o"), folder + QStringLiteral("/default.mo"), poFile}) == 0;
}

// Stands in for a language whose words are longer than the English ones.
class LongerTexts : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *source, const char *, int) const override
    {
        return QString::fromUtf8(source) + QStringLiteral(" (longer)");
    }
};

// A control of a fixed width, or inside one, is tight by design.
inline bool widthFixed(const QWidget *w)
{
    for (; w && !w->isWindow(); w = w->parentWidget())
        if (w->maximumWidth() < QWIDGETSIZE_MAX)
            return true;
    return false;
}

// The object names of the shown labels, buttons, group boxes and drop-down lists, not of a
// fixed width, that are narrower than their text (a list: than its longest item).
inline QStringList cutCaptions(QWidget *window)
{
    QStringList cut;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        const auto *label = qobject_cast<QLabel *>(w);
        const auto *combo = qobject_cast<QComboBox *>(w);
        const bool list = combo && !combo->isEditable();
        if (!w->isVisible() || (label && label->wordWrap()) || widthFixed(w)
            || !(label || list || qobject_cast<QAbstractButton *>(w) || qobject_cast<QGroupBox *>(w)))
            continue;
        if (w->width() < (list ? w->sizeHint() : w->minimumSizeHint()).width())
            cut << w->objectName();
    }
    return cut;
}

} // namespace testsupport
