#pragma once
#include <QString>

// What the program relies on in a Quake 2 installation and what it shares with the companion game module.
// Paths below the Quake 2 directory start with "/" and are appended to it.
namespace q2 {

// The game
inline const QString GameExecutable = QStringLiteral("quake2.exe"); // as the command line names it
inline const QString LevelPattern = QStringLiteral("*.bsp");
inline const QString ConfigPattern = QStringLiteral("*.cfg");
// Appended to the Quake 2 directory.
inline const QString MapsList = QStringLiteral("/baseq2/maps.lst");
inline const QString MapsSubdir = QStringLiteral("/baseq2/maps/");
inline const QString Pak2 = QStringLiteral("/baseq2/pak2.pak");
inline const QString ConfigSubdir = QStringLiteral("/baseq2/");
inline const QString LevelExtension = QStringLiteral(".bsp");

// The companion game module: its game directory is the program directory.
inline const QString GameName = QStringLiteral("Velstrom");
inline const QString ConfigScript = QStringLiteral("Velstrom.cfg");
inline const QString LevelRotation = QStringLiteral("QLevels.TXT");
inline const QString ServerMessage = QStringLiteral("SERVRMSG.TXT");
inline const QString SkippedLevels = QStringLiteral("qskipped.txt");
inline const QString ProfileLevelsSuffix = QStringLiteral("_maps.txt");

// Our own documents beside the program.
inline const QString HelpDocument = QStringLiteral("VELSTROM.html");
inline const QString Readme = QStringLiteral("readme.txt");
inline const QString BatchScript = QStringLiteral("velstrom.sh");
// The console output of the server the program last started.
inline const QString ServerLog = QStringLiteral("server.log");

} // namespace q2
