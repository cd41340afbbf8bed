#include "levels/LevelListModel.h"

#include "levels/LevelCatalogue.h"

#include <QLocale>

#include <algorithm>
#include <iterator>
#include <numeric>
#include <string_view>

namespace {

// The order of the UTF-16 code units, as QString::compare gives it, compared inline: sorting calls this
// hundreds of thousands of times.
int compareUnits(const QString& a, const QString& b)
{
    return std::u16string_view(QStringView(a).utf16(), size_t(a.size()))
        .compare(std::u16string_view(QStringView(b).utf16(), size_t(b.size())));
}

bool keyOrder(const LevelEntry& a, const LevelEntry& b)
{
    const int c = compareUnits(a.key, b.key);
    return c != 0 ? c < 0 : compareUnits(a.name, b.name) < 0;
}

} // namespace

LevelEntry LevelEntry::fromName(const QString& name)
{
    return LevelEntry{name, levels::levelKey(name)};
}

LevelListModel::LevelListModel(Order order, QObject* parent)
    : QAbstractListModel(parent), m_order(order), m_collator(QLocale())
{
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    m_plainOrder = m_collator.locale().language() == QLocale::C;
}

int LevelListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant LevelListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    if (role == Qt::ToolTipRole && m_toolTips) {
        const QString tip = m_toolTips(m_entries.at(index.row()).name);
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return m_entries.at(index.row()).name;
}

QStringList LevelListModel::names() const
{
    QStringList list;
    list.reserve(m_entries.size());
    for (const LevelEntry& e : m_entries)
        list.append(e.name);
    return list;
}

bool LevelListModel::holds(const QString& name) const
{
    return holdsKey(levels::levelKey(name));
}

int LevelListModel::indexOf(const QString& name) const
{
    const QString key = levels::levelKey(name);
    if (!holdsKey(key))
        return -1;
    for (int row = 0; row < count(); ++row)
        if (m_entries.at(row).key == key)
            return row;
    return -1;
}

bool LevelListModel::lessThan(const LevelEntry& a, const LevelEntry& b) const
{
    if (m_plainOrder)
        return keyOrder(a, b);
    const int c = m_collator.compare(a.name, b.name);
    return c != 0 ? c < 0 : compareUnits(a.name, b.name) < 0;
}

void LevelListModel::sortEntries(QList<LevelEntry>& entries) const
{
    const auto less = [this](const LevelEntry& a, const LevelEntry& b) { return lessThan(a, b); };
    // Levels often come back in the order they left in ("<<" after ">>"); a random order fails this at once.
    if (std::is_sorted(entries.cbegin(), entries.cend(), less))
        return;
    if (m_plainOrder || entries.size() < 64) {
        std::stable_sort(entries.begin(), entries.end(), less);
        return;
    }

    // The locale's collation costs far more than comparing the folded keys, and for ordinary level names
    // (letters, digits, a few marks) it mostly agrees with them. So: order by the keys, keep the run of
    // levels that the collation agrees with, collate only the others, and merge the two.
    std::sort(entries.begin(), entries.end(), keyOrder);
    QList<LevelEntry> kept;
    QList<LevelEntry> others;
    kept.reserve(entries.size());
    for (LevelEntry& e : entries) {
        if (kept.isEmpty() || !lessThan(e, kept.last()))
            kept.append(std::move(e));
        else
            others.append(std::move(e));
    }
    collate(others);
    entries.clear();
    entries.reserve(kept.size() + others.size());
    std::merge(std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()),
               std::make_move_iterator(others.begin()), std::make_move_iterator(others.end()),
               std::back_inserter(entries), less);
}

void LevelListModel::collate(QList<LevelEntry>& entries) const
{
    if (entries.size() < 64) {
        std::stable_sort(entries.begin(), entries.end(),
                         [this](const LevelEntry& a, const LevelEntry& b) { return lessThan(a, b); });
        return;
    }
    // Many names: collate each one once into a sort key, which compares as the collator does.
    QList<QCollatorSortKey> keys;
    keys.reserve(entries.size());
    for (const LevelEntry& e : entries)
        keys.append(m_collator.sortKey(e.name));
    QList<int> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        const int c = keys.at(x).compare(keys.at(y));
        return c != 0 ? c < 0 : compareUnits(entries.at(x).name, entries.at(y).name) < 0;
    });
    QList<LevelEntry> sorted;
    sorted.reserve(entries.size());
    for (const int i : order)
        sorted.append(std::move(entries[i]));
    entries = std::move(sorted);
}

void LevelListModel::countIn(const LevelEntry& entry)
{
    ++m_keyCount[entry.key];
}

void LevelListModel::countOut(const LevelEntry& entry)
{
    const auto it = m_keyCount.find(entry.key);
    if (it == m_keyCount.end())
        return;
    if (--it.value() <= 0)
        m_keyCount.erase(it);
}

int LevelListModel::add(const LevelEntry& entry)
{
    int row = count();
    if (m_order == Order::Sorted) {
        // After any equal rows, as a sorted list box inserts.
        const auto it = std::upper_bound(m_entries.cbegin(), m_entries.cend(), entry,
                                         [this](const LevelEntry& a, const LevelEntry& b) { return lessThan(a, b); });
        row = int(it - m_entries.cbegin());
    }
    beginInsertRows(QModelIndex(), row, row);
    m_entries.insert(row, entry);
    countIn(entry);
    endInsertRows();
    return row;
}

void LevelListModel::addAll(QList<LevelEntry> entries)
{
    if (entries.isEmpty())
        return;
    if (m_order == Order::Sorted)
        sortEntries(entries);
    const int old = count();
    const int added = int(entries.size());

    // Into the end first; a sorted list then merges the new rows into their places in one layout change.
    beginInsertRows(QModelIndex(), old, old + added - 1);
    m_entries.reserve(old + added);
    for (const LevelEntry& e : entries) {
        m_entries.append(e);
        countIn(e);
    }
    endInsertRows();
    if (m_order == Order::Insertion || old == 0)
        return;

    QList<LevelEntry> merged;
    merged.reserve(old + added);
    QList<int> newRowOfOld(old + added);
    int i = 0;
    int j = old;
    while (i < old || j < old + added) {
        // An equal new row goes after the old ones, as add() would put it.
        const bool takeNew = i >= old || (j < old + added && lessThan(m_entries.at(j), m_entries.at(i)));
        const int from = takeNew ? j++ : i++;
        newRowOfOld[from] = int(merged.size());
        merged.append(std::move(m_entries[from]));
    }
    permute(std::move(merged), newRowOfOld);
}

void LevelListModel::insertAt(int row, const LevelEntry& entry)
{
    Q_ASSERT(m_order == Order::Insertion);
    row = std::clamp(row, 0, count());
    beginInsertRows(QModelIndex(), row, row);
    m_entries.insert(row, entry);
    countIn(entry);
    endInsertRows();
}

LevelEntry LevelListModel::takeAt(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    LevelEntry entry = m_entries.takeAt(row);
    countOut(entry);
    endRemoveRows();
    return entry;
}

void LevelListModel::removeRowList(QList<int> rows)
{
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end());
    const int first = rows.front();
    const int last = rows.back();
    if (last - first + 1 == rows.size()) {
        beginRemoveRows(QModelIndex(), first, last);
        for (int row = first; row <= last; ++row)
            countOut(m_entries.at(row));
        m_entries.remove(first, last - first + 1);
        endRemoveRows();
        return;
    }

    // Scattered rows: gather them at the end in one layout change, then drop the tail in one removal.
    const int total = count();
    const int kept = total - int(rows.size());
    QList<LevelEntry> reordered;
    reordered.reserve(total);
    QList<int> newRowOfOld(total);
    QList<bool> removed(total, false);
    for (const int row : rows)
        removed[row] = true;
    int tail = kept;
    for (int row = 0; row < total; ++row)
        if (!removed[row]) {
            newRowOfOld[row] = int(reordered.size());
            reordered.append(std::move(m_entries[row]));
        } else {
            newRowOfOld[row] = tail++;
        }
    for (const int row : rows)
        reordered.append(std::move(m_entries[row]));
    permute(std::move(reordered), newRowOfOld);

    beginRemoveRows(QModelIndex(), kept, total - 1);
    for (int row = kept; row < total; ++row)
        countOut(m_entries.at(row));
    m_entries.resize(kept);
    endRemoveRows();
}

QList<LevelEntry> LevelListModel::takeAll()
{
    QList<LevelEntry> all;
    beginResetModel();
    all.swap(m_entries);
    m_keyCount.clear();
    endResetModel();
    return all;
}

void LevelListModel::moveAllTo(LevelListModel& target)
{
    if (isEmpty() || &target == this)
        return;
    QList<LevelEntry> all;
    QHash<QString, int> counts;
    beginResetModel();
    all.swap(m_entries);
    counts.swap(m_keyCount);
    endResetModel();
    // Into an empty list the key counts go along as they are.
    if (target.isEmpty())
        target.reset(std::move(all), std::move(counts));
    else
        target.addAll(std::move(all));
}

void LevelListModel::rearrange(QList<LevelEntry> entries)
{
    Q_ASSERT(entries.size() == m_entries.size());
    beginResetModel();
    m_entries = std::move(entries);
    endResetModel();
}

void LevelListModel::clear()
{
    takeAll();
}

void LevelListModel::reset(QList<LevelEntry> entries)
{
    QHash<QString, int> keyCount;
    keyCount.reserve(entries.size());
    for (const LevelEntry& e : entries)
        ++keyCount[e.key];
    reset(std::move(entries), std::move(keyCount));
}

void LevelListModel::reset(QList<LevelEntry> entries, QHash<QString, int> keyCount)
{
    if (m_order == Order::Sorted)
        sortEntries(entries);
    beginResetModel();
    m_entries = std::move(entries);
    m_keyCount = std::move(keyCount);
    endResetModel();
}

void LevelListModel::swapRows(int a, int b)
{
    Q_ASSERT(m_order == Order::Insertion);
    if (a == b)
        return;
    m_entries.swapItemsAt(a, b);
    const QModelIndex ia = index(a);
    const QModelIndex ib = index(b);
    Q_EMIT dataChanged(ia, ia, {Qt::DisplayRole});
    Q_EMIT dataChanged(ib, ib, {Qt::DisplayRole});
}

void LevelListModel::moveRowTo(int from, int to)
{
    Q_ASSERT(m_order == Order::Insertion);
    if (from == to)
        return;
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    m_entries.move(from, to);
    endMoveRows();
}

void LevelListModel::permute(QList<LevelEntry> reordered, const QList<int>& newRowOfOld)
{
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_entries = std::move(reordered);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(index.row() < newRowOfOld.size() ? createIndex(newRowOfOld.at(index.row()), 0) : QModelIndex());
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
