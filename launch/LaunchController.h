#pragma once
#include <QObject>

class EventSounds;
class LaunchHost;
class QLabel;
class QPushButton;
class QWidget;

// The launch's own controls.
struct LaunchPage {
    QWidget* window = nullptr; // parent of the message boxes
    QPushButton* bbtnGo = nullptr;
    QPushButton* btnGoClose = nullptr;
    QPushButton* bbtnCreateVELBatFile = nullptr;
    QLabel* lblEngine = nullptr; // under the server type: which engine a launch would start
};

// Go!, Go/Exit and the batch script: the configuration script and the game's start, from the profile the host
// hands over; the host checks the play list and writes the level files and the message.
class LaunchController : public QObject {
    Q_OBJECT

public:
    LaunchController(const LaunchPage& page, LaunchHost& host, EventSounds& sounds, QObject* parent = nullptr);
    ~LaunchController() override;

    // Go! (`exitAfterwards` false) and Go/Exit.
    void GoBtnClick(bool exitAfterwards);
    // Writes velstrom.sh beside the program and says so.
    void bbtnCreateVELBatFileClick();
    // Velstrom.cfg in the program directory.
    void WriteServerConfig();

    // Shows which engine a server of this type would start (item 1 of the server type: dedicated).
    void updateEngineLabel(int serverType);

private:
    // From the Quake 2 directory, start the engine for the profile; Go! keeps an eye on it, Go/Exit does not.
    void LaunchGame(bool watch);

    LaunchPage m_page;
    LaunchHost& m_host;
    EventSounds& m_sounds;
};
