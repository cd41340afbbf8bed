#pragma once
#include <QObject>

#include <memory>

class EventSounds;
class GameProcess;
class LaunchHost;
class QLabel;
class QPushButton;
class QWidget;
struct PreparedLaunch;

// The launch's own controls.
struct LaunchPage {
    QWidget* window = nullptr; // parent of the message boxes
    QPushButton* goButton = nullptr;
    QPushButton* goExitButton = nullptr;
    QPushButton* createScriptButton = nullptr;
    QLabel* lblEngine = nullptr; // under the server type: which engine a launch would start
};

// Go!, Go/Exit and the batch script: the configuration script and the game's start, from the profile the host
// hands over; the host checks the play list and writes the level files and the message.
class LaunchController : public QObject {
    Q_OBJECT

public:
    LaunchController(const LaunchPage& page, LaunchHost& host, EventSounds& sounds, QObject* parent = nullptr);
    ~LaunchController() override;

    // Go! (`exitAfterwards` false) and Go/Exit. Go/Exit waits until the server has run for server::StartupMs (or
    // ended): one that stopped right after its start is reported and the program stays open.
    void goClicked(bool exitAfterwards);
    // Writes velstrom.sh beside the program and says so.
    void createScriptClicked();
    // Velstrom.cfg in the program directory.
    void writeServerConfig();

    // Shows which engine a server of this type would start (item 1 of the server type: dedicated).
    void updateEngineLabel(int serverType);

private:
    // From the Quake 2 directory, starts the engine for the profile, its output kept in server.log. Empty when it
    // could not be started (that has been reported).
    std::unique_ptr<GameProcess> launchGame(const PreparedLaunch& launch);
    // The error box for a server that stopped right after it started; false (and nothing shown) otherwise.
    bool reportStoppedAtStart(const GameProcess& game);

    LaunchPage m_page;
    LaunchHost& m_host;
    EventSounds& m_sounds;
};
