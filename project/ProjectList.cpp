#include "project/ProjectList.h"

#include <algorithm>

namespace sl {

namespace {

// The index's form of a name: upper case (ASCII names, nearly all of them, without the general
// case mapping).
QString indexKey(QStringView name)
{
    QString key(name.size(), Qt::Uninitialized);
    QChar *out = key.data();
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            return name.toString().toUpper();
        *out++ = QChar(u >= 'a' && u <= 'z' ? char16_t(u - 32) : u);
    }
    return key;
}

} // namespace

QString ProjectList::lineName(const QString &line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return QString();
    return line.left(eq);
}

QString ProjectList::lineValue(const QString &line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return QString();
    return line.mid(eq + 1);
}

void ProjectList::setLines(const QStringList &lines)
{
    m_lines = lines;
    m_indexValid = false;
}

void ProjectList::clear()
{
    m_lines.clear();
    m_indexValid = false;
}

void ProjectList::append(const QString &line)
{
    m_lines.append(line);
    indexLine(count() - 1, lineName(line));
}

void ProjectList::insert(int pos, const QString &line)
{
    pos = qBound(0, pos, count());
    m_lines.insert(pos, line);
    if (!m_indexValid)
        return;
    for (int &i : m_index)
        if (i >= pos)
            ++i;
    indexLine(pos, lineName(line));
}

void ProjectList::removeAt(int pos)
{
    if (pos < 0 || pos >= count())
        return;
    const QString name = lineName(m_lines.at(pos));
    m_lines.removeAt(pos);
    if (!m_indexValid)
        return;
    if (!name.isNull() && m_index.value(indexKey(name), -1) == pos) {
        m_indexValid = false; // an earlier line of that name may be its line now
        return;
    }
    for (int &i : m_index)
        if (i > pos)
            --i;
}

void ProjectList::replace(int pos, const QString &line)
{
    if (pos < 0 || pos >= count())
        return;
    const QString oldName = lineName(m_lines.at(pos));
    const QString newName = lineName(line);
    m_lines[pos] = line;
    if (oldName.isNull() != newName.isNull() || oldName.compare(newName, Qt::CaseInsensitive) != 0) {
        // An earlier line may now be its old name's line: only a full rebuild finds it.
        if (!oldName.isNull())
            m_indexValid = false;
        else
            indexLine(pos, newName);
    }
}

void ProjectList::indexLine(int pos, const QString &name)
{
    if (!m_indexValid || name.isNull())
        return;
    int &last = m_index[indexKey(name)];
    last = std::max(last, pos); // later lines win
}

void ProjectList::rebuildIndex() const
{
    m_index.clear();
    m_index.reserve(m_lines.size());
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString &line = m_lines.at(i);
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0)
            m_index.insert(indexKey(QStringView(line).first(eq)), i); // later lines win
    }
    m_indexValid = true;
}

int ProjectList::indexOfKey(const QString &key) const
{
    if (!m_indexValid)
        rebuildIndex();
    return m_index.value(indexKey(key), -1);
}

QString ProjectList::value(const QString &key) const
{
    const int i = indexOfKey(key);
    if (i < 0)
        return QString();
    QString v = lineValue(m_lines.at(i));
    if (v.isNull())
        v = QLatin1String("");
    return v;
}

void ProjectList::setLine(const QString &key, const QString &value)
{
    const int i = indexOfKey(key);
    const QString line = key + QLatin1Char('=') + value;
    if (i >= 0) {
        m_lines[i] = line; // the name stays the same, so the index stays valid
    } else {
        m_lines.append(line);
        m_indexValid = false;
    }
}

void ProjectList::removeKey(const QString &key)
{
    const int i = indexOfKey(key);
    if (i >= 0)
        removeAt(i);
}

bool ProjectList::hasFullText(const QString &text) const
{
    qsizetype size = 0;
    for (const QString &l : m_lines)
        size += l.size() + 2;
    if (size != text.size())
        return false;
    qsizetype at = 0;
    for (const QString &l : m_lines) {
        if (QStringView(text).sliced(at, l.size()) != l || QStringView(text).sliced(at + l.size(), 2) != u"\r\n")
            return false;
        at += l.size() + 2;
    }
    return true;
}

QString ProjectList::fullText() const
{
    QString text;
    qsizetype size = 0;
    for (const QString &l : m_lines)
        size += l.size() + 2;
    text.reserve(size);
    for (const QString &l : m_lines) {
        text += l;
        text += QLatin1String("\r\n");
    }
    return text;
}

} // namespace sl
