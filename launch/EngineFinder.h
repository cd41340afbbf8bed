#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

#include "levels/GameLevels.h"

// Which executable starts the game. Linux engines install other names than the Windows game: yquake2 ships
// quake2 and the dedicated-only q2ded, q2pro ships q2pro and q2proded. The Quake 2 directory is searched first,
// then the PATH, for the first name that suits the server type; a name counts only as a regular file the user may
// execute.

struct GameEngine {
    QString name; // the file name, e.g. "q2ded"
    QString path; // absolute; empty when no engine was found
    bool fromSearchPath = false;

    bool found() const { return !path.isEmpty(); }
    // The directory it lies in, without a trailing "/".
    QString directory() const;
};

// The names a server type may start, best first: item 1 of the server type is a dedicated server, anything else a
// listen server, which needs an engine with a client.
QStringList engineNames(int serverType);

// The engine for the server type, from `quake2Dir` first, then the absolute directories of `searchPath` (a PATH
// value; relative entries are skipped, as the game runs from another directory than ours).
GameEngine findGameEngine(const QString& quake2Dir, int serverType, const QByteArray& searchPath);
// The same over this process's PATH.
GameEngine findGameEngine(const QString& quake2Dir, int serverType);

// Where the engine looks for levels when the launch starts it on `quake2Dir`: whose rules (yquake2 for quake2
// and q2ded, q2pro for q2pro and q2proded; with no engine, or the Windows game, any archive either engine reads
// counts, in the Quake 2 directory's own folders) and its game folders, best first. yquake2 searches its user folder
// (~/.yq2, else $XDG_DATA_HOME/YamagiQ2) and its binary's folder before the Quake 2 directory; q2pro installed
// system-wide (found on the PATH) its home folder ~/.q2pro; each root's Velstrom folder before the baseq2 folders.
// Folders that do not exist are left out.
levels::LevelSearch levelSearch(const GameEngine& engine, const QString& quake2Dir);

// True when any of the names of either server type is there: what the start-up warning asks.
bool anyGameEngine(const QString& quake2Dir, const QByteArray& searchPath);
bool anyGameEngine(const QString& quake2Dir);

// The line the "Server Settings" page shows: "Starts: q2ded (in /home/op/quake2)", or "No Quake 2 engine found".
// With `home`, a directory inside it is written from "~" on, so the line fits its narrow column more often.
QString engineDescription(const GameEngine& engine, const QString& home = QString());
