#include "editors/LightTable.h"

#include "project/Values.h"

#include <QtGlobal>

#include <algorithm>
#include <climits>

namespace sl {

namespace {

int clampCount(int n)
{
    return std::clamp(n, 1, LightTable::kMaxCount);
}

// One step on a level of the sequence: 0 the next frame, 1 the next column's first frame, 2 the
// next row's first view, 3 the next viewstate's first cell. A number past INT_MAX gives a place
// no entry can have.
ImagePos stepOn(const ImagePos &p, int level)
{
    const auto up = [](int v) { return v == INT_MAX ? -1 : v + 1; };
    switch (level) {
    case 0: return {p.viewstate, p.row, p.column, up(p.frame)};
    case 1: return {p.viewstate, p.row, up(p.column), 0};
    case 2: return {p.viewstate, up(p.row), 0, 0};
    default: return {up(p.viewstate), 0, 0, 0};
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Object settings

ObjectSettings ObjectSettings::read(const Getter &get)
{
    ObjectSettings s;
    const auto number = [&](const char *key, const char *def) {
        return VarToIntDef0(get(QString::fromLatin1(key), QString::fromLatin1(def)));
    };
    s.frames = clampCount(number("object.animateframes", "1"));
    s.columnsAsRead = number("movie.htiles", "1");
    s.rowsAsRead = number("movie.vtiles", "1");
    s.columns = clampCount(s.columnsAsRead);
    s.rows = clampCount(s.rowsAsRead);
    s.viewstates = clampCount(number("object.state.count", "1"));
    const int limit = number("object.limithotspots", "0");
    s.limitHotspots = limit >= 0 && limit < 4 ? limit : -1;
    const auto state = [&](const char *key) {
        const qint64 v = qint64(number(key, "1")) - 1;
        return v >= 0 && v < s.viewstates ? int(v) : -1;
    };
    s.stateNormal = state("object.state.default");
    s.stateMouseDown = state("object.state.mousedown");
    const int animate = number("object.animate", "0");
    s.animate = animate >= 0 && animate <= 2 ? animate : -1;
    s.noLoop = number("object.animate.noloop", "0") == 1;
    s.restartEach = number("object.animate.restarteach", "0") == 1;
    s.frameRate = get(QStringLiteral("object.framerate"), QStringLiteral("1.0"));
    return s;
}

void ObjectSettings::write(const Setter &set) const
{
    const auto n = [](int v) { return QString::number(v); };
    const auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    set(QStringLiteral("object.animateframes"), n(frames), QString());
    set(QStringLiteral("movie.htiles"), n(columns), QStringLiteral("0"));
    set(QStringLiteral("movie.vtiles"), n(rows), QStringLiteral("0"));
    set(QStringLiteral("object.state.count"), n(viewstates), QString());
    set(QStringLiteral("object.state.default"), n(std::max(stateNormal, -1) + 1), QString());
    set(QStringLiteral("object.state.mousedown"), n(std::max(stateMouseDown, -1) + 1), QString());
    if (animate >= 0)
        set(QStringLiteral("object.animate"), n(animate), QStringLiteral("0"));
    set(QStringLiteral("object.animate.noloop"), flag(noLoop), QStringLiteral("0"));
    set(QStringLiteral("object.animate.restarteach"), flag(restartEach), QStringLiteral("0"));
    set(QStringLiteral("object.framerate"), frameRate, QStringLiteral("1.0"));
    if (limitHotspots >= 0)
        set(QStringLiteral("object.limithotspots"), n(limitHotspots), QString());
}

// ---------------------------------------------------------------------------------------------
// Counts and viewstates

bool LightTable::setCounts(int frames, int columns, int rows)
{
    frames = clampCount(frames);
    columns = clampCount(columns);
    rows = clampCount(rows);
    const bool changed = frames != m_frames || columns != m_columns || rows != m_rows;
    m_frames = frames;
    m_columns = columns;
    m_rows = rows;
    return changed;
}

void LightTable::setViewstateCount(int count)
{
    m_viewstates = clampCount(count);
    m_current = std::min(m_current, m_viewstates - 1);
}

void LightTable::setCurrentViewstate(int viewstate)
{
    m_current = std::clamp(viewstate, 0, m_viewstates - 1);
}

void LightTable::setWrapMode(int mode)
{
    m_wrap = std::clamp(mode, 0, 3);
}

bool LightTable::addViewstate()
{
    if (m_viewstates >= kMaxCount)
        return false;
    ++m_viewstates;
    m_current = m_viewstates - 1;
    return true;
}

bool LightTable::deleteViewstate()
{
    if (m_viewstates <= 1)
        return false;
    std::map<ImagePos, QString> kept;
    for (const auto &[pos, value] : m_entries) {
        if (pos.viewstate == m_current)
            continue;
        ImagePos p = pos;
        if (p.viewstate > m_current)
            --p.viewstate;
        kept[p] = value;
    }
    m_entries.swap(kept);
    --m_viewstates;
    m_current = m_viewstates - 1;
    m_undoEnabled = false;
    m_undo.clear();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Entries

QString LightTable::entry(const ImagePos &pos) const
{
    const auto it = m_entries.find(pos);
    return it == m_entries.end() ? QString() : it->second;
}

bool LightTable::hasEntry(const ImagePos &pos) const
{
    return m_entries.find(pos) != m_entries.end();
}

void LightTable::setEntry(const ImagePos &pos, const QString &value)
{
    if (value.isEmpty())
        m_entries.erase(pos);
    else
        m_entries[pos] = value;
}

bool LightTable::contains(const CellPos &cell) const
{
    return cell.isCell() && cell.frame < m_frames && cell.column < m_columns && cell.row < m_rows;
}

bool LightTable::inGrid(const ImagePos &pos) const
{
    return pos.viewstate >= 0 && pos.viewstate < m_viewstates && contains({pos.frame, pos.column, pos.row});
}

qint64 LightTable::cellIndex(const ImagePos &pos) const
{
    return cellIndex(CellPos{pos.frame, pos.column, pos.row});
}

qint64 LightTable::cellIndex(const CellPos &cell) const
{
    return (qint64(cell.row) * m_columns + cell.column) * m_frames + cell.frame;
}

CellPos LightTable::cellAt(qint64 index) const
{
    if (index < 0 || index >= qint64(m_frames) * m_columns * m_rows)
        return {};
    return {int(index % m_frames), int((index / m_frames) % m_columns), int(index / (qint64(m_frames) * m_columns))};
}

// ---------------------------------------------------------------------------------------------
// Cell order

CellPos LightTable::nextCell(const CellPos &cell) const
{
    if (!cell.isCell())
        return {};
    CellPos c = cell;
    if (++c.frame < m_frames)
        return c;
    c.frame = 0;
    if (++c.column < m_columns)
        return c;
    c.column = 0;
    if (++c.row < m_rows)
        return c;
    return {};
}

CellPos LightTable::prevCell(const CellPos &cell) const
{
    if (!cell.isCell())
        return {};
    CellPos c = cell;
    if (--c.frame >= 0)
        return c;
    c.frame = m_frames - 1;
    if (--c.column >= 0)
        return c;
    c.column = m_columns - 1;
    if (--c.row >= 0)
        return c;
    return {};
}

CellPos LightTable::findLastFilledCell() const
{
    // Entries of one viewstate are in cell order inside the grid; those outside are skipped.
    const auto first = m_entries.lower_bound({m_current, 0, 0, 0});
    auto it = m_entries.lower_bound({m_current + 1, 0, 0, 0});
    while (it != first) {
        --it;
        const ImagePos &p = it->first;
        if (p.viewstate == m_current && it->second != kEmptyCell && contains({p.frame, p.column, p.row}))
            return {p.frame, p.column, p.row};
    }
    return {};
}

CellPos LightTable::appendCell() const
{
    const CellPos last = findLastFilledCell();
    return last.isCell() ? nextCell(last) : CellPos{0, 0, 0};
}

void LightTable::removeCellShift(const ImagePos &start)
{
    ImagePos p = start;
    for (;;) {
        int level = 0;
        ImagePos next = stepOn(p, 0);
        while (!hasEntry(next) && level < m_wrap) {
            ++level;
            next = stepOn(p, level);
        }
        if (level >= m_wrap) {
            m_entries[p] = kEmptyCell;
            return;
        }
        m_entries[p] = m_entries[next];
        p = next;
    }
}

void LightTable::insertCellShift(const ImagePos &target)
{
    if (m_wrap == 0 || !inGrid(target))
        return;
    ImagePos end = target;
    end.frame = m_frames - 1;
    if (m_wrap > 1)
        end.column = m_columns - 1;
    if (m_wrap > 2)
        end.row = m_rows - 1;
    const qint64 first = cellIndex(target);
    const qint64 last = cellIndex(end);

    // Every cell after the target up to the end takes what its predecessor held (or loses its
    // line when the predecessor had none). Only entries matter, so only they are visited.
    std::vector<std::pair<qint64, QString>> moved;
    auto it = m_entries.lower_bound(target);
    while (it != m_entries.end() && !(end < it->first)) {
        const qint64 index = cellIndex(it->first);
        if (!inGrid(it->first) || index < first || index > last) {
            ++it;
            continue;
        }
        if (index < last)
            moved.emplace_back(index + 1, it->second);
        if (index > first)
            it = m_entries.erase(it);
        else
            ++it;
    }
    for (const auto &[index, value] : moved) {
        const CellPos cell = cellAt(index);
        m_entries[{target.viewstate, cell.row, cell.column, cell.frame}] = value;
    }
}

// ---------------------------------------------------------------------------------------------
// Drops and undo

void LightTable::drop(const DragItem &source, const DragItem &target)
{
    const bool fromCell = source.kind == DragItem::Cell && contains(source.cell);
    const bool fromSpare = source.kind == DragItem::SpareImage;
    if (!fromCell && !fromSpare)
        return;
    if (target.kind == DragItem::SpareArea) {
        if (fromCell) {
            setUndoEnabled();
            removeCellShift(posOf(source.cell));
        }
        return;
    }
    const bool toCell = target.kind == DragItem::Cell && contains(target.cell);
    const bool toSpare = target.kind == DragItem::SpareImage;
    if (!toCell && !toSpare)
        return;
    if ((fromCell && toCell && source.cell == target.cell) || (fromSpare && toSpare))
        return;

    setUndoEnabled();
    QString moved;
    if (fromCell) {
        moved = cellEntry(source.cell);
        if (moved.isEmpty())
            moved = kEmptyCell;
        removeCellShift(posOf(source.cell));
    }
    if (toCell) {
        const QString there = cellEntry(target.cell);
        if (!there.isEmpty() && there != kEmptyCell)
            insertCellShift(posOf(target.cell));
        if (fromSpare)
            moved = source.name;
        setEntry(posOf(target.cell), moved);
    }
}

void LightTable::setUndoEnabled()
{
    m_undo = m_entries;
    m_undoEnabled = true;
}

void LightTable::undo()
{
    if (!m_undoEnabled)
        return;
    m_entries = m_undo;
    m_undoEnabled = false;
}

// ---------------------------------------------------------------------------------------------
// Thumbnails

void LightTable::addThumbnail(const QString &name, const QImage &image)
{
    m_lastThumb.insert(name, int(m_thumbs.size()));
    m_thumbs.push_back({name, image});
}

const QImage *LightTable::thumbnail(const QString &name) const
{
    const auto it = m_lastThumb.constFind(name);
    return it == m_lastThumb.constEnd() ? nullptr : &m_thumbs.at(size_t(it.value())).image;
}

QList<int> LightTable::spareLines() const
{
    QHash<QString, int> uses;
    for (const auto &[pos, value] : m_entries)
        if (inGrid(pos) && m_lastThumb.contains(value))
            ++uses[value];
    QList<int> spare;
    for (int i = int(m_thumbs.size()) - 1; i >= 0; --i) {
        int &n = uses[m_thumbs.at(size_t(i)).name];
        if (n > 0)
            --n;
        else
            spare.append(i);
    }
    std::reverse(spare.begin(), spare.end());
    return spare;
}

void LightTable::clearImages()
{
    m_thumbs.clear();
    m_lastThumb.clear();
    m_entries.clear();
}

// ---------------------------------------------------------------------------------------------
// "Ok"

int LightTable::removeImageLines(ProjectList &project)
{
    int removed = 0;
    for (int i = project.count() - 1; i >= 0; --i) {
        if (isImageKey(ProjectList::lineName(project.line(i)).trimmed())) {
            project.removeAt(i);
            ++removed;
        }
    }
    return removed;
}

void LightTable::appendImageLines(ProjectList &project) const
{
    for (const auto &[pos, value] : m_entries)
        if (inGrid(pos))
            project.append(pos.key() + QLatin1Char('=') + value);
}

} // namespace sl
