#pragma once
#include "levels/LevelListModel.h"
#include "levels/LevelLists.h"

#include <QObject>
#include <QStringList>

#include <memory>

class QListView;
class TfrmSkipList;
class Tmainform;

// The "Maps" page: the two level lists, their editing, skipped levels, verification and the title display.
class LevelsController : public QObject {
    Q_OBJECT

public:
    explicit LevelsController(Tmainform& form);
    ~LevelsController() override;

    // Operations the other parts of the window use.
    void createDialogs();
    void LoadPlayList();
    void FillAvailableLevels();
    void AddIdLevels();
    void RemoveIdLevels();
    void SetButtons();
    void UpdateListTotals();
    bool ProcessSkippedLevels();
    void ckOrigLevelsClick();
    void VerifyPlayList();
    void clearLists();
    QStringList playList() const;

    // Handlers of the page's controls.
    void BitBtn1Click();
    void IncludeBtnClick();
    void ExcludeBtnClick();
    void IncAllBtnClick();
    void ExcAllBtnClick();
    // Move Up and Move Down: the sender decides the direction.
    void bbtnMoveUpClick(QObject* sender);
    void bbtnMovetoTopClick();
    void bbtnMovetoBottomClick();
    void bbtnRandomizeClick();
    void btnDelSkippedClick();
    // The pointer moved over a list's items; x and y are in the list's client area.
    void ListMouseMove(QObject* sender, Qt::KeyboardModifiers shift, int x, int y);

    void MoveSelected(QListView* source, QListView* target);
    int GetFirstSelection(QListView* list) const;
    void SetItem(QListView* list, int index);

    LevelListModel& availableLevels() { return m_available; }
    LevelListModel& levelsToPlay() { return m_play; }
    TfrmSkipList& skipListDialog();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool idLevelsShown() const;
    QListView* listView(LevelLists::Side side) const;
    LevelLists::Side sideOf(const QListView* list) const;
    void moveAcross(QListView* source);
    void moveAllAcross(QListView* source);

    Tmainform& m_form;
    LevelListModel m_available{LevelListModel::Order::Sorted};
    LevelListModel m_play{LevelListModel::Order::Insertion};
    std::unique_ptr<LevelLists> m_lists;
    TfrmSkipList* m_skipList = nullptr; // a child of the main window
};
