#include "launch/LaunchSequence.h"

#include "launch/EngineFinder.h"
#include "launch/ServerConfig.h"
#include "launch/StartFailure.h"
#include "profiles/Profile.h"
#include "support/GameProcess.h"
#include "support/Installation.h"
#include "support/Quake2Paths.h"

#include <QTimer>

QString PreparedLaunch::commandLineText() const
{
    return (QStringList{shownAs} + command.arguments).join(u' ');
}

std::optional<PreparedLaunch> prepareLaunch(const Installation& inst, LaunchSteps& steps)
{
    // A value the script cannot carry stops the launch before anything is checked, written or started.
    checkScriptValues(steps.profile());
    if (!steps.verifyPlayList())
        return std::nullopt;
    steps.writeLevelFiles();
    const Profile& profile = steps.profile();
    writeServerConfig(inst, profile);

    const QString quake2Dir = inst.quake2Dir();
    const GameEngine engine = findGameEngine(quake2Dir, profile.servType);
    return PreparedLaunch{launchCommand(profile, engine, quake2Dir, findCdDrive(), inst.programDir()),
                          shownProgramName(engine), quake2Dir, inst.file(q2::ServerLog)};
}

void waitForStart(GameProcess& game, QEventLoop::ProcessEventsFlags flags)
{
    const qint64 left = server::StartupMs - game.ranMs();
    if (!game.isRunning() || left < 0)
        return;
    QEventLoop loop;
    QObject::connect(&game, &GameProcess::finished, &loop, &QEventLoop::quit);
    // A coarse timer may fire up to 5 % early, and a server that stops in its last moments must not be missed.
    QTimer::singleShot(left + 1, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(flags);
}
