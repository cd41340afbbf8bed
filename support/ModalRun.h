#pragma once

class QDialog;

// Runs `dialog` modally and then gives the keyboard back to the window that had it before. A window manager
// does that by itself; without one (a bare X server, a kiosk session) the keyboard would go nowhere after the
// dialog closed, and no shortcut would work until the user clicked into the window again.
int runModal(QDialog& dialog);
