#pragma once
#include <QString>

#include <memory>

class Installation;
class QLockFile;

// One writer a program directory: the window holds this lock for its whole run, the command line for each command
// that writes, so the two never write the same profile at once.
struct ProgramLock {
    // Held, or a lock that could not be made at all (nowhere to keep one: run unguarded). Null when another copy
    // of the program holds it.
    std::unique_ptr<QLockFile> lock;
    // Why not: "Velstrom is already running from <program directory>."
    QString refusal;
};

// `.velstrom.lock` in the program directory. A lock left by a copy that died does not count.
ProgramLock takeProgramLock(const Installation& inst);
