#pragma once
#include "launch/EngineFinder.h"

#include <QString>
#include <QStringList>

#include <functional>

struct Profile;

// The command that starts the game as a server, and what it depends on in the system.

inline const QString NoCdDrive = QStringLiteral("none");

// The first of the drives A to Z that `isCdRom` reports as a CD-ROM drive, or "none".
QString findCdDrive(const std::function<bool(QChar drive)>& isCdRom);
// The same over the system's drives. There are no drive letters here, so it is always "none".
QString findCdDrive();

// The program and its words, each word one argument of the game: nothing is split or quoted on the way.
struct GameCommand {
    QString program;
    QStringList arguments;
};

// q2pro's name for the game module in the program directory ("gamex86_64.so" on x86-64).
QString gameModuleCpuName();

// +set dedicated 1 +set logfile 1 +deathmatch 1 +set port <port> +set net_port <port> +set game Velstrom
// +set basedir <Quake 2 directory> +set sys_forcegamelib <program directory>/game<cpu>.so +exec <extra config>
// +exec Velstrom.cfg +set cddir <drive>:\install\data
// with the optional pieces only where the profile asks for them; the port only when one is given, the CD
// directory only when there is a drive. sys_forcegamelib makes a q2pro installed system-wide, which never
// looks for game libraries in the Quake 2 directory, load our module; yquake2 keeps it as a variable and
// nothing more.
QStringList gameArguments(const Profile& profile, const QString& quake2Dir, const QString& cdDrive,
                          const QString& programDir);

// What the launch starts: the engine found for the profile's server type, or quake2.exe in the Quake 2 directory
// when there is none (its start then fails with the usual message).
GameCommand launchCommand(const Profile& profile, const GameEngine& engine, const QString& quake2Dir,
                          const QString& cdDrive, const QString& programDir);

// How messages name the program: the engine's file name, "quake2.exe" when there is none.
QString shownProgramName(const GameEngine& engine);
