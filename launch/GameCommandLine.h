#pragma once
#include "launch/LaunchSettings.h"

#include <QString>

#include <functional>

// The command line that starts the game as a server, and what it depends on in the system.

inline const QString NoCdDrive = QStringLiteral("none");

// The first of the drives A to Z that `isCdRom` reports as a CD-ROM drive, or "none".
QString FindCdDrive(const std::function<bool(QChar drive)>& isCdRom);
// The same over the system's drives. There are no drive letters here, so it is always "none".
QString FindCdDrive();

// quake2.exe +set dedicated 1 +set logfile 1 +deathmatch 1 +set port <port> +set game "Velstrom"
// +set basedir "<Quake 2 directory>" +exec <extra config> +exec Velstrom.cfg +set cddir <drive>:\install\data
// with the optional pieces only where the settings ask for them; the port only when one is given, the CD
// directory only when there is a drive.
QString GameCommandLine(const LaunchSettings& settings, const QString& cdDrive);
