#include "preview/model/QuickTimeCheck.h"

namespace sl::preview {

ComponentError::ComponentError(const QString &message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{
}

ComponentVersion decodeComponentVersion(quint32 value)
{
    return {int((value >> 24) & 0xf), int((value >> 20) & 0xf), int((value >> 16) & 0xf)};
}

QString componentVersionText(quint32 value)
{
    const ComponentVersion v = decodeComponentVersion(value);
    return QStringLiteral("%1.%2.%3").arg(v.major).arg(v.minor).arg(v.fix);
}

bool meetsPreviewMinimum(quint32 value)
{
    return (value >> 16) >= 0x0650u;
}

std::optional<QuickTimeCheck::Override> &QuickTimeCheck::testOverride()
{
    static std::optional<Override> value;
    return value;
}

QuickTimeCheck::QuickTimeCheck()
{
    const auto &o = testOverride();
    if (o && !o->creationFailure.isEmpty())
        throw ComponentError(o->creationFailure);
}

bool QuickTimeCheck::IsQuickTimeAvailable(int) const
{
    const auto &o = testOverride();
    return !o || o->available;
}

quint32 QuickTimeCheck::QTVersion() const
{
    return installedVersion();
}

quint32 QuickTimeCheck::installedVersion()
{
    const auto &o = testOverride();
    if (!o)
        return kDefaultVersion;
    return o->available ? o->version : 0;
}

void QuickTimeCheck::setTestVersion(quint32 version)
{
    testOverride() = Override{true, version, {}};
}

void QuickTimeCheck::setTestUnavailable()
{
    testOverride() = Override{false, 0, {}};
}

void QuickTimeCheck::setTestCreationFailure(const QString &message)
{
    testOverride() = Override{false, 0, message};
}

void QuickTimeCheck::clearTestOverride()
{
    testOverride().reset();
}

bool checkQuickTimeVersion(int minMajor, const std::function<void(const ComponentVersion &found)> &tooOld)
{
    const QuickTimeCheck check;
    if (!check.IsQuickTimeAvailable(0))
        return false;
    const quint32 version = check.QTVersion();
    const ComponentVersion found = decodeComponentVersion(version);
    if (!meetsPreviewMinimum(version)) {
        if (tooOld)
            tooOld(found);
        return false;
    }
    return found.major >= minMajor;
}

} // namespace sl::preview
