#pragma once
#include "launch/LaunchSequence.h"

class GameProcess;

// What Go!, Go/Exit and the batch script need from the rest of the window: the launch's steps (the profile, the
// check before launch with its dialog, the level files and the message), and what happens after the start. The
// main window implements it; the launch never looks at another page's widgets.
class LaunchHost : public LaunchSteps {
public:
    // Go/Exit ends the program after the launch.
    virtual void closeWindow() = 0;
    // Go! started the game (not Go/Exit); the process is the window's to keep.
    virtual void gameStarted(GameProcess* process) = 0;
};
