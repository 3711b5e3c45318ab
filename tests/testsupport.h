#pragma once
// Shared helpers for the Qt Test executables.
#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFocusEvent>
#include <QImage>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QWidget>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtGlobal>
#include <QtMath>

#include "platform/gui/Hooks.h"
#include "project/EditedProject.h"
#include "project/ProjectDocument.h"

#include <atomic>
#include <cmath>
#include <functional>
#include <optional>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Pseudo-random pixels (alpha too when asked): any channel mix-up, off-by-one row or damage to
// the compressed data shows.
inline QImage noisyImage(int w, int h, bool alpha = false)
{
    QImage image(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    quint32 s = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            const int a = alpha ? int((s >> 24) & 0xFF) : 255;
            image.setPixel(x, y, qRgba(int(s & 0xFF), int((s >> 8) & 0xFF), int((s >> 16) & 0xFF), a));
        }
    return image;
}

// An equirectangular panorama of w x h pixels showing colour(pan, tilt) of each pixel's centre, in
// degrees: pan grows to the left of the centre column, tilt upwards.
inline QImage panoramaOf(int w, int h, const std::function<QRgb(double pan, double tilt)> &colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, colour((0.5 - (x + 0.5) / w) * 360, (0.5 - (y + 0.5) / h) * 180));
    return image;
}

// The sphere coloured by its direction vector: smooth everywhere, across the seam and the poles,
// so that reprojections can be compared pixel by pixel.
inline QRgb sphereColour(double pan, double tilt)
{
    const double p = qDegreesToRadians(pan), t = qDegreesToRadians(tilt);
    return qRgb(int(128 + 100 * std::cos(t) * std::cos(p)), int(128 + 100 * std::sin(t)),
                int(128 + 100 * std::cos(t) * std::sin(p)));
}

// The largest difference of a colour channel between two images of one size; with `mean`, also
// the mean difference over all channels.
inline int imageDifference(const QImage &a, const QImage &b, double *mean = nullptr)
{
    double sum = 0;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                sum += std::abs(d);
                worst = std::max(worst, std::abs(d));
            }
        }
    if (mean)
        *mean = sum / (3.0 * a.width() * a.height());
    return worst;
}

// The entries of a folder (hidden ones too; with `recursive`, those of its subfolders too) as
// full paths, sorted: what a test compares before and after to see that nothing was left behind.
inline QStringList entriesOf(const QString &folder, bool recursive = false)
{
    QStringList list;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (it.hasNext())
        list.append(it.next());
    list.sort();
    return list;
}

// Answers the message boxes for as long as it lives: every text shown is added to `asked`, and
// the answer is the next of `replies`, or `answer` when none is left. When it goes, all the
// hooks are back at their defaults.
struct MessageBoxAnswers
{
    QStringList asked;
    QList<int> replies;
    int answer;

    explicit MessageBoxAnswers(int answer = sl::IDYES)
        : answer(answer)
    {
        sl::hooks::msgBox = [this](const QString &text, const QString &, unsigned) {
            asked << text;
            return replies.isEmpty() ? this->answer : replies.takeFirst();
        };
    }
    ~MessageBoxAnswers() { sl::hooks::restoreDefaults(); }
    MessageBoxAnswers(const MessageBoxAnswers &) = delete;
    MessageBoxAnswers &operator=(const MessageBoxAnswers &) = delete;
};

// A project as a dialog sees it, without a main window: its lines, the binding defaults a test
// adds and a base path. What the dialog asks of the window that shows the project is added to
// `calls` ("show", "store", "hotspot", "type N", "run OPTIONS", "stop", "console TEXT").
struct PlainProject : sl::EditedProject
{
    sl::ProjectList list;
    sl::BindingDefaults defaults;
    QString base;
    int type = 1;
    QStringList calls;

    explicit PlainProject(const QStringList &lines = {}, const QString &basePath = {}) : base(basePath) { list.setLines(lines); }
    QString GetValue(const QString &k, const QString &d = {}) const override { return sl::getValue(list, defaults, k, d); }
    void SetValue(const QString &k, const QString &v, const QString &d = {}) override { sl::setValue(list, defaults, k, v, d); }
    sl::ProjectList &projectList() override { return list; }
    QString basePath() const override { return base; }
    QString programDir() const override { return testsupport::programDir(); }
    int projectType() const override { return type; }
    void SetProjectType(int t) override { calls << QStringLiteral("type %1").arg(type = t); }
    QStringList faceNames() const override { return {"front", "right", "back", "left", "top", "bottom"}; }
    bool confirmOverwrite() const override { return true; }
    QStringList interpolatorNames() const override { return {"nearest", "bilinear", "bicubic"}; }
    void ProjectToControls() override { calls << "show"; }
    void ControlsToProject() override { calls << "store"; }
    void ShowHotspotProperties() override { calls << "hotspot"; }
    int RunEngine(const QStringList &options, bool) override { return calls << "run " + options.join(' '), 0; }
    void stopEngine() override { calls << "stop"; }
    void AddConsoleLine(const QString &text) override { calls << "console " + text; }
};

// The values of `keys` in a window's project (anything with GetValue), joined by blanks: one
// comparison shows them all.
template<class Window>
QString valuesOf(Window &w, std::initializer_list<const char *> keys)
{
    QStringList values;
    for (const char *key : keys)
        values << w.GetValue(QLatin1String(key));
    return values.join(QLatin1Char(' '));
}

// The texts of the named children of `w` (labels, edits, buttons), joined by blanks; "?" for a
// child that is not there.
inline QString textsOf(const QObject *w, std::initializer_list<const char *> names)
{
    QStringList texts;
    for (const char *name : names) {
        const QObject *c = w->findChild<QObject *>(QLatin1String(name));
        texts << (c ? c->property("text").toString() : QStringLiteral("?"));
    }
    return texts.join(QLatin1Char(' '));
}

// Leaving a control as the user does with the mouse or Tab.
inline void leaveControl(QWidget *w)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w, &out);
}

// Compiles a catalogue of (English text, translation) pairs with msgfmt into
// <localeDir>/<code>/LC_MESSAGES/default.mo; its header holds `headerFields` (such as
// "Last-Translator: ...") besides the character set.
inline bool buildCatalogue(const QString &localeDir, const QString &code,
                           const QList<std::pair<QString, QString>> &messages, const QStringList &headerFields = {})
{
    const QString folder = localeDir + QStringLiteral("/") + code + QStringLiteral("/LC_MESSAGES");
    const auto escaped = [](const QString &text) { return text.toUtf8().replace('\\', "\\\\").replace('"', "\\\""); };
    const auto quoted = [&](const QString &text) { return '"' + escaped(text) + '"'; };
    QByteArray po = "msgid \"\"\nmsgstr \"\"\n";
    for (const QString &field : headerFields + QStringList{QStringLiteral("Content-Type: text/plain; charset=UTF-8")})
        po += '"' + escaped(field) + "\\n\"\n";
    for (const auto &[id, text] : messages)
        po += "\nmsgid " + quoted(id) + "\nmsgstr " + quoted(text) + '\n';
    const QString poFile = localeDir + QStringLiteral("/") + code + QStringLiteral(".po");
    return QDir().mkpath(folder) && writeFile(poFile, po)
        && QProcess::execute(QStringLiteral("msgfmt"), {QStringLiteral("-o"), folder + QStringLiteral("/default.mo"), poFile}) == 0;
}
// A FIFO at `path` whose reader, should it wait for a writer, gets one (and at once the end of
// the file) after a few seconds: code that blocks on it then fails its test instead of hanging.
class FifoWithWatchdog
{
public:
    explicit FifoWithWatchdog(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        m_made = ::mkfifo(m_path.constData(), 0600) == 0;
        m_writer = std::thread([this] {
            for (int i = 0; i < 300 && !m_done; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const int fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        });
    }
    ~FifoWithWatchdog()
    {
        m_done = true;
        m_writer.join();
    }
    bool made() const { return m_made; }

private:
    QByteArray m_path;
    bool m_made = false;
    std::atomic<bool> m_done = false;
    std::thread m_writer;
};

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
