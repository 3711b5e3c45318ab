#include "project/PathRules.h"

namespace sl {

namespace {

qsizetype lastSeparator(const QString &path)
{
    return qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}

qsizetype extensionStart(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > lastSeparator(path) ? dot : -1;
}

} // namespace

QString extractFileExt(const QString &path)
{
    const qsizetype dot = extensionStart(path);
    return dot < 0 ? QString() : path.mid(dot);
}

QString changeFileExt(const QString &path, const QString &ext)
{
    const qsizetype dot = extensionStart(path);
    return (dot < 0 ? path : path.left(dot)) + ext;
}

QString extractFileName(const QString &path)
{
    return path.mid(lastSeparator(path) + 1);
}

QString fileNameOfValue(const QString &value, const QString &defaultExt)
{
    const QString name = value.trimmed();
    if (name.isEmpty() || defaultExt.isEmpty() || hasFileExt(name))
        return name;
    return name + defaultExt;
}

QString relativeToBase(const QString &path, const QString &basePath)
{
    if (basePath.isEmpty())
        return path;
    const QString prefix = basePath.endsWith(QLatin1Char('/')) ? basePath : basePath + QLatin1Char('/');
    if (path.size() > prefix.size() && path.startsWith(prefix, Qt::CaseSensitive))
        return path.mid(prefix.size());
    return path;
}

} // namespace sl

namespace sl {

QString resolveAgainstBase(const QString &path, const QString &basePath)
{
    if (path.isEmpty() || basePath.isEmpty() || path.startsWith(QLatin1Char('/')))
        return path;
    return basePath.endsWith(QLatin1Char('/')) ? basePath + path : basePath + QLatin1Char('/') + path;
}

} // namespace sl
