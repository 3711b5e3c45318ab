#include "project/ProjectList.h"

namespace sl {

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
    m_indexValid = false;
}

void ProjectList::insert(int pos, const QString &line)
{
    m_lines.insert(qBound(0, pos, count()), line);
    m_indexValid = false;
}

void ProjectList::removeAt(int pos)
{
    if (pos >= 0 && pos < count()) {
        m_lines.removeAt(pos);
        m_indexValid = false;
    }
}

void ProjectList::replace(int pos, const QString &line)
{
    if (pos >= 0 && pos < count()) {
        m_lines[pos] = line;
        m_indexValid = false;
    }
}

void ProjectList::rebuildIndex() const
{
    m_index.clear();
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString name = lineName(m_lines.at(i));
        if (!name.isNull())
            m_index.insert(name.toUpper(), i); // later lines win
    }
    m_indexValid = true;
}

int ProjectList::indexOfKey(const QString &key) const
{
    if (!m_indexValid)
        rebuildIndex();
    return m_index.value(key.toUpper(), -1);
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
