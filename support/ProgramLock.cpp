#include "support/ProgramLock.h"

#include "support/Installation.h"

#include <QLockFile>

ProgramLock takeProgramLock(const Installation& inst)
{
    ProgramLock result;
    auto lock = std::make_unique<QLockFile>(inst.file(QStringLiteral(".velstrom.lock")));
    if (lock->tryLock(0))
        result.lock = std::move(lock);
    else if (lock->error() != QLockFile::LockFailedError)
        result.lock = std::make_unique<QLockFile>(QString()); // nowhere to keep a lock: run unguarded
    else
        result.refusal = QStringLiteral("Velstrom is already running from ") + inst.programDir().chopped(1) + u'.';
    return result;
}
