#pragma once
#include <QString>
#include <QStringList>
#include <Qt>

// Every stored setting of the program and of the current profile, the profile's play list and its name, as plain
// data. The settings table (SettingKeys) says how each member is stored; the page binders move it into the
// controls and back; whatever writes files for the game takes it as it stands. Texts are kept unchanged; a greyed
// box (from storage) is its own state and never counts as checked.
//
// The defaults here are those of an empty value, not of a new profile: a missing INI key takes the table's default.
struct Profile {
    // Program INI
    QString currentUser = QStringLiteral("untitled");
    Qt::CheckState soundDisable = Qt::Unchecked;
    Qt::CheckState autoRemove = Qt::Unchecked;

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

    // Maps page and Preferences
    Qt::CheckState showOriginalLevels = Qt::Unchecked;
    QString skipKey;

    // Levels to Play, in play order.
    QStringList playList;
};

inline bool isChecked(Qt::CheckState state)
{
    return state == Qt::Checked;
}
