#pragma once
#include "levels/GameLevels.h"
#include "levels/LevelListModel.h"
#include "levels/LevelLists.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class EventSounds;
class QCheckBox;
class QLabel;
class QListView;
class QPushButton;
class QWidget;
class SkippedLevelsDialog;
struct Profile;
struct SessionState;

// The controls of the "Maps" page, and the labels elsewhere that show its totals.
struct LevelsPage {
    QWidget* window = nullptr; // parent of the dialogs and message boxes
    QListView* lstAvailable = nullptr;
    QListView* lstToPlay = nullptr;
    QLabel* lblSrcMapDesc = nullptr;
    QLabel* lblDstMapDesc = nullptr;
    QPushButton* includeButton = nullptr;
    QPushButton* includeAllButton = nullptr;
    QPushButton* excludeButton = nullptr;
    QPushButton* excludeAllButton = nullptr;
    QPushButton* refreshButton = nullptr;
    QPushButton* moveUpButton = nullptr;
    QPushButton* moveDownButton = nullptr;
    QPushButton* moveToTopButton = nullptr;
    QPushButton* moveToBottomButton = nullptr;
    QPushButton* randomizeButton = nullptr;
    QPushButton* removeSkippedButton = nullptr;
    QCheckBox* ckOrigLevels = nullptr;
    QLabel* lblMapsCount = nullptr;
    QLabel* lblTotalTime = nullptr;
    QLabel* lblMaptabTotalTime = nullptr;
};

// What the check before launch decided.
enum class VerifyResult {
    None,     // nothing asked yet
    YesToAll, // remove every missing level without asking again
    Yes,
    No,
    Abort, // stop: nothing is written or started
};

// The "Maps" page: the two level lists, their editing, skipped levels, verification and the title display.
class LevelsController : public QObject {
    Q_OBJECT

public:
    // `profile` is the window's live settings: the profile's name, the time limit and "auto-remove" are read there.
    LevelsController(const LevelsPage& page, const Profile& profile, const SessionState& state, EventSounds& sounds);
    ~LevelsController() override;

    // Whose rules decide which levels the server finds (the engine the launch would start); asked whenever the
    // game's folders are read. Without it, every archive either engine reads counts.
    void setLevelSearch(std::function<levels::LevelSearch()> search) { m_levelSearch = std::move(search); }
    // The game's levels as last read (at the last fill of Available Levels or check before launch).
    const levels::GameLevels& gameLevels();

    // Operations the other parts of the window use.
    void createDialogs();
    void loadPlayList();
    void fillAvailableLevels();
    void addIdLevels();
    void removeIdLevels();
    void updateButtons();
    void updateListTotals();
    bool processSkippedLevels();
    void showIdLevelsClicked();
    // The check before launch; the answer is in verifyResult().
    void verifyPlayList();
    VerifyResult verifyResult() const { return m_verifyResult; }
    void clearLists();
    // Empties both title labels.
    void clearTitles();
    QStringList playList() const;
    // The profile's level file must be left as it is: it exists but could not be read, or it held lines the
    // play list left out, and the user has not changed the list since.
    bool keepProfileLevelsFile() const { return m_keepProfileLevelsFile; }

    // Handlers of the page's controls.
    void refreshClicked();
    void includeClicked();
    void excludeClicked();
    void includeAllClicked();
    void excludeAllClicked();
    // Move Up and Move Down: the sender decides the direction.
    void moveUpOrDownClicked(QObject* sender);
    void moveToTopClicked();
    void moveToBottomClicked();
    void randomizeClicked();
    void removeSkippedClicked();
    // The pointer moved over a list's items; x and y are in the list's client area.
    void listMouseMoved(QObject* sender, Qt::KeyboardModifiers shift, int x, int y);

    void moveSelected(QListView* source, QListView* target);
    int firstSelection(QListView* list) const;
    void selectItem(QListView* list, int index);

    LevelListModel& availableLevels() { return m_available; }
    LevelListModel& levelsToPlay() { return m_play; }
    SkippedLevelsDialog& skipListDialog();

    // The title display's guard against re-entry and the item it shows.
    bool hoverBusy() const { return m_hoverBusy; }
    int lastHoverIndex() const { return m_lastHoverIndex; }
    void setLastHoverIndex(int index) { m_lastHoverIndex = index; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool idLevelsShown() const;
    // The names of maps.lst (the loose one, else the one inside an archive); none when it is too large to read.
    QStringList idLevelNames();
    // Reads the game's folders afresh.
    const levels::GameLevels& rescanGameLevels();
    QListView* listView(LevelLists::Side side) const;
    LevelLists::Side sideOf(const QListView* list) const;
    void moveAcross(QListView* source);
    void moveAllAcross(QListView* source);

    LevelsPage m_page;
    const Profile& m_profile;
    const SessionState& m_state;
    EventSounds& m_sounds;
    VerifyResult m_verifyResult = VerifyResult::None;
    bool m_hoverBusy = false;
    bool m_keepProfileLevelsFile = false;
    int m_lastHoverIndex = -1;
    LevelListModel m_available{LevelListModel::Order::Sorted};
    LevelListModel m_play{LevelListModel::Order::Insertion};
    std::unique_ptr<LevelLists> m_lists;
    SkippedLevelsDialog* m_skipList = nullptr; // a child of the main window
    std::function<levels::LevelSearch()> m_levelSearch;
    levels::GameLevels m_game;
};
