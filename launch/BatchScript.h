#pragma once
#include "launch/EngineFinder.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// velstrom.sh: starts the server later without the program, as Go! would start it now.
//
//   #!/bin/sh
//   cd '<Quake 2 directory>' || exit 1
//   exec './q2ded' '+set' 'dedicated' '1' ...
//
// The words are exactly the arguments the launcher passes to the game, each single-quoted, so blanks, quotes,
// "$", ";" or backquotes in a directory or a script name reach the game as they are and the shell runs none of
// them. The lines end in LF alone: /bin/sh would take a CR for part of the last word.

// The word in single quotes, a quote inside written as '\''.
QString shellQuote(const QString& word);

// How the script names the engine: "./<name>" in the Quake 2 directory, its full path when it came from the PATH,
// and "./quake2", the native build, when there is none yet.
QString batchGameProgram(const GameEngine& engine);

// The whole script, UTF-8.
QByteArray batchScript(const QString& quake2Dir, const QString& gameProgram, const QStringList& arguments);
