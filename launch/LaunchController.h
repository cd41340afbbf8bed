#pragma once
#include "launch/LaunchSettings.h"

#include <QObject>

class Tmainform;

// Go!, Go/Exit and the batch script: the level files, the configuration script and the game's start.
class LaunchController : public QObject {
    Q_OBJECT

public:
    explicit LaunchController(Tmainform& form);
    ~LaunchController() override;

    // QLevels.TXT and <profile>_maps.txt from Levels to Play, then the message of the day.
    void WriteLevelFiles();
    // Velstrom.cfg in the current directory (the program directory between user actions).
    void WriteServerConfig();

    // Go! and Go/Exit: `sender` tells which was pressed.
    void GoBtnClick(QObject* sender);
    // From the Quake 2 directory, start the game with the command line of the current settings.
    void LaunchGame();
    // Writes velstrom.sh beside the program and says so.
    void bbtnCreateVELBatFileClick();

    // The settings as the controls hold them now.
    LaunchSettings currentSettings() const;
    // The command line Go! would start now.
    QString currentCommandLine() const;

private:
    Tmainform& m_form;
};
