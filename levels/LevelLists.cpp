#include "levels/LevelLists.h"

#include "levels/LevelCatalogue.h"

#include <QSet>

#include <algorithm>

namespace {

// Rows of `model` taken by a run of "delete the first item of this level" requests: `requests` says how
// many times each key was asked for. Lowest row first.
QList<int> firstMatches(const LevelListModel& model, QHash<QString, int> requests)
{
    QList<int> rows;
    if (requests.isEmpty())
        return rows;
    for (int row = 0; row < model.count(); ++row) {
        const auto it = requests.find(model.entry(row).key);
        if (it != requests.end() && it.value() > 0) {
            rows.append(row);
            if (--it.value() == 0) {
                requests.erase(it);
                if (requests.isEmpty())
                    break;
            }
        }
    }
    return rows;
}

} // namespace

LevelLists::LevelLists(LevelListModel& available, QItemSelectionModel& availableSelection, LevelListModel& play,
                       QItemSelectionModel& playSelection)
    : m_available(available), m_availableSel(availableSelection), m_play(play), m_playSel(playSelection)
{
}

void LevelLists::fillAvailable(const QStringList& fileLevelNames, const QStringList& idLevelNames)
{
    const levels::LevelKeyFolder fold;
    QHash<QString, int> added; // becomes the list's key count
    added.reserve(fileLevelNames.size() + idLevelNames.size());
    QList<LevelEntry> entries;
    entries.reserve(fileLevelNames.size() + idLevelNames.size());
    for (const QStringList* names : {&fileLevelNames, &idLevelNames})
        for (const QString& name : *names) {
            if (levels::isBlankLevelName(name))
                continue;
            QString key = fold(name);
            if (m_play.holdsKey(key))
                continue;
            int& count = added[key];
            if (count > 0)
                continue;
            count = 1;
            entries.append(LevelEntry{name, std::move(key)});
        }
    m_available.reset(std::move(entries), std::move(added));
}

void LevelLists::addIdLevels(const QStringList& idLevelNames)
{
    const levels::LevelKeyFolder fold;
    QSet<QString> seen;
    QList<LevelEntry> entries;
    for (const QString& name : idLevelNames) {
        if (levels::isBlankLevelName(name))
            continue;
        QString key = fold(name);
        if (m_available.holdsKey(key) || m_play.holdsKey(key) || seen.contains(key))
            continue;
        seen.insert(key);
        entries.append(LevelEntry{name, std::move(key)});
    }
    m_available.addAll(std::move(entries));
}

void LevelLists::removeIdLevels(const QStringList& idLevelNames)
{
    const levels::LevelKeyFolder fold;
    QHash<QString, int> requests;
    for (const QString& name : idLevelNames) {
        const QString key = fold(name);
        if (m_available.holdsKey(key))
            ++requests[key];
    }
    m_available.removeRowList(firstMatches(m_available, requests));
}

int LevelLists::appendPlayList(const QStringList& lines)
{
    int leftOut = 0;
    const levels::LevelKeyFolder fold;
    QSet<QString> appended;
    QList<LevelEntry> entries;
    QHash<QString, int> leaving;
    for (const QString& line : lines) {
        QString key = fold(line);
        if (m_available.holdsKey(key))
            ++leaving[key];
        if (m_play.holdsKey(key) || appended.contains(key) || levels::isBlankLevelName(line)) {
            ++leftOut;
            continue;
        }
        appended.insert(key);
        entries.append(LevelEntry{line, std::move(key)});
    }
    m_play.addAll(std::move(entries));
    m_available.removeRowList(firstMatches(m_available, leaving));
    return leftOut;
}

QList<int> LevelLists::selectedRows(Side side) const
{
    QList<int> rows;
    const QItemSelection ranges = (side == Side::Available ? m_availableSel : m_playSel).selection();
    for (const QItemSelectionRange& range : ranges)
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int LevelLists::firstSelection(Side side) const
{
    int first = -1;
    const QItemSelection ranges = (side == Side::Available ? m_availableSel : m_playSel).selection();
    for (const QItemSelectionRange& range : ranges)
        if (first < 0 || range.top() < first)
            first = range.top();
    return first;
}

void LevelLists::selectItem(Side side, int row)
{
    LevelListModel& list = model(side);
    if (list.isEmpty())
        return;
    row = std::clamp(row, 0, list.count() - 1);
    const QModelIndex index = list.index(row);
    selection(side).select(index, QItemSelectionModel::Select);
    selection(side).setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void LevelLists::moveSelected(Side from)
{
    const QList<int> rows = selectedRows(from);
    if (rows.isEmpty())
        return;
    LevelListModel& source = model(from);
    QList<LevelEntry> moving;
    moving.reserve(rows.size());
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        moving.append(source.entry(*it));
    source.removeRowList(rows);
    model(other(from)).addAll(std::move(moving));
}

void LevelLists::moveAll(Side from)
{
    model(from).moveAllTo(model(other(from)));
}

void LevelLists::moveOnePlace(bool down)
{
    int k = firstSelection(Side::Play);
    if (down)
        k = k < m_play.count() - 1 ? k + 1 : -1;
    if (k <= 0)
        return;
    m_play.swapRows(k - 1, k);
    m_playSel.select(QItemSelection(m_play.index(k - 1), m_play.index(k)), QItemSelectionModel::Deselect);
    const QModelIndex moved = m_play.index(down ? k : k - 1);
    m_playSel.select(moved, QItemSelectionModel::Select);
    m_playSel.setCurrentIndex(moved, QItemSelectionModel::NoUpdate);
}

void LevelLists::moveToEnd(bool top)
{
    const int k = firstSelection(Side::Play);
    if (k < 0)
        return;
    const int target = top ? 0 : m_play.count() - 1;
    m_play.moveRowTo(k, target);
    const QModelIndex moved = m_play.index(target);
    m_playSel.select(moved, QItemSelectionModel::Select);
    m_playSel.setCurrentIndex(moved, QItemSelectionModel::NoUpdate);
}

void LevelLists::shuffle(std::mt19937_64& random)
{
    if (m_play.isEmpty())
        return;
    // Each place, from the last to the first, takes one of the levels not yet placed, each equally likely:
    // a uniformly random order.
    QList<LevelEntry> order = m_play.entries();
    for (qsizetype i = order.size() - 1; i > 0; --i) {
        std::uniform_int_distribution<qsizetype> pick(0, i);
        std::swap(order[i], order[pick(random)]);
    }
    m_play.rearrange(std::move(order));
}

void LevelLists::removeSkipped(const QStringList& chosen)
{
    const levels::LevelKeyFolder fold;
    QHash<QString, int> requests;
    for (const QString& name : chosen) {
        const QString key = fold(name);
        if (m_play.holdsKey(key))
            ++requests[key];
    }
    const QList<int> rows = firstMatches(m_play, requests);
    if (rows.isEmpty())
        return;
    QSet<QString> back;
    QList<LevelEntry> returning;
    for (const int row : rows) {
        const LevelEntry& e = m_play.entry(row);
        if (m_available.holdsKey(e.key) || back.contains(e.key))
            continue;
        back.insert(e.key);
        returning.append(e);
    }
    m_play.removeRowList(rows);
    m_available.addAll(std::move(returning));
}

void LevelLists::clear()
{
    m_available.clear();
    m_play.clear();
}
