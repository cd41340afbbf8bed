#pragma once
#include <QObject>

struct Profile;
class GameProcess;

// What Go!, Go/Exit and the batch script need from the rest of the window. The main window implements it; the
// launch never looks at another page's widgets.
class LaunchHost {
public:
    virtual ~LaunchHost() = default;
    // Every setting and the play list as they stand now.
    virtual const Profile& profile() const = 0;
    // The check before launch; false when the user chose Abort (nothing may be written or started then).
    virtual bool verifyPlayList() = 0;
    // QLevels.TXT, the profile's level file and the message file.
    virtual void writeLevelFiles() = 0;
    // Go/Exit ends the program after the launch.
    virtual void closeWindow() = 0;
    // Go! started the game (not Go/Exit); the process is the window's to keep.
    virtual void gameStarted(GameProcess* process) = 0;
};
