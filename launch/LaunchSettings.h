#pragma once
#include <QString>
#include <Qt>

#include <optional>

// What the configuration script, the game command line and the batch script are made of: the values of the
// settings pages as they stand in the controls, and the first level of the play list. Texts are taken
// unchanged; a greyed box (from storage) is its own state and never counts as checked.
struct LaunchSettings {
    // Deathmatch Settings
    QString fragLimit;
    QString timeLimit;
    Qt::CheckState health = Qt::Unchecked;
    Qt::CheckState powerups = Qt::Unchecked;
    Qt::CheckState allowArmor = Qt::Unchecked;
    Qt::CheckState allowExit = Qt::Unchecked;
    Qt::CheckState instPower = Qt::Unchecked;
    Qt::CheckState sameMap = Qt::Unchecked;
    Qt::CheckState spawnFarthest = Qt::Unchecked;
    Qt::CheckState forceRespawn = Qt::Unchecked;
    Qt::CheckState weaponStay = Qt::Unchecked;
    Qt::CheckState falling = Qt::Unchecked;
    Qt::CheckState infiniteAmmo = Qt::Unchecked;
    Qt::CheckState allowCheat = Qt::Unchecked;
    Qt::CheckState fixedFov = Qt::Unchecked;
    Qt::CheckState quadDrop = Qt::Unchecked;
    Qt::CheckState friendlyFire = Qt::Unchecked;
    int teamplay = -1; // item of "Teamplay": 0 Disabled, 1 By Skin, 2 By Model; -1 none selected
    int kickback = 10; // track-bar position, 10 to 100

    // Beginner Empathy
    Qt::CheckState useEmpathy = Qt::Unchecked;
    int empathy = 1; // track-bar position, 1 to 7

    // Server Settings
    int servType = -1; // 0 Listen, 1 Dedicated, -1 none selected
    QString host;
    QString maxClients;
    QString timeOut;
    QString port;
    QString password;
    Qt::CheckState remoteConsole = Qt::Unchecked;
    QString rconPassword;
    Qt::CheckState logFile = Qt::Unchecked;
    Qt::CheckState useVWeap = Qt::Unchecked;
    QString configFile; // the text of "Exec This Config File"

    // Preferences
    QString skipKey;

    // The first entry of Levels to Play; none for an empty list.
    std::optional<QString> firstLevel;

    // The parent of the program directory, without a trailing "/".
    QString quake2Dir;
};

inline bool isChecked(Qt::CheckState state)
{
    return state == Qt::Checked;
}
