#pragma once
// The open project: an ordered list of text lines (key=value lines, "#" comments, blank lines,
// any other text). Every line stays as it is until an operation rewrites or removes it.
#include <QString>
#include <QStringList>
#include <QHash>

namespace sl {

class ProjectList
{
public:
    ProjectList() = default;

    // The name of a line is its text before the first "=", nothing trimmed; a line without "="
    // has no name (null QString).
    static QString lineName(const QString &line);
    static QString lineValue(const QString &line);

    int count() const { return int(m_lines.size()); }
    const QStringList &lines() const { return m_lines; }
    const QString &line(int i) const { return m_lines.at(i); }
    void setLines(const QStringList &lines);
    void clear();
    void append(const QString &line);
    void insert(int pos, const QString &line);
    void removeAt(int pos);
    void replace(int pos, const QString &line);

    // The line of a key: the last line whose name equals the key without regard to case; -1 when absent.
    int indexOfKey(const QString &key) const;
    bool hasKey(const QString &key) const { return indexOfKey(key) >= 0; }
    // The value of the key's line; null QString when absent.
    QString value(const QString &key) const;
    // Replaces the key's line by key=value, or appends it when absent.
    void setLine(const QString &key, const QString &value);
    void removeKey(const QString &key);

    // All lines, each followed by CR LF.
    QString fullText() const;
    // fullText() == text, without building the full text.
    bool hasFullText(const QString &text) const;

private:
    void rebuildIndex() const;
    // Keeps a valid index in step with line `pos`, which now has the name `name`.
    void indexLine(int pos, const QString &name);

    QStringList m_lines;
    mutable QHash<QString, int> m_index; // upper-cased name -> last line index
    mutable bool m_indexValid = false;
};

} // namespace sl
