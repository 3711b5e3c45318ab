#include "project/RecentLists.h"

#include "platform/settings/SettingsStore.h"

#include <QFileInfo>

namespace sl {

QString RecentLists::slotName(Which which, int slot)
{
    return (which == Templates ? QStringLiteral("template") : QStringLiteral("file"))
           + QString::number(slot);
}

QString RecentLists::path(Which which, int slot) const
{
    if (slot < 0 || slot >= kSlots)
        return QString();
    return m_store.readText(settings::kSectionRecent, slotName(which, slot), QString());
}

QList<RecentLists::Entry> RecentLists::entries(Which which) const
{
    QList<Entry> result;
    for (int slot = 0; slot < kSlots; ++slot) {
        const QString p = path(which, slot);
        if (!p.isEmpty())
            result.append({slot, p, QFileInfo(p).fileName()});
    }
    return result;
}

bool RecentLists::addRecentFile(const QString &fileName, Which which)
{
    QString stored[kSlots];
    int p = kSlots - 1;
    for (int i = 0; i < kSlots; ++i) {
        stored[i] = path(which, i);
        if (!stored[i].isEmpty() && stored[i] == fileName)
            p = i; // the last copy counts
    }
    QString next[kSlots];
    for (int i = 0; i < kSlots; ++i)
        next[i] = stored[i];
    for (int j = p - 1; j >= 0; --j)
        next[j + 1] = stored[j];
    next[0] = fileName;
    for (int i = 1; i < kSlots; ++i)
        if (next[i] == fileName)
            next[i].clear();

    for (int i = 0; i < kSlots; ++i)
        if ((next[i] != stored[i] || i == 0)
            && !m_store.writeText(settings::kSectionRecent, slotName(which, i), next[i]))
            return false;
    return true;
}

bool RecentLists::clearProjects()
{
    for (int i = 0; i < kSlots; ++i)
        if (!m_store.writeText(settings::kSectionRecent, slotName(Projects, i), QString()))
            return false;
    return true;
}

bool RecentLists::openSlot(Which which, int slot, const std::function<bool()> &allow,
                           const std::function<void(const QString &)> &open) const
{
    const QString p = path(which, slot);
    if (p.isEmpty())
        return false;
    if (allow && !allow())
        return false;
    if (open)
        open(p);
    return true;
}

} // namespace sl
