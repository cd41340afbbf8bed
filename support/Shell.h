#pragma once
#include "support/ProcessStart.h"

#include <QString>
#include <QStringList>

#include <memory>

// Starting programs and opening documents through the desktop.

// Splits a command line into words as Windows does: blanks separate words, double quotes group them and are
// removed, backslashes are ordinary characters.
QStringList splitCommandLine(const QString& commandLine);

// Starts a command line detached, with the current directory as its working directory, never through a shell.
// A program named with a "/" is that path (relative ones from the current directory); a bare name is looked up in
// the absolute directories of PATH only, never in the current directory.
// Says whether it started, or why not.
StartResult startCommandLine(const QString& commandLine);

// Starts it and tells the user why when it cannot be started. True when the program was started.
bool runCommandLine(const QString& commandLine);

// Starts it and tells the user why when it cannot be started, quoting the command line as `shownAs` and the
// arguments joined with blanks.
StartedProgram runProgram(const QString& program, const QStringList& arguments, const QString& workingDir,
                          const QString& shownAs, Watch watch = Watch::No, const QString& logPath = QString());

// The desktop's default action on a file or address; the result is ignored.
void openDocument(const QString& fileOrAddress);
// The same for a file relative to `directory` (empty: ours) or an address: whether the desktop took it, or why not.
StartResult openWithDesktop(const QString& fileName, const QString& directory);
