#pragma once
// The one way every writer of the program and of our engine puts a file under a name.
//
// The rule for what stands at the name:
// - a symbolic link is followed to the file it names: the link stays and that file is replaced
//   (or made, when the link names no file yet), unless the writer asks to replace the link;
// - an existing file that this process may not write (access(W_OK), so the permission bits for
//   everyone but root) is refused: "the file is read-only";
// - a folder, FIFO, socket or device at the name is refused and left as it is;
// - anything else is written under a temporary name in the file's own folder and renamed over
//   it at the end; a replaced file keeps its permissions.
// Every refusal and failure is one message naming the file as the writer was given it, with the
// system's own reason ("No space left on device") where the system gave one.
#include <QByteArray>
#include <QString>

#include <shared_mutex>

#include <sys/types.h>

namespace sl::io {

enum class Links { Follow, Replace };

// What a writer replaces for a name.
struct WriteTarget
{
    QString name;      // as the writer was given it, for messages
    QByteArray path;   // absolute: the file to replace, at the end of the name's links
    Links links = Links::Follow;
    bool exists = false;
    mode_t mode = 0;   // permissions of the existing file
};

// Applies the rule to `name`. False when the name is refused, with the reason in `error`.
bool resolveWriteTarget(const QString &name, WriteTarget &target, QString *error, Links links = Links::Follow);

// Renames the finished file `temp` over the target, after checking the rule once more (something
// else may have taken the name meanwhile) and giving it the replaced file's permissions.
bool replaceTarget(const QByteArray &temp, const WriteTarget &target, QString *error);

// "Cannot write "<path>": <reason>".
QString writeFailure(const QString &path, const QString &reason);

// A file written under a temporary name next to its target and renamed over it by commit().
// Until then the target is untouched; the temporary file is removed when the object goes away
// without a successful commit.
class AtomicFile
{
public:
    explicit AtomicFile(const QString &path, Links links = Links::Follow);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    bool open(QString *error);
    int fd() const { return m_fd; }
    // The descriptor now belongs to someone else (fdopen, TIFFFdOpen), who closes it.
    void releaseFd() { m_fd = -1; }
    bool writeAll(const char *data, qint64 size, QString *error);
    // Flushes, closes (when still owned) and renames over the target.
    bool commit(QString *error);

private:
    QString m_name;
    Links m_links;
    WriteTarget m_target;
    QByteArray m_temp;
    int m_fd = -1;
    bool m_done = false;
};

// Writes bytes the same atomic way.
bool writeFileAtomically(const QString &path, const QByteArray &data, QString *error = nullptr,
                         Links links = Links::Follow);

// Temporary files of the atomic writers are created and renamed while this lock is held shared.
// A process that removes its temporary files when it is ended takes it exclusively first, so that
// none appears after it has looked.
std::shared_mutex &temporaryFilesLock();

} // namespace sl::io
