#pragma once
// The recent projects ("file0".."file4") and templates ("template0".."template4") in section
// "recent" of the settings store; slot 0 is the most recent, an empty slot is skipped.
#include <QList>
#include <QString>

#include <functional>

namespace sl {

class SettingsStore;

class RecentLists
{
public:
    enum Which { Projects, Templates };
    static constexpr int kSlots = 5;

    struct Entry
    {
        int slot = 0;
        QString path;     // as stored
        QString fileName; // without folder, for the start page's list
    };

    explicit RecentLists(SettingsStore &store) : m_store(store) {}

    // "file<slot>" / "template<slot>"
    static QString slotName(Which which, int slot);

    // The path stored in a slot now; empty for an empty or invalid slot.
    QString path(Which which, int slot) const;
    // The non-empty slots in slot order (menu items and list entries carry `slot`).
    QList<Entry> entries(Which which) const;

    // Moves `fileName` to slot 0: a path already listed (exact, case counts) leaves its slot,
    // the entries before it move down by one; otherwise every entry moves down and slot 4
    // drops out. Empty slots move like the others, and any further copy of the path is
    // cleared, so no path stands twice. Returns false when the store could not be written
    // (the store's lastError() says why); the writes stop at the first failure.
    bool addRecentFile(const QString &fileName, Which which);

    // "clear list": empties "file0".."file4"; the templates stay. False as above.
    bool clearProjects();

    // A click on a recent entry: reads the slot's path first, then asks `allow` (the close
    // query, which may save the project and so reorder the list), then hands the path read
    // at the click to `open`. Returns false when the slot was empty or `allow` refused.
    bool openSlot(Which which, int slot, const std::function<bool()> &allow,
                  const std::function<void(const QString &)> &open) const;

private:
    SettingsStore &m_store;
};

} // namespace sl
