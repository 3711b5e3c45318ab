#pragma once
// The program's settings: sections of named text values in
// $XDG_CONFIG_HOME/Skyloom/Skyloomgui.ini (default ~/.config).
//
// - Section and value names match without regard to case; the spelling first found in the
//   file is kept when a value is rewritten.
// - Values are raw text: everything after the first "=" of the line, nothing unquoted or
//   split. (A hand-written line "name = value" loses the blanks around "=", our own lines
//   never have them.) Line breaks in a value are written as blanks.
// - Every write replaces the file at once, atomically; every read sees the file as it is now
//   (it is read again whenever it changed on disk, for example by another running copy).
// - A missing, unreadable, oversized or binary file reads as empty: every read gives its
//   default, and the next write starts a clean file.
#include <QString>
#include <QStringList>

namespace sl {

class SettingsStore
{
public:
    // The store in the user's configuration folder (XDG_CONFIG_HOME is read at this moment).
    SettingsStore();
    explicit SettingsStore(const QString &filePath);

    static QString defaultFilePath();
    const QString &filePath() const { return m_path; }

    QString readText(const QString &section, const QString &name,
                     const QString &defaultValue = QString()) const;
    // A value that is not a decimal 32-bit number (blanks around it allowed) gives the default.
    int readInteger(const QString &section, const QString &name, int defaultValue) const;
    // Read as an integer: true when not 0.
    bool readBool(const QString &section, const QString &name, bool defaultValue) const;
    // True when the value is present (even when empty).
    bool hasValue(const QString &section, const QString &name) const;

    // Writes return false when the file could not be written (`lastError` says why); reads
    // then go on seeing the file as it is, without the value that was not stored.
    bool writeText(const QString &section, const QString &name, const QString &value);
    bool writeInteger(const QString &section, const QString &name, int value);
    bool writeBool(const QString &section, const QString &name, bool value); // "1" / "0"

    QString lastError() const { return m_lastError; }

private:
    struct Stamp
    {
        bool exists = false;
        unsigned long long dev = 0, ino = 0;
        long long size = 0, mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;
        bool operator==(const Stamp &) const = default;
    };
    struct Found
    {
        int line = -1;        // the value's line, -1 when absent
        int sectionEnd = -1;  // where a new value of the section goes, -1 when the section is absent
    };

    Stamp stampNow() const;
    void refresh() const;
    Found find(const QString &section, const QString &name) const;
    bool save();

    QString m_path;
    mutable QStringList m_lines;
    mutable Stamp m_stamp;
    mutable bool m_loaded = false;
    QString m_lastError;
};

// The values of the store, their sections, names and defaults.
namespace settings {

inline const QString kSectionSettings = QStringLiteral("settings");
inline const QString kSectionRecent = QStringLiteral("recent");
inline const QString kSectionViewer = QStringLiteral("Viewer");
inline const QString kSectionEngine = QStringLiteral("skyloom");

inline const QString kHome = QStringLiteral("home");
inline const QString kConfirmOverwrite = QStringLiteral("confirmoverwrite");
inline const QString kLanguage = QStringLiteral("language");
inline const QString kOpenAfterCreate = QStringLiteral("openaftercreate");
inline const QString kUsePano12 = QStringLiteral("usepano12");
inline const QString kExePath = QStringLiteral("exepath");

// "settings"/"home", default 0: 1 shows the help-file and language menu items.
int home(const SettingsStore &store);
// "settings"/"confirmoverwrite", default true.
bool confirmOverwrite(const SettingsStore &store);
bool setConfirmOverwrite(SettingsStore &store, bool on);
// "settings"/"language": a catalogue code, "en", or empty for the system's language; the
// default is the translator's current language.
QString language(const SettingsStore &store, const QString &currentLanguage);
bool setLanguage(SettingsStore &store, const QString &code);
// "settings"/"openaftercreate" and "usepano12"; the defaults are the controls' own states.
bool openAfterCreate(const SettingsStore &store, bool current);
bool setOpenAfterCreate(SettingsStore &store, bool on);
bool usePano12(const SettingsStore &store, bool current);
bool setUsePano12(SettingsStore &store, bool on);

// "Viewer"/<name>: the path of a viewer program, empty for none.
enum class Viewer { Image, QuickTime, SPiV, HTML, Flash };
inline constexpr Viewer kAllViewers[] = {Viewer::Image, Viewer::QuickTime, Viewer::SPiV,
                                         Viewer::HTML, Viewer::Flash};
QString viewerValueName(Viewer viewer); // "Image", "Quicktime", "SPiV", "HTML", "Flash"
QString viewer(const SettingsStore &store, Viewer viewer);
bool setViewer(SettingsStore &store, Viewer viewer, const QString &path);

// "skyloom"/"exepath": the engine's folder; never written by the program. Absent or empty
// gives the program folder.
QString exePath(const SettingsStore &store, const QString &programDir);

} // namespace settings
} // namespace sl
