#pragma once
// Output files of one run, made atomic as a set: every file is first written under a temporary
// name in its own folder; commit() renames them all to their names, rollback() (and the
// destructor, when commit was not reached) removes the temporary files.
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

} // namespace skyloom
