#pragma once
#include <memory>

class QLockFile;
class MainWindow;

// One copy of the program a program directory: two would overwrite each other's profiles. Returns the held lock,
// or nullptr after telling the user that another copy runs from here. A lock left by a copy that died does not
// count; a directory where no lock can be made at all does not stop the program.
std::unique_ptr<QLockFile> lockProgramDirectory();

// The program's start: the main window, its dialogs, the check for the game and the first fill of the lists.
// Returns the main window, shown; the caller runs the event loop.
MainWindow* startVelstrom();

// The missing-game warning with its offer to open the readme; true when it was shown.
bool warnIfGameMissing();

// Puts the window in the middle of its screen.
void centreOnScreen(MainWindow& window);
