#pragma once
#include <QByteArray>
#include <QString>

// velstrom.sh: starts the server later without the program, as Go! would start it now.
//
//   #!/bin/sh
//   cd '<Quake 2 directory>' || exit 1
//   exec './quake2' '+set' 'dedicated' '1' ...
//
// The words are those the program itself passes to the game: the command line split as the launcher splits
// it, each word single-quoted, so blanks, quotes, "$", ";" or backquotes in a directory or a script name
// reach the game as they are and the shell runs none of them. The lines end in LF alone: /bin/sh would take
// a CR for part of the last word.

// The word in single quotes, a quote inside written as '\''.
QString shellQuote(const QString& word);

// How the script names the game: "./quake2.exe" when the Quake 2 directory holds one, otherwise "./quake2",
// the native build the launcher falls back on.
QString batchGameProgram(const QString& quake2Dir);

// The whole script, UTF-8. `gameProgram` replaces the command line's first word.
QByteArray BatchScript(const QString& quake2Dir, const QString& commandLine, const QString& gameProgram);
