#include "project/ProjectDocument.h"

#include "project/ProjectFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace sl {

// --- binding defaults and value access ---------------------------------------------------

void BindingDefaults::add(const QString &key, const QString &defaultValue)
{
    m_rows.append({key, defaultValue});
    const QString upper = key.toUpper();
    if (!m_first.contains(upper))
        m_first.insert(upper, int(m_rows.size()) - 1);
}

QString BindingDefaults::defaultOf(const QString &key) const
{
    const int i = m_first.value(key.toUpper(), -1);
    return i < 0 ? QString() : m_rows.at(i).second;
}

bool BindingDefaults::contains(const QString &key) const
{
    return m_first.contains(key.toUpper());
}

void BindingDefaults::clear()
{
    m_rows.clear();
    m_first.clear();
}

QString getValue(const ProjectList &project, const BindingDefaults &defaults, const QString &key,
                 const QString &defaultValue)
{
    if (project.hasKey(key))
        return project.value(key);
    return defaultValue.isEmpty() ? defaults.defaultOf(key) : defaultValue;
}

bool setValue(ProjectList &project, const BindingDefaults &defaults, const QString &key,
              const QString &value, const QString &defaultValue)
{
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' '));
    v.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const int i = project.indexOfKey(key);
    if (i >= 0) {
        const QString line = key + QLatin1Char('=') + v;
        if (project.line(i) == line)
            return false;
        project.replace(i, line);
        return true;
    }
    const QString def = defaultValue.isEmpty() ? defaults.defaultOf(key) : defaultValue;
    if (v == def)
        return false;
    project.append(key + QLatin1Char('=') + v);
    return true;
}

bool resetValue(ProjectList &project, const BindingDefaults &defaults, const QString &key)
{
    const int i = project.indexOfKey(key);
    if (i < 0)
        return false;
    const QString line = key + QLatin1Char('=') + defaults.defaultOf(key);
    if (project.line(i) == line)
        return false;
    project.replace(i, line);
    return true;
}

bool removeKey(ProjectList &project, const QString &key)
{
    const int i = project.indexOfKey(key);
    if (i < 0)
        return false;
    project.removeAt(i);
    return true;
}

// --- new projects --------------------------------------------------------------------------

QStringList builtInNewProjectLines()
{
    return {
        QCoreApplication::translate("TfrmMainForm",
                                    "# Automatically generated configuration file for Skyloom"),
        QString(),
        QCoreApplication::translate("TfrmMainForm", "# The basic project files"),
        QStringLiteral("input="),
        QStringLiteral("output="),
        QStringLiteral("cubefile="),
        QString(),
        QCoreApplication::translate("TfrmMainForm", "# Parameters"),
        QStringLiteral("movie.qtvrflattener=1"),
        QStringLiteral("stitcher.tiff=1"),
    };
}

QString defaultsFilePath(const QString &programDir)
{
    return programDir + QStringLiteral("/default.slp");
}

QStringList newProjectLines(const QString &programDir, QString *error)
{
    if (error)
        error->clear();
    const QString path = defaultsFilePath(programDir);
    if (!QFileInfo::exists(path))
        return builtInNewProjectLines();
    QStringList lines;
    if (!readProjectFile(path, lines, error))
        return builtInNewProjectLines();
    ProjectList list;
    list.setLines(lines);
    list.removeKey(QStringLiteral("input"));
    list.removeKey(QStringLiteral("output"));
    return list.lines();
}

namespace {

// The name with its extension (from the last ".", not a leading one) replaced by `suffix`.
QString changeExtension(const QString &name, const QString &suffix)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return (dot > 0 ? name.left(dot) : name) + suffix;
}

QList<KeyValue> outputNames(const QString &name, bool replaceExtension)
{
    const auto make = [&](const char *suffix) {
        const QString s = QString::fromLatin1(suffix);
        return replaceExtension ? changeExtension(name, s) : name + s;
    };
    return {
        {QStringLiteral("output"), make(".mov")},
        {QStringLiteral("thumbfile"), make("_thumb.jpg")},
        {QStringLiteral("stripfile"), make("_strip.jpg")},
        {QStringLiteral("htmlfile"), make(".html")},
        {QStringLiteral("flashfile"), make(".swf")},
    };
}

} // namespace

QList<KeyValue> derivedOutputNames(const QString &chosenFile)
{
    const QString b = changeExtension(QFileInfo(chosenFile).fileName(), QString());
    return outputNames(b, true);
}

bool updateMetaVersion(ProjectList &project, const QString &version)
{
    static const QString key = QStringLiteral("meta.version");
    if (project.value(key) == version && project.hasKey(key))
        return false;
    const QString line = key + QLatin1Char('=') + version;
    const int i = project.indexOfKey(key);
    if (i < 0)
        project.insert(0, line);
    else
        project.replace(i, line);
    return true;
}

// --- templates ----------------------------------------------------------------------------

int applyTemplateLines(const QStringList &lines, const SetValueFn &setValue)
{
    static const QStringList fileKeys = {
        QStringLiteral("input"),     QStringLiteral("output"),    QStringLiteral("cubefile"),
        QStringLiteral("flashfile"), QStringLiteral("stripfile"), QStringLiteral("htmlfile"),
        QStringLiteral("thumbfile")};
    int merged = 0;
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString name = line.left(eq).toLower();
        if (fileKeys.contains(name))
            continue;
        if (setValue)
            setValue(name, line.mid(eq + 1));
        ++merged;
    }
    return merged;
}

bool applyTemplateFile(const QString &path, const SetValueFn &setValue, QString *error)
{
    if (error)
        error->clear();
    if (!QFileInfo(path).isFile())
        return false;
    QStringList lines;
    if (!readProjectFile(path, lines, error))
        return false;
    applyTemplateLines(lines, setValue);
    return true;
}

// --- the command line ---------------------------------------------------------------------

bool isProjectFileArgument(const QString &argument)
{
    const QString suffix = QFileInfo(argument).suffix();
    return !QFileInfo(argument).completeBaseName().isEmpty()
           && (suffix.compare(QLatin1String("slp"), Qt::CaseInsensitive) == 0
               || suffix.compare(QLatin1String("slt"), Qt::CaseInsensitive) == 0);
}

ImageProject commandLineImageProject(const QString &argument, const QString &programDir,
                                     const RecognizeCubeFacesFn &recognize,
                                     const QString &startDir)
{
    QString start = startDir.isEmpty() ? QDir::currentPath() : startDir;
    if (start.isEmpty())
        start = programDir;
    const QFileInfo info(QDir(start).absoluteFilePath(argument));
    const QString fileName = info.fileName();

    ImageProject p;
    p.basePath = QDir::cleanPath(info.absolutePath());
    p.name = changeExtension(fileName, QString());

    std::optional<CubeFaceSet> set;
    if (recognize)
        set = recognize(p.basePath, fileName);
    if (set && set->baseName.isEmpty())
        set.reset();
    if (set)
        p.name = set->baseName;

    const QDir dir(p.basePath);
    p.projectFile = dir.filePath(p.name + QStringLiteral(".slp"));
    for (int i = 0; QFileInfo::exists(p.projectFile); ++i)
        p.projectFile = dir.filePath(p.name + QLatin1Char('_') + QString::number(i)
                                     + QStringLiteral(".slp"));

    if (set) {
        p.keys = {
            {QStringLiteral("cubefile.dosup"), set->dosup ? QStringLiteral("1") : QStringLiteral("0")},
            {QStringLiteral("stitcher.tiff"), set->tiff ? QStringLiteral("1") : QStringLiteral("0")},
            {QStringLiteral("movie.cube"), QStringLiteral("1")},
            {QStringLiteral("cubefile"), set->baseName},
        };
    } else {
        p.keys = {{QStringLiteral("input"), fileName}};
    }
    p.keys += outputNames(p.name, false);
    return p;
}

} // namespace sl
