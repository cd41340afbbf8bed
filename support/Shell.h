#pragma once
#include "support/ProcessStart.h"

#include <QString>
#include <QStringList>

#include <memory>

// Starting programs and opening documents through the desktop.

inline constexpr int SW_SHOWNORMAL = 1;

// Splits a command line into words as Windows does: blanks separate words, double quotes group them and are
// removed, backslashes are ordinary characters.
QStringList splitCommandLine(const QString& commandLine);

// Starts a command line detached, with the current directory as its working directory, never through a shell.
// A program named with a "/" is that path (relative ones from the current directory); a bare name is looked up in
// the absolute directories of PATH only, never in the current directory.
// Returns the system's code: above 31 on success; 0 out of resources, 2 program not found, 3 a directory of its
// path missing, 11 not a valid program.
int startCommandLine(const QString& commandLine);

// Starts it and tells the user why when it cannot be started. True when the program was started.
bool RunCommandLine(const QString& commandLine, int showMode = SW_SHOWNORMAL);

// Starts it and tells the user why when it cannot be started, quoting the command line as `shownAs` and the
// arguments joined with blanks.
StartedProgram RunProgram(const QString& program, const QStringList& arguments, const QString& workingDir,
                          const QString& shownAs, Watch watch = Watch::No, const QString& logPath = QString());

// The desktop's default action on a file or address; the result is ignored.
void openDocument(const QString& fileOrAddress);
int ExecuteFile(const QString& fileName, const QString& parameters, const QString& directory, int showMode);
