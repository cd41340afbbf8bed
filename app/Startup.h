#pragma once

class Tmainform;

// The program's start: the main window, its dialogs, the check for the game and the first fill of the lists.
// Returns the main window, shown; the caller runs the event loop.
Tmainform* startVelstrom();

// The missing-game warning with its offer to open the readme; true when it was shown.
bool warnIfGameMissing();

// Puts the window in the middle of its screen.
void centreOnScreen(Tmainform& window);
