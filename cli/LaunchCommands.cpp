// go and run: what Go/Exit does, from a shell. The check, the files and the command are the window's own rules; a
// missing level refuses with the list instead of asking, and a server that stops right after its start is reported
// as the window reports it.
#include "cli/CliContext.h"

#include "launch/LaunchSequence.h"
#include "launch/LevelFiles.h"
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

#include <QFile>
#include <QItemSelectionModel>
#include <QLockFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace cli {

namespace {

// The command line's part of the launch: the profile as the window would load it; nobody to ask about a missing
// level, so every one is listed and the launch refused (with automatic removal, none is asked about); a message
// file that cannot be read is a warning on standard error.
class ShellLaunch : public LaunchSteps {
public:
    explicit ShellLaunch(const Context& context) : m_inst(context.inst), m_loaded(loadProfile(context))
    {
        if (!m_loaded.levelsError.isEmpty())
            throw Refusal{m_loaded.levelsError + NothingDone};
    }

    const Profile& profile() const override { return m_loaded.profile; }

    bool verifyPlayList() override
    {
        Profile& profile = m_loaded.profile;
        LevelListModel available(LevelListModel::Order::Sorted);
        LevelListModel play(LevelListModel::Order::Insertion);
        QItemSelectionModel availableSelection(&available);
        QItemSelectionModel playSelection(&play);
        LevelLists(available, availableSelection, play, playSelection).appendPlayList(m_loaded.playList);
        const levels::GameLevels game = launchLevels(m_inst, profile);
        LevelPresence presence(m_inst.quake2Dir() + q2::MapsSubdir, levels::mapsListPath(), &game);
        QStringList missing;
        QString answer;
        try {
            ::verifyPlayList(play, presence, isChecked(profile.autoRemove), answer,
                             [&missing](const QString& level, QString& verifyResult) {
                                 missing.append(level);
                                 verifyResult = verify::No;
                             });
        } catch (const AppError& e) {
            throw Refusal{levels::mapsListPath() + QStringLiteral(": ") + e.text() + NothingDone};
        }
        if (!missing.isEmpty()) {
            for (const QString& level : std::as_const(missing))
                printBytes(bytetext::encode(level) + '\n');
            throw Refusal{
                QStringLiteral("%1 of the %2 levels to play are not installed").arg(missing.size()).arg(play.count()) +
                NothingDone};
        }
        profile.playList = play.names();
        return true;
    }

    void writeLevelFiles() override
    {
        ::writeLevelFiles(m_inst, m_loaded.profile);
        const QString messagePath = m_inst.file(q2::ServerMessage);
        const servermessage::Loaded message = servermessage::load(messagePath);
        if (!message.error.isEmpty())
            printError(QStringLiteral("warning: ") + message.error);
        if (!message.keepFile &&
            servermessage::save(messagePath, message.text.value_or(QuakeText())) == servermessage::Saved::LineTooLong)
            printError(QStringLiteral("warning: ") + quaketext::lineTooLongMessage());
    }

private:
    static inline const QString NothingDone = QStringLiteral(". Nothing was written or started.");

    const Installation& m_inst;
    LoadedProfile m_loaded;
};

// Everything Go/Exit does before the start, under the program directory's lock.
PreparedLaunch prepareShellLaunch(const Context& context)
{
    const ProgramLock taken = takeProgramLock(context.inst);
    if (!taken.lock)
        throw Refusal{taken.refusal};
    ShellLaunch steps(context);
    // The check refuses rather than saying no, so there is always a launch here.
    return *prepareLaunch(context.inst, steps);
}

} // namespace

int goCommand(const Context& context)
{
    const PreparedLaunch launch = prepareShellLaunch(context);
    StartedProgram started =
        startProgram(launch.command.program, launch.command.arguments, launch.workingDir, Watch::Yes, launch.logPath);
    if (!started.started() || !started.process)
        throw Refusal{process::startFailureText(started.result, launch.commandLineText())};
    GameProcess& game = *started.process;
    // The window's rule: a server that stops within its first seconds never got going.
    waitForStart(game);
    if (server::stoppedAtStart(game))
        throw Refusal{server::stoppedAtStartText(game)};
    print(QStringLiteral("Started %1 (process %2) from %3; its output goes to %4.")
              .arg(launch.shownAs)
              .arg(game.pid())
              .arg(launch.workingDir, launch.logPath));
    return Ok;
}

int runCommand(const Context& context)
{
    const PreparedLaunch launch = prepareShellLaunch(context);
    const QString& quake2Dir = launch.workingDir;
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
    throw Refusal{process::startFailureText(process::failure(error), launch.commandLineText()) +
                  QStringLiteral(" (") + QString::fromLocal8Bit(std::strerror(error)) + u')'};
}

} // namespace cli
