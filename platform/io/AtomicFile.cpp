#include "platform/io/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sl::io {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("sl::io", text); }

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

QString systemReason(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// The folder part of an absolute path ("/" for a file in the root).
QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash > 0 ? path.left(slash) : QByteArray("/");
}

// The rule for what stands at the name, once its links are followed (or, with Links::Replace, a
// link at the name itself, which is replaced). True when it may be replaced.
bool mayReplace(const QString &name, const QByteArray &path, const struct stat &st, Links links, QString *error)
{
    if (S_ISLNK(st.st_mode) && links == Links::Replace)
        return true;
    if (S_ISDIR(st.st_mode)) {
        setError(error, QStringLiteral("%1: %2").arg(name, tr("is a folder, not a file")));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        setError(error, QStringLiteral("%1: %2").arg(name, tr("is not a regular file")));
        return false;
    }
    if (::access(path.constData(), W_OK) != 0) {
        const int err = errno;
        if (err == EACCES || err == EPERM || err == EROFS)
            setError(error, tr("%1: the file is read-only").arg(name));
        else
            setError(error, writeFailure(name, systemReason(err)));
        return false;
    }
    return true;
}

} // namespace

QString writeFailure(const QString &path, const QString &reason)
{
    return tr("Cannot write \"%1\": %2").arg(QDir::toNativeSeparators(path), reason);
}

bool resolveWriteTarget(const QString &name, WriteTarget &target, QString *error, Links links)
{
    if (name.isEmpty()) {
        setError(error, tr("No file name was given."));
        return false;
    }
    target = WriteTarget{};
    target.name = name;
    target.links = links;
    target.path = QFile::encodeName(QFileInfo(name).absoluteFilePath());
    for (int depth = 0;; ++depth) {
        struct stat st;
        if (::lstat(target.path.constData(), &st) != 0) {
            if (errno == ENOENT)
                return true; // a new file (at the end of the links)
            setError(error, writeFailure(name, systemReason(errno)));
            return false;
        }
        if (S_ISLNK(st.st_mode) && links == Links::Follow) {
            if (depth == 40) {
                setError(error, writeFailure(name, systemReason(ELOOP)));
                return false;
            }
            char buffer[PATH_MAX];
            const ssize_t n = ::readlink(target.path.constData(), buffer, sizeof buffer);
            if (n < 0 || n == ssize_t(sizeof buffer)) {
                setError(error, writeFailure(name, systemReason(n < 0 ? errno : ENAMETOOLONG)));
                return false;
            }
            const QByteArray next(buffer, n);
            target.path = next.startsWith('/') ? next : folderOf(target.path) + '/' + next;
            continue;
        }
        if (!mayReplace(name, target.path, st, links, error))
            return false;
        target.exists = S_ISREG(st.st_mode);
        target.mode = st.st_mode & 07777;
        return true;
    }
}

bool replaceTarget(const QByteArray &temp, const WriteTarget &target, QString *error)
{
    const std::shared_lock renaming(temporaryFilesLock());
    struct stat st;
    if (::lstat(target.path.constData(), &st) == 0) {
        if (!mayReplace(target.name, target.path, st, target.links, error))
            return false;
        if (S_ISREG(st.st_mode))
            (void)::chmod(temp.constData(), st.st_mode & 07777);
    } else if (errno != ENOENT) {
        setError(error, writeFailure(target.name, systemReason(errno)));
        return false;
    }
    if (::rename(temp.constData(), target.path.constData()) != 0) {
        setError(error, writeFailure(target.name, systemReason(errno)));
        return false;
    }
    return true;
}

AtomicFile::AtomicFile(const QString &path, Links links)
    : m_name(path)
    , m_links(links)
{
}

AtomicFile::~AtomicFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_done && !m_temp.isEmpty())
        ::unlink(m_temp.constData());
}

bool AtomicFile::open(QString *error)
{
    if (!resolveWriteTarget(m_name, m_target, error, m_links))
        return false;
    const QByteArray folder = folderOf(m_target.path);
    const QByteArray base = m_target.path.mid(folder.size() + 1);
    const std::shared_lock creating(temporaryFilesLock());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = folder + "/." + base + "."
            + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_temp = name;
            // A new file gets the usual permissions (0666 less the umask); a replaced one its own.
            if (m_target.exists)
                (void)::fchmod(fd, m_target.mode);
            return true;
        }
        if (errno != EEXIST) {
            setError(error, writeFailure(m_target.name, systemReason(errno)));
            return false;
        }
    }
    setError(error, writeFailure(m_target.name, tr("no temporary name is free.")));
    return false;
}

bool AtomicFile::writeAll(const char *data, qint64 size, QString *error)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size_t(qMin<qint64>(size, 1 << 30)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            setError(error, writeFailure(m_target.name, systemReason(errno)));
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

bool AtomicFile::commit(QString *error)
{
    if (m_temp.isEmpty())
        return false;
    if (m_fd >= 0) {
        int err = 0;
        if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
            err = errno;
        if (::close(m_fd) != 0 && !err)
            err = errno;
        m_fd = -1;
        if (err) {
            setError(error, writeFailure(m_target.name, systemReason(err)));
            return false;
        }
    }
    if (!replaceTarget(m_temp, m_target, error))
        return false;
    m_done = true;
    return true;
}

bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error, Links links)
{
    AtomicFile file(path, links);
    return file.open(error) && file.writeAll(data.constData(), data.size(), error) && file.commit(error);
}

std::shared_mutex &temporaryFilesLock()
{
    static std::shared_mutex lock;
    return lock;
}

} // namespace sl::io
