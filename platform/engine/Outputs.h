#pragma once
// Output files of one run, made atomic as a set: every file is first written under a temporary
// name in its own folder; commit() renames them all to their names, rollback() (and the
// destructor, when commit was not reached) removes the temporary files.
//
// Every temporary name holds ".skyloom-<process id>-", also those the writers derive from
// it, so that removeTemporariesOnTermination() finds them all.
#include <QList>
#include <QString>

namespace skyloom {

class Outputs
{
public:
    Outputs() = default;
    Outputs(const Outputs &) = delete;
    Outputs &operator=(const Outputs &) = delete;
    ~Outputs() { rollback(); }

    // The temporary name to write `finalPath` under.
    QString stage(const QString &finalPath);
    bool commit(QString *error);
    void rollback();

private:
    struct Entry
    {
        QString temp;
        QString final;
    };
    QList<Entry> m_entries;
};

// Makes SIGTERM, SIGINT and SIGHUP end the engine without leaving temporary files: the
// signals are blocked in every thread, and a thread of its own waits for them, removes every
// temporary file of this process from the folders outputs were staged in, and then ends the
// process by the same signal. Called first thing in main(), before any other thread starts.
void removeTemporariesOnTermination();

} // namespace skyloom
