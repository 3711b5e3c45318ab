#pragma once
// The version check object of the preview components: tells whether the movie component is
// present and which version it is. Versions are 32-bit values holding one hexadecimal digit each
// for the major (bits 24-27), minor (bits 20-23) and fix (bits 16-19) numbers.
// Tests replace the answers through the static overrides below.
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <stdexcept>

namespace sl::preview {

// An error reported by a preview component; callers catch it and show message().
class ComponentError : public std::runtime_error
{
public:
    explicit ComponentError(const QString &message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

struct ComponentVersion
{
    int major = 0;
    int minor = 0;
    int fix = 0;
};

constexpr quint32 encodeComponentVersion(int major, int minor, int fix)
{
    return (quint32(major & 0xf) << 24) | (quint32(minor & 0xf) << 20) | (quint32(fix & 0xf) << 16);
}
ComponentVersion decodeComponentVersion(quint32 value);
// "major.minor.fix", e.g. "7.6.0".
QString componentVersionText(quint32 value);
// True from version 6.5.0 on: the value shifted right by 16 bits is at least 0x0650.
bool meetsPreviewMinimum(quint32 value);

class QuickTimeCheck
{
public:
    // The version reported when no test override is in force.
    static constexpr quint32 kDefaultVersion = encodeComponentVersion(7, 6, 0);

    // Throws ComponentError when a test made creation fail.
    QuickTimeCheck();

    // The availability query (the argument is passed on as given; callers pass 0).
    bool IsQuickTimeAvailable(int flags) const;
    // The version query.
    quint32 QTVersion() const;

    // The version the installed component reports, for the views' version texts (0 when none).
    static quint32 installedVersion();

    // Test overrides; each replaces the previous one. They last until clearTestOverride().
    static void setTestVersion(quint32 version);
    static void setTestUnavailable();
    static void setTestCreationFailure(const QString &message);
    static void clearTestOverride();

private:
    struct Override
    {
        bool available = true;
        quint32 version = kDefaultVersion;
        QString creationFailure;
    };
    static std::optional<Override> &testOverride();
};

// The version check of the preview commands: false, silently, when the component is missing;
// false after telling `tooOld` the version found when it is older than 6.5; otherwise whether
// its major version is at least `minMajor`. Throws ComponentError when the check object cannot
// be created.
bool checkQuickTimeVersion(int minMajor, const std::function<void(const ComponentVersion &found)> &tooOld);

} // namespace sl::preview
