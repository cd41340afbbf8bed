#pragma once
// What Go! and Go/Exit do before the engine starts, in this order: the values the configuration script must carry,
// the check before launch, the level and message files, Velstrom.cfg, and the engine's command. The window and
// velstrom-cli both launch through it; what differs between them (who is asked about a missing level, how the
// message file is written and its warnings shown) is theirs to give. No widgets here.
#include "launch/GameCommandLine.h"

#include <QEventLoop>
#include <QString>

#include <optional>

class GameProcess;
class Installation;
struct Profile;

// The front end's part of a launch.
class LaunchSteps {
public:
    virtual ~LaunchSteps() = default;
    // Every setting and the play list as they stand now; after the check, without the levels it removed.
    virtual const Profile& profile() const = 0;
    // The check before launch; false when nothing may be written or started.
    virtual bool verifyPlayList() = 0;
    // QLevels.TXT, the profile's level file and the message file.
    virtual void writeLevelFiles() = 0;
};

struct PreparedLaunch {
    GameCommand command;
    QString shownAs;    // the engine's name, as messages name it
    QString workingDir; // the Quake 2 directory: the game's working directory
    QString logPath;    // where the server's output is kept

    // The command as messages quote it.
    QString commandLineText() const;
};

// Everything before the start; empty when the check said no (then nothing was written). A value the script cannot
// carry throws before anything is checked or written; the steps' own errors pass through.
std::optional<PreparedLaunch> prepareLaunch(const Installation& inst, LaunchSteps& steps);

// Runs the event loop (with `flags`) until `game` has run for server::StartupMs or has ended.
void waitForStart(GameProcess& game, QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);
