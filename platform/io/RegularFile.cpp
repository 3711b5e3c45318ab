#include "platform/io/RegularFile.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sl::io {

namespace {
QString tr(const char *text) { return QCoreApplication::translate("sl::io", text); }
} // namespace

bool openRegularFile(const QString &path, QFile &file, QString *reason)
{
    const auto failed = [&](int fd, const QString &why) {
        if (fd >= 0)
            ::close(fd);
        if (reason)
            *reason = why;
        return false;
    };
    const auto systemReason = [](int err) { return QString::fromLocal8Bit(std::strerror(err)); };
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failed(-1, systemReason(errno));
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return failed(fd, systemReason(errno));
    if (S_ISDIR(st.st_mode))
        return failed(fd, tr("is a folder, not a file"));
    if (!S_ISREG(st.st_mode))
        return failed(fd, tr("is not a regular file"));
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return failed(fd, file.errorString());
    return true;
}

} // namespace sl::io
