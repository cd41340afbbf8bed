#pragma once
#include "levels/LevelListModel.h"

#include <QItemSelectionModel>
#include <QStringList>

#include <random>

// The rules of the two level lists, on their models and selections only: what the fill and load operations
// add, what the arrow and reordering buttons do to names and selections, and what leaves the play list when
// skipped levels are removed. The main window's controller adds focus, buttons, labels and files.
//
// The operations keep the rule that a level stands at most once in the two lists together.
class LevelLists {
public:
    enum class Side { Available, Play };

    LevelLists(LevelListModel& available, QItemSelectionModel& availableSelection, LevelListModel& play,
               QItemSelectionModel& playSelection);

    LevelListModel& model(Side side) { return side == Side::Available ? m_available : m_play; }
    QItemSelectionModel& selection(Side side) { return side == Side::Available ? m_availableSel : m_playSel; }
    static Side other(Side side) { return side == Side::Available ? Side::Play : Side::Available; }

    // Available Levels from scratch: first the names found as level files, then the id levels, each added
    // unless blank or already in either list. Levels to Play is not touched.
    void fillAvailable(const QStringList& fileLevelNames, const QStringList& idLevelNames = {});
    // The id levels that neither list holds, added to Available Levels.
    void addIdLevels(const QStringList& idLevelNames);
    // Every Available Levels item that is the same level as one of these names leaves that list.
    void removeIdLevels(const QStringList& idLevelNames);
    // The lines of a profile's level file: each one not blank and not yet in Levels to Play is appended
    // there, and leaves Available Levels. Returns how many lines were left out (blank, or already listed).
    int appendPlayList(const QStringList& lines);

    // Rows selected in a list, lowest first.
    QList<int> selectedRows(Side side) const;
    // The lowest selected row, or -1.
    int firstSelection(Side side) const;
    // Selects one item, adding it to the selection: -1 means the first, a row past the end the last.
    void selectItem(Side side, int row);

    // The selected items of `from`, last to first, to the other list (at the end of Levels to Play, in
    // their places in Available Levels). They arrive unselected; the target's selection stays.
    void moveSelected(Side from);
    // Every item of `from`, first to last, to the other list.
    void moveAll(Side from);

    // Move Up / Move Down: only the first selected item of Levels to Play moves, one place.
    void moveOnePlace(bool down);
    // Move to Top / Move to Bottom: the first selected item of Levels to Play.
    void moveToEnd(bool top);
    // A uniformly shuffled play order; nothing selected afterwards.
    void shuffle(std::mt19937_64& random);

    // Skipped levels chosen for removal, first to last: each one takes the first Levels to Play item of the
    // same level out of the play list (if any) and puts that item back into Available Levels unless that
    // list holds it already.
    void removeSkipped(const QStringList& chosen);

    void clear();

private:
    LevelListModel& m_available;
    QItemSelectionModel& m_availableSel;
    LevelListModel& m_play;
    QItemSelectionModel& m_playSel;
};
