#pragma once
// A level's title, as its author stored it in the level file, read through libvornak.
#include <QByteArray>
#include <QString>

#include <optional>

// The title in the level file at `path` (bytes up to the first NUL), or nothing when the file has none or
// cannot be read. Calls vornak's Vornak() with a 256-byte buffer and a capacity of 255.
std::optional<QByteArray> readLevelTitle(const QString& path);
// The same for a level file's bytes in memory (a member read out of an archive), through VornakMemory().
std::optional<QByteArray> readLevelTitleInMemory(const QByteArray& level);

namespace levels {

// The title's bytes as the game shows them: a byte of 160 or more is the character 128 below it, the two
// characters backslash and "n" make a line break, and any other byte outside printable ASCII is a middle dot.
QString titleForDisplay(const QByteArray& title);

// The level file of a level name: <Quake 2>/baseq2/maps/<name>.bsp, or, when that exact path does not exist,
// the entry of the maps directory whose name matches it without regard to case (as Windows would find it).
QString levelFilePath(const QString& quake2Dir, const QString& levelName);

class GameLevels;

// The title of the level a server reports it is playing, on one line; nothing when it has none. A name from the
// network is looked up (in the maps directories and the archives of `game`) only when it is plain: not empty,
// no "\\", no leading "/", no "..".
std::optional<QString> runningLevelTitle(const GameLevels& game, const QString& levelName);
// How the running level is shown: "<name> — <title>", or the name alone when it has no title.
QString runningLevelText(const GameLevels& game, const QString& levelName);

} // namespace levels
