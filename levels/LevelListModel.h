#pragma once
#include <QAbstractListModel>
#include <QCollator>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// A level name with its lookup key (levels::levelKey), computed once and carried along when the level
// moves from one list to the other.
struct LevelEntry {
    QString name;
    QString key;

    static LevelEntry fromName(const QString& name);
};

// One of the two level lists of the "Maps" page. Beside the names it keeps how many rows hold each key, so
// asking whether the list holds a level costs one hash lookup, whatever its length.
//
// A sorted list keeps its rows in the user's alphabetical order without regard to case (ties broken by the
// exact text, so the order never depends on the order of insertion); an unsorted one keeps the order of
// insertion. Bulk changes touch the views once: insertions at the end, and a layout change when rows land
// in their sorted places or leave from the middle, so the views keep their selection and current row on the
// rows that stay.
class LevelListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum class Order { Sorted, Insertion };

    explicit LevelListModel(Order order, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The tooltip of a level: where it comes from, asked when the tooltip is shown; none when empty.
    void setToolTips(std::function<QString(const QString& name)> source) { m_toolTips = std::move(source); }

    Order order() const { return m_order; }
    int count() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    const QString& at(int row) const { return m_entries.at(row).name; }
    const LevelEntry& entry(int row) const { return m_entries.at(row); }
    const QList<LevelEntry>& entries() const { return m_entries; }
    QStringList names() const;

    // Whether some row holds the same level (whole text, without regard to case).
    bool holds(const QString& name) const;
    bool holdsKey(const QString& key) const { return m_keyCount.contains(key); }
    // The first row holding the same level, or -1.
    int indexOf(const QString& name) const;

    // Adds one level: in its sorted place, or at the end. Returns its row.
    int add(const LevelEntry& entry);
    // Adds many levels as add() would one by one, with one notification.
    void addAll(QList<LevelEntry> entries);
    // Only for insertion order: a level at `row`.
    void insertAt(int row, const LevelEntry& entry);

    LevelEntry takeAt(int row);
    // Removes the given rows (any order, no repeats) with one notification.
    void removeRowList(QList<int> rows);
    // Empties the list and returns what it held, in order.
    QList<LevelEntry> takeAll();
    // Moves every level to `target`, as target.addAll(takeAll()) would.
    void moveAllTo(LevelListModel& target);
    // The same levels in another order. Views lose their selection.
    void rearrange(QList<LevelEntry> entries);
    void clear();
    // Replaces the whole content (sorted first, if this is a sorted list). Views lose their selection.
    void reset(QList<LevelEntry> entries);
    // The same, with the count of each key already made by the caller.
    void reset(QList<LevelEntry> entries, QHash<QString, int> keyCount);

    // Only for insertion order: exchange two rows' texts, or move a row elsewhere (views' selections follow
    // the moved row).
    void swapRows(int a, int b);
    void moveRowTo(int from, int to);

    // The order of a sorted list; true when `a` stands before `b`.
    bool lessThan(const LevelEntry& a, const LevelEntry& b) const;

private:
    void countIn(const LevelEntry& entry);
    void countOut(const LevelEntry& entry);
    void sortEntries(QList<LevelEntry>& entries) const;
    // Sorts by the collator alone.
    void collate(QList<LevelEntry>& entries) const;
    // Rearranges the rows by `newRowOfOld` (a permutation) as one layout change.
    void permute(QList<LevelEntry> reordered, const QList<int>& newRowOfOld);

    Order m_order;
    QCollator m_collator;
    // In the C locale the collator compares case-folded texts; the folded keys give that order directly.
    bool m_plainOrder = false;
    QList<LevelEntry> m_entries;
    QHash<QString, int> m_keyCount;
    std::function<QString(const QString&)> m_toolTips;
};
