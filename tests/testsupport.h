#pragma once
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QFocusEvent>
#include <QImage>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QProcessEnvironment>
#include <QWidget>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QtEndian>
#include <QtGlobal>
#include <QtMath>

#include "platform/gui/Hooks.h"
#include "platform/help/Help.h"
#include "platform/image/ImageIO.h"
#include "preview/model/QuickTimeCheck.h"
#include "project/EditedProject.h"
#include "project/ProjectDocument.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <chrono>
#include <thread>
#include <type_traits>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

namespace testsupport {

// The folder holding the built program, our engine and the files shipped next to them.
inline QString programDir() { return QStringLiteral(SKYLOOM_PROGRAM_DIR); }
inline QString sourceDir() { return QStringLiteral(SKYLOOM_SOURCE_DIR); }
inline QString enginePath() { return programDir() + QStringLiteral("/skyloom"); }

// Points the XDG folders at fresh temporary folders for its life; restores the current directory.
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
    QString desktopPath() const { return m_dir.path() + "/desktop"; }

private:
    QTemporaryDir m_dir;
    QString m_oldCwd;
};

// The base of most test classes. Each test gets an IsolatedEnvironment with a folder `dir` in it
// (init() calls setUp(), which a class with more to set up calls with a name of its own: blanks,
// quotes and letters beyond ASCII in it catch quoting faults). Before and after each test, what a
// test may leave behind for the next is undone: the hooks of platform/gui and of the help, the
// version check's overrides and every SKYLOOM_ENGINE_* variable that steers our engine.
class Fixture : public QObject
{
    Q_OBJECT

protected:
    std::optional<IsolatedEnvironment> env;
    QString dir;

    void setUp(const QString &folder = QStringLiteral("/work"))
    {
        resetShared();
        env.emplace();
        dir = env->path() + folder;
        QDir().mkpath(dir);
    }
    static void resetShared()
    {
        sl::hooks::restoreDefaults();
        sl::help::hooks::restoreDefaults();
        sl::preview::QuickTimeCheck::clearTestOverride();
        for (const QString &name : QProcessEnvironment::systemEnvironment().keys())
            if (name.startsWith(QLatin1String("SKYLOOM_ENGINE_")))
                qunsetenv(name.toLatin1().constData());
    }

protected slots:
    void init() { setUp(); }
    void cleanup()
    {
        env.reset();
        resetShared();
    }
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

// Writes `bytes` to `path`, making its folder first; fails the calling test when it cannot.
inline void makeFile(const QString &path, const QByteArray &bytes)
{
    QVERIFY2(QDir().mkpath(QFileInfo(path).absolutePath()) && writeFile(path, bytes), qPrintable(path));
}

// An opaque image of w x h pixels in one colour.
inline QImage filledImage(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Pseudo-random pixels (alpha too when asked): a channel mix-up, a row off or damaged data shows.
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

// An equirectangular w x h panorama of colour(pan, tilt) at each pixel's centre, in degrees; pan
// grows leftwards of the centre column, tilt upwards.
inline QImage panoramaOf(int w, int h, const std::function<QRgb(double pan, double tilt)> &colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, colour((0.5 - (x + 0.5) / w) * 360, (0.5 - (y + 0.5) / h) * 180));
    return image;
}

// The sphere coloured by its direction: smooth across the seam and poles, for pixel comparisons.
inline QRgb sphereColour(double pan, double tilt)
{
    const double p = qDegreesToRadians(pan), t = qDegreesToRadians(tilt);
    return qRgb(int(128 + 100 * std::cos(t) * std::cos(p)), int(128 + 100 * std::sin(t)),
                int(128 + 100 * std::cos(t) * std::sin(p)));
}

// The largest difference of a channel between two images of one size; the mean one into `mean`.
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

// The entries of a folder (hidden too; with `recursive`, of subfolders too) as sorted full paths.
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

// The offset of the first JPEG marker `code` (0xFF code), or -1.
inline qsizetype markerAt(const QByteArray &jpeg, uchar code)
{
    for (qsizetype i = 2; i + 1 < jpeg.size(); ++i)
        if (uchar(jpeg[i]) == 0xFF && uchar(jpeg[i + 1]) == code)
            return i;
    return -1;
}

// A real small JPEG whose frame header (baseline or progressive) claims w x h: its data run out
// after a few blocks.
inline QByteArray jpegClaiming(int w, int h, QByteArray jpeg = sl::image::encodeJpeg(noisyImage(16, 16), 90))
{
    const qsizetype sof = std::max(markerAt(jpeg, 0xC0), markerAt(jpeg, 0xC2));
    if (sof < 0)
        return {};
    qToBigEndian<quint16>(quint16(h), jpeg.data() + sof + 5);
    qToBigEndian<quint16>(quint16(w), jpeg.data() + sof + 7);
    return jpeg;
}

// A real small PNG whose header claims w x h.
inline QByteArray pngClaiming(quint32 w, quint32 h)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("small.png");
    if (!sl::image::writePalettePng(QByteArray(16 * 16, 1), 16, 16, QVector<QRgb>(256, qRgb(9, 9, 9)), path))
        return {};
    QByteArray png = readFile(path);
    // IHDR's type, width, height and the rest of its 13 bytes follow the signature and its length.
    qToBigEndian<quint32>(w, png.data() + 16);
    qToBigEndian<quint32>(h, png.data() + 20);
    qToBigEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef *>(png.constData() + 12), 17)), png.data() + 29);
    return png;
}

// A run of our engine as the program runs it: in `folder`, with nothing to read. `inChild` runs in
// the engine's process before the engine starts; a run that has not ended after `waitMs` is
// ended, and counts as crashed.
struct EngineRun
{
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;

    QByteArray errorLine() const
    {
        for (const QByteArray &l : out.split('\n'))
            if (l.contains('\a'))
                return l;
        return {};
    }
};

inline EngineRun runEngine(const QStringList &args, const QString &folder, const std::function<void()> &inChild = {},
                           int waitMs = 120000)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    if (inChild)
        p.setChildProcessModifier(inChild);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(enginePath(), args);
    EngineRun r;
    if (!p.waitForStarted(10000))
        return r;
    if (!p.waitForFinished(waitMs)) {
        p.kill();
        p.waitForFinished();
    }
    r.crashed = p.exitStatus() != QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    return r;
}

// Answers message boxes while it lives: each text shown goes to `asked`, the answer is the next of
// `replies`, else `answer`. When it goes, all the hooks are back at their defaults.
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

// Answers message boxes so, and open and save dialogs with the next of `opens` and `saves` (none
// left: cancelled); "folder|proposed|defaultExt" of every file dialog goes to `seen`.
struct DialogAnswers : MessageBoxAnswers
{
    QStringList opens, saves, seen;

    explicit DialogAnswers(int answer = sl::IDYES)
        : MessageBoxAnswers(answer)
    {
        const auto from = [this](QStringList &queue) {
            return [this, &queue](const QString &, const QString &folder, const QString &proposed, const QString &,
                                  const QString &ext, unsigned) {
                seen << folder + QLatin1Char('|') + proposed + QLatin1Char('|') + ext;
                return queue.isEmpty() ? QString() : queue.takeFirst();
            };
        };
        sl::hooks::openFileName = from(opens);
        sl::hooks::saveFileName = from(saves);
    }
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

// The values of `keys` in a window's project (anything with GetValue), joined by blanks.
template<class Window>
QString valuesOf(Window &w, std::initializer_list<const char *> keys)
{
    QStringList values;
    for (const char *key : keys)
        values << w.GetValue(QLatin1String(key));
    return values.join(QLatin1Char(' '));
}

// The texts of the named children of `w`, joined by blanks; "?" for a child that is not there.
inline QString textsOf(const QObject *w, std::initializer_list<const char *> names)
{
    QStringList texts;
    for (const char *name : names) {
        const QObject *c = w->findChild<QObject *>(QLatin1String(name));
        texts << (c ? c->property("text").toString() : QStringLiteral("?"));
    }
    return texts.join(QLatin1Char(' '));
}

// Runs `open`, which may open a modal window; once one shows, runs `act` on it if it is a T,
// then closes whatever modal window is still open. True when a T showed.
template<class T = QWidget>
bool onModal(const std::function<void()> &open, const std::function<void(std::type_identity_t<T> *)> &act = {})
{
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            poll.stop();
            if (T *w = qobject_cast<T *>(modal)) {
                seen = true;
                if (act)
                    act(w);
            }
            if (QWidget *left = QApplication::activeModalWidget())
                left->close();
        }
    });
    poll.start(20);
    open();
    return seen;
}

// Leaving a control as the user does with the mouse or Tab.
inline void leaveControl(QWidget *w)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w, &out);
}

// Compiles (English text, translation) pairs with msgfmt into <localeDir>/<code>/LC_MESSAGES/default.mo,
// with `headerFields` (such as "Last-Translator: ...") in its header.
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
// What a writer may find at its file's name.
enum class AtName { Fifo, Socket, ReadOnlyFile, LinkToFile, LinkToReadOnlyFile };

inline const char *nameOf(AtName what)
{
    static const char *const names[] = {"FIFO", "socket", "read-only file", "link to a file", "link to a read-only file"};
    return names[int(what)];
}

// Puts `what` at `path`: a file holds "old"; a link names `path` + ".target", which holds it.
inline bool makeAtName(AtName what, const QString &path)
{
    const QByteArray name = QFile::encodeName(path), target = name + ".target";
    switch (what) {
    case AtName::Fifo:
        return ::mkfifo(name.constData(), 0666) == 0;
    case AtName::Socket: {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (size_t(name.size()) >= sizeof address.sun_path)
            return false;
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool made = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        if (fd >= 0)
            ::close(fd);
        return made;
    }
    case AtName::ReadOnlyFile:
        return writeFile(path, "old") && ::chmod(name.constData(), 0444) == 0;
    case AtName::LinkToFile:
    case AtName::LinkToReadOnlyFile:
        return writeFile(QFile::decodeName(target), "old")
            && ::chmod(target.constData(), what == AtName::LinkToFile ? 0666 : 0444) == 0
            && ::symlink(target.constData(), name.constData()) == 0;
    }
    return false;
}

// What stands at `path`, through a link: its kind, permissions and (for a file) contents.
inline QString stateAt(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::lstat(name.constData(), &st) != 0)
        return QStringLiteral("nothing");
    QString state;
    if (S_ISLNK(st.st_mode)) {
        state = QStringLiteral("link to %1: ").arg(QFile::symLinkTarget(path));
        if (::stat(name.constData(), &st) != 0)
            return state + QStringLiteral("nothing");
    }
    const char *kind = S_ISFIFO(st.st_mode) ? "FIFO" : S_ISSOCK(st.st_mode) ? "socket" : S_ISREG(st.st_mode) ? "file" : "other";
    state += QStringLiteral("%1 %2").arg(QLatin1String(kind)).arg(st.st_mode & 07777, 0, 8);
    return S_ISREG(st.st_mode) ? state + QLatin1Char(' ') + QString::fromLatin1(readFile(path).toHex()) : state;
}

// Root writes any file whatever its permission bits, and the tests run as root in CI. A process
// that calls this meets a read-only file as any other user does: it gives up the capabilities
// that pass over permission bits, for itself and for the programs it starts (for a child
// process: after fork, or in QProcess::setChildProcessModifier). False when it could not.
inline bool heedPermissionBits()
{
    if (::geteuid() != 0)
        return true;
    const int caps[] = {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH};
    for (const int cap : caps)
        if (::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0)
            return false;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    for (const int cap : caps)
        for (__u32 *set : {&data[cap / 32].effective, &data[cap / 32].permitted, &data[cap / 32].inheritable})
            *set &= ~(1u << (cap % 32));
    return ::syscall(SYS_capset, &header, data) == 0;
}

// Runs `write` in a child that heeds permission bits: its result and message; nothing if no child ran.
inline std::optional<bool> writeHeedingPermissions(const std::function<bool(QString *)> &write, QString *message)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return std::nullopt;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        QString text;
        const int code = !heedPermissionBits() ? 2 : write(&text) ? 0 : 1;
        const QByteArray bytes = text.toUtf8();
        if (::write(fds[1], bytes.constData(), size_t(bytes.size())) != bytes.size())
            ::_exit(2);
        ::_exit(code);
    }
    ::close(fds[1]);
    QByteArray bytes;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, n);
    ::close(fds[0]);
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) > 1)
        return std::nullopt;
    *message = QString::fromUtf8(bytes);
    return WEXITSTATUS(status) == 0;
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

// The names of shown labels, buttons, group boxes and lists, not of fixed width, narrower than their text.
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
