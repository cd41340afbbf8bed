#pragma once
#include "support/GameProcess.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

// Starting a program as a process of its own, never through a shell, and watching it if asked. Qt Core only, so
// every front end starts and watches a server the same way.

// Whether the caller keeps an eye on the started program.
enum class Watch { No, Yes };

// What became of a start: started, or why not, with the errno of the step that failed.
struct StartResult {
    enum class Failure {
        None,           // started
        OutOfResources, // no memory, processes or files left
        FileNotFound,   // the program is not there
        PathNotFound,   // a directory on the way to it is not there
        NotAProgram,    // there, but it cannot run (not executable, a directory, not a program)
        NoApplication,  // a document the desktop has no application for
    };
    Failure failure = Failure::None;
    int error = 0; // errno; 0 when started or when the desktop gave no reason

    bool started() const { return failure == Failure::None; }
};

struct StartedProgram {
    StartResult result;
    // Watched and started: the running program, the caller's to keep.
    std::unique_ptr<GameProcess> process;

    bool started() const { return result.started(); }
};

// Starts `program` (a path, taken as it is: no search, no splitting) with each of `arguments` as one argument, with
// `workingDir` (empty: ours) as its working directory; our own stays where it is.
//
// With a `logPath` (watched starts only), the program's console output (standard output and error) is kept: it
// writes to a pseudo-terminal, so a program that buffers its output on a pipe still writes each line as it comes;
// its input is /dev/null and TERM is "dumb", so no terminal colours or line editing get into the text. The helper
// process that waits for the program reads the output and writes it to a new file at `logPath` (a BoundedLog; an
// earlier file of that name is replaced, not overwritten, so a server still writing to it writes on elsewhere) and
// passes it on to GameProcess::output. The helper outlives us with the program, so the log goes on after we end.
StartedProgram startProgram(const QString& program, const QStringList& arguments, const QString& workingDir,
                            Watch watch = Watch::No, const QString& logPath = QString());

namespace process {

// The failed start that `err`, the errno of exec or of a step before it, stands for.
StartResult failure(int err);
// Why a start failed, as the user is told, quoting `commandLine`; empty for a start that worked.
QString startFailureText(const StartResult& result, const QString& commandLine);
// Something that could be started: present and not a directory. Whether it really runs is for exec to say.
bool isCandidate(const QString& path);
bool isDirectory(const QString& path);

struct Spawned {
    int error = 0; // errno of the step that failed
    std::unique_ptr<GameProcess> process;
};

// The start itself: `args` begins with the program's own name; `path` is absolute or relative to `workingDir`.
Spawned spawn(const QByteArray& path, const std::vector<std::string>& args, const QByteArray& workingDir, bool watch,
              const QByteArray& logPath = QByteArray());
std::vector<std::string> argumentVector(const QByteArray& path, const QStringList& arguments);

} // namespace process
