#include "platform/settings/SettingsStore.h"

#include "platform/io/AtomicFile.h"
#include "project/ProjectFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

namespace sl {

namespace {

// Larger files are not settings of ours; they read as empty.
constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

bool isSectionLine(const QString &trimmed)
{
    return trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'));
}

QString sectionOf(const QString &trimmed)
{
    return trimmed.mid(1, trimmed.size() - 2).trimmed();
}

bool isComment(const QString &trimmed)
{
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

// The name of a value line, trimmed; empty when the line holds no value.
QString valueNameOf(const QString &line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return QString();
    return line.left(eq).trimmed();
}

QString valueOf(const QString &line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    QString v = line.mid(eq + 1);
    // "name = value" as a person writes it; our own lines never have a blank before "=".
    if (eq > 0 && line.at(eq - 1).isSpace()) {
        qsizetype i = 0;
        while (i < v.size() && (v.at(i) == QLatin1Char(' ') || v.at(i) == QLatin1Char('\t')))
            ++i;
        v = v.mid(i);
    }
    return v;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString oneLine(QString value)
{
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return value;
}

} // namespace

SettingsStore::SettingsStore()
    : m_path(defaultFilePath())
{
}

SettingsStore::SettingsStore(const QString &filePath)
    : m_path(filePath)
{
}

QString SettingsStore::defaultFilePath()
{
    QString base = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/Skyloom/Skyloomgui.ini");
}

SettingsStore::Stamp SettingsStore::stampNow() const
{
    Stamp s;
    struct stat st;
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
        return s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtimeSec = st.st_mtim.tv_sec;
    s.mtimeNsec = st.st_mtim.tv_nsec;
    s.ctimeSec = st.st_ctim.tv_sec;
    s.ctimeNsec = st.st_ctim.tv_nsec;
    return s;
}

void SettingsStore::refresh() const
{
    const Stamp now = stampNow();
    if (m_loaded && now == m_stamp)
        return;
    m_loaded = true;
    m_stamp = now;
    m_lines.clear();
    if (!now.exists || now.size <= 0 || now.size > kMaxFileSize)
        return;
    QFile f(m_path);
    if (QFileInfo(m_path).isDir() || !f.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = f.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize || bytes.contains('\0'))
        return; // not a settings file of ours
    m_lines = decodeProjectText(bytes);
}

SettingsStore::Found SettingsStore::find(const QString &section, const QString &name) const
{
    refresh();
    Found found;
    bool inSection = false;   // in any block of the section
    bool inFirst = false;     // in the section's first block, where new values go
    bool sectionSeen = false;
    int firstEnd = -1;
    for (int i = 0; i < m_lines.size(); ++i) {
        const QString &line = m_lines.at(i);
        const QString trimmed = line.trimmed();
        if (isSectionLine(trimmed)) {
            inSection = sameName(sectionOf(trimmed), section);
            inFirst = inSection && !sectionSeen;
            if (inFirst) {
                sectionSeen = true;
                firstEnd = i + 1;
            }
            continue;
        }
        if (!inSection || trimmed.isEmpty() || isComment(trimmed))
            continue;
        const QString n = valueNameOf(line);
        if (n.isEmpty())
            continue;
        if (inFirst)
            firstEnd = i + 1;
        if (sameName(n, name)) {
            found.line = i;
            break;
        }
    }
    found.sectionEnd = sectionSeen ? firstEnd : -1;
    return found;
}

QString SettingsStore::readText(const QString &section, const QString &name,
                                const QString &defaultValue) const
{
    const Found f = find(section, name);
    if (f.line < 0)
        return defaultValue;
    return valueOf(m_lines.at(f.line));
}

bool SettingsStore::hasValue(const QString &section, const QString &name) const
{
    return find(section, name).line >= 0;
}

int SettingsStore::readInteger(const QString &section, const QString &name, int defaultValue) const
{
    const Found f = find(section, name);
    if (f.line < 0)
        return defaultValue;
    bool ok = false;
    const int v = valueOf(m_lines.at(f.line)).toInt(&ok, 10);
    return ok ? v : defaultValue;
}

bool SettingsStore::readBool(const QString &section, const QString &name, bool defaultValue) const
{
    return readInteger(section, name, defaultValue ? 1 : 0) != 0;
}

bool SettingsStore::writeText(const QString &section, const QString &name, const QString &value)
{
    const Found f = find(section, name);
    const QString v = oneLine(value);
    if (f.line >= 0) {
        m_lines[f.line] = valueNameOf(m_lines.at(f.line)) + QLatin1Char('=') + v;
    } else if (f.sectionEnd >= 0) {
        m_lines.insert(f.sectionEnd, name + QLatin1Char('=') + v);
    } else {
        if (!m_lines.isEmpty() && !m_lines.constLast().trimmed().isEmpty())
            m_lines.append(QString());
        m_lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        m_lines.append(name + QLatin1Char('=') + v);
    }
    return save();
}

bool SettingsStore::writeInteger(const QString &section, const QString &name, int value)
{
    return writeText(section, name, QString::number(value));
}

bool SettingsStore::writeBool(const QString &section, const QString &name, bool value)
{
    return writeText(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool SettingsStore::save()
{
    m_lastError.clear();
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        m_lastError = QStringLiteral("Cannot create the folder %1").arg(info.absolutePath());
    } else {
        QByteArray bytes;
        for (const QString &l : std::as_const(m_lines)) {
            bytes += l.toUtf8();
            bytes += '\n';
        }
        QString why;
        if (io::writeFileAtomically(m_path, bytes, &why)) {
            m_stamp = stampNow();
            return true;
        }
        m_lastError = why;
    }
    // What could not be stored is forgotten: the next read sees the file as it is.
    m_loaded = false;
    return false;
}

namespace settings {

int home(const SettingsStore &store)
{
    return store.readInteger(kSectionSettings, kHome, 0);
}

bool confirmOverwrite(const SettingsStore &store)
{
    return store.readBool(kSectionSettings, kConfirmOverwrite, true);
}

bool setConfirmOverwrite(SettingsStore &store, bool on)
{
    return store.writeBool(kSectionSettings, kConfirmOverwrite, on);
}

QString language(const SettingsStore &store, const QString &currentLanguage)
{
    return store.readText(kSectionSettings, kLanguage, currentLanguage);
}

bool setLanguage(SettingsStore &store, const QString &code)
{
    return store.writeText(kSectionSettings, kLanguage, code);
}

bool openAfterCreate(const SettingsStore &store, bool current)
{
    return store.readBool(kSectionSettings, kOpenAfterCreate, current);
}

bool setOpenAfterCreate(SettingsStore &store, bool on)
{
    return store.writeBool(kSectionSettings, kOpenAfterCreate, on);
}

bool usePano12(const SettingsStore &store, bool current)
{
    return store.readBool(kSectionSettings, kUsePano12, current);
}

bool setUsePano12(SettingsStore &store, bool on)
{
    return store.writeBool(kSectionSettings, kUsePano12, on);
}

QString viewerValueName(Viewer viewer)
{
    switch (viewer) {
    case Viewer::Image: return QStringLiteral("Image");
    case Viewer::QuickTime: return QStringLiteral("Quicktime");
    case Viewer::SPiV: return QStringLiteral("SPiV");
    case Viewer::HTML: return QStringLiteral("HTML");
    case Viewer::Flash: return QStringLiteral("Flash");
    }
    return QString();
}

QString viewer(const SettingsStore &store, Viewer which)
{
    return store.readText(kSectionViewer, viewerValueName(which), QString());
}

bool setViewer(SettingsStore &store, Viewer which, const QString &path)
{
    return store.writeText(kSectionViewer, viewerValueName(which), path);
}

QString exePath(const SettingsStore &store, const QString &programDir)
{
    const QString v = store.readText(kSectionEngine, kExePath, QString());
    return v.isEmpty() ? programDir : v;
}

} // namespace settings
} // namespace sl
