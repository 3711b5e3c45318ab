#pragma once
// Output files of one run, made atomic as a set: every file is first written under a temporary
// name in its own folder; commit() renames them all to their names, rollback() (and the
// destructor, when commit was not reached) removes the temporary files. What stands at an
// output's name is dealt with by the rule of every writer (platform/io/AtomicFile.h): a link is
// followed, a read-only file or anything that is not a regular file is refused.
//
// Every temporary name holds ".skyloom-<process id>-", also those the writers derive from
// it, so that removeTemporariesOnTermination() finds them all.
#include <QList>
#include <QString>

#include "platform/io/AtomicFile.h"

namespace skyloom {

class Outputs
{
public:
    Outputs() = default;
    Outputs(const Outputs &) = delete;
    Outputs &operator=(const Outputs &) = delete;
    ~Outputs() { rollback(); }

    // The temporary name to write `finalPath` under; empty, with the reason in `error`, when the
    // rule refuses the name.
    QString stage(const QString &finalPath, QString *error);
    // Checks every name again, then renames. A failure names the final file.
    bool commit(QString *error);
    void rollback();

private:
    struct Entry
    {
        QString temp;
        sl::io::WriteTarget target;
    };
    QList<Entry> m_entries;
};

// Makes SIGTERM, SIGINT and SIGHUP end the engine without leaving temporary files: the
// signals are blocked in every thread, and a thread of its own waits for them, removes every
// temporary file of this process from the folders outputs were staged in, and then ends the
// process by the same signal. Called first thing in main(), before any other thread starts.
void removeTemporariesOnTermination();

} // namespace skyloom
