// go and run: what Go/Exit does, from a shell. The check, the files and the command are the window's own rules; a
// missing level refuses with the list instead of asking, and a server that stops right after its start is reported
// as the window reports it.
#include "cli/CliContext.h"

#include "launch/EngineFinder.h"
#include "launch/GameCommandLine.h"
#include "launch/LevelFiles.h"
#include "launch/ServerConfig.h"
#include "launch/StartFailure.h"
#include "levels/GameLevels.h"
#include "levels/LevelCatalogue.h"
#include "levels/LevelListModel.h"
#include "levels/LevelLists.h"
#include "levels/PlayListVerifier.h"
#include "motd/ServerMessageFile.h"
#include "support/AppError.h"
#include "support/ByteText.h"
#include "support/GameProcess.h"
#include "support/ProcessStart.h"
#include "support/ProgramLock.h"
#include "support/Quake2Paths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLockFile>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace cli {

namespace {

struct Launch {
    GameCommand command;
    QString shownAs; // the engine's name, as messages name it
};

// Everything Go/Exit does before the start, under the program directory's lock.
Launch prepareLaunch(const Context& context)
{
    const Installation& inst = context.inst;
    const ProgramLock taken = takeProgramLock(inst);
    if (!taken.lock)
        throw Refusal{taken.refusal};
    LoadedProfile loaded = loadProfile(context);
    if (!loaded.levelsError.isEmpty())
        throw Refusal{loaded.levelsError + QStringLiteral(". Nothing was written or started.")};
    Profile& profile = loaded.profile;
    // A value the script cannot carry stops the launch before anything is checked, written or started.
    CheckScriptValues(profile);

    LevelListModel available(LevelListModel::Order::Sorted);
    LevelListModel play(LevelListModel::Order::Insertion);
    QItemSelectionModel availableSelection(&available);
    QItemSelectionModel playSelection(&play);
    LevelLists(available, availableSelection, play, playSelection).appendPlayList(loaded.playList);
    // Levels inside the game's archives count, by the rules of the engine this launch starts.
    const levels::GameLevels game(inst.quake2Dir(), levelRules(findGameEngine(inst.quake2Dir(), profile.servType)));
    LevelPresence presence(inst.quake2Dir() + q2::MapsSubdir, levels::mapsListPath(), &game);
    QStringList missing;
    QString answer;
    // Nobody to ask: every missing level is kept and listed (with automatic removal, none is asked about).
    try {
        verifyPlayList(play, presence, isChecked(profile.autoRemove), answer,
                       [&missing](const QString& level, QString& verifyResult) {
                           missing.append(level);
                           verifyResult = verify::No;
                       });
    } catch (const AppError& e) {
        throw Refusal{levels::mapsListPath() + QStringLiteral(": ") + e.text() +
                      QStringLiteral(". Nothing was written or started.")};
    }
    if (!missing.isEmpty()) {
        for (const QString& level : std::as_const(missing))
            printBytes(bytetext::encode(level) + '\n');
        throw Refusal{QStringLiteral("%1 of the %2 levels to play are not installed. Nothing was written or started.")
                          .arg(missing.size())
                          .arg(play.count())};
    }
    profile.playList = play.names();

    WriteLevelFiles(inst, profile);
    const QString messagePath = inst.file(q2::ServerMessage);
    const servermessage::Loaded message = servermessage::load(messagePath);
    if (!message.error.isEmpty())
        printError(QStringLiteral("warning: ") + message.error);
    if (!message.keepFile &&
        servermessage::save(messagePath, message.text.value_or(QuakeText())) == servermessage::Saved::LineTooLong)
        printError(QStringLiteral("warning: ") + quaketext::lineTooLongMessage());
    WriteServerConfig(inst, profile);

    const QString quake2Dir = inst.quake2Dir();
    const GameEngine engine = findGameEngine(quake2Dir, profile.servType);
    return {LaunchCommand(profile, engine, quake2Dir, FindCdDrive(), inst.programDir()), ShownProgramName(engine)};
}

QString commandLineText(const Launch& launch)
{
    return (QStringList{launch.shownAs} + launch.command.arguments).join(u' ');
}

} // namespace

int goCommand(const Context& context)
{
    const Launch launch = prepareLaunch(context);
    const QString quake2Dir = context.inst.quake2Dir();
    StartedProgram started = startProgram(launch.command.program, launch.command.arguments, quake2Dir, Watch::Yes,
                                          context.inst.file(q2::ServerLog));
    if (!started.started() || !started.process)
        throw Refusal{process::startFailureText(started.code, commandLineText(launch))};
    GameProcess& game = *started.process;
    // The window's rule: a server that stops within its first seconds never got going.
    QEventLoop loop;
    QObject::connect(&game, &GameProcess::finished, &loop, &QEventLoop::quit);
    const qint64 left = server::StartupMs - game.ranMs();
    if (game.isRunning() && left >= 0) {
        QTimer::singleShot(left + 1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (server::stoppedAtStart(game))
        throw Refusal{server::stoppedAtStartText(game)};
    print(QStringLiteral("Started %1 (process %2) from %3; its output goes to %4.")
              .arg(launch.shownAs)
              .arg(game.pid())
              .arg(quake2Dir, context.inst.file(q2::ServerLog)));
    return Ok;
}

int runCommand(const Context& context)
{
    const Launch launch = prepareLaunch(context);
    const QString quake2Dir = context.inst.quake2Dir();
    if (::chdir(QFile::encodeName(quake2Dir).constData()) != 0)
        throw Refusal{QStringLiteral("Cannot change to ") + quake2Dir + QStringLiteral(": ") +
                      QString::fromLocal8Bit(std::strerror(errno))};
    const QByteArray path = QFile::encodeName(launch.command.program);
    const std::vector<std::string> words = process::argumentVector(path, launch.command.arguments);
    std::vector<char*> argv;
    for (const std::string& word : words)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    std::fflush(stdout);
    // From here on this process is the server: a supervisor that started us now owns it.
    ::execv(path.constData(), argv.data());
    const int error = errno;
    throw Refusal{process::startFailureText(process::codeForErrno(error), commandLineText(launch)) +
                  QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(error)) + u')'};
}

} // namespace cli
