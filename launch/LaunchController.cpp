#include "launch/LaunchController.h"

#include "launch/BatchScript.h"
#include "launch/EngineFinder.h"
#include "launch/GameCommandLine.h"
#include "launch/LaunchHost.h"
#include "launch/LaunchSequence.h"
#include "launch/ServerConfig.h"
#include "launch/StartFailure.h"
#include "profiles/Profile.h"
#include "support/AppError.h"
#include "support/ErrorReport.h"
#include "support/GameProcess.h"
#include "support/Installation.h"
#include "support/MessageBoxes.h"
#include "support/Quake2Paths.h"
#include "support/Shell.h"
#include "support/Sound.h"
#include "support/TextFile.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include <cerrno>
#include <sys/stat.h>

namespace {

// The script must be runnable by its owner and readable and runnable by everyone else, like a program.
void makeExecutable(const QString& path)
{
    if (::chmod(QFile::encodeName(path).constData(), 0755) != 0)
        throw AppError::fromErrno(errno);
}

} // namespace

LaunchController::LaunchController(const LaunchPage& page, LaunchHost& host, EventSounds& sounds, QObject* parent)
    : QObject(parent), m_page(page), m_host(host), m_sounds(sounds)
{
    connect(m_page.goButton, &QPushButton::clicked, this, guard([this] { goClicked(false); }));
    connect(m_page.goExitButton, &QPushButton::clicked, this, guard([this] { goClicked(true); }));
    connect(m_page.createScriptButton, &QPushButton::clicked, this, guard([this] { createScriptClicked(); }));
}

LaunchController::~LaunchController() = default;

void LaunchController::writeServerConfig()
{
    ::writeServerConfig(installation(), m_host.profile());
}

void LaunchController::goClicked(bool exitAfterwards)
{
    if (exitAfterwards)
        m_sounds.play(QString::fromLatin1(snd::GoExit), true);
    else
        m_sounds.play(QString::fromLatin1(snd::Go), false);

    const std::optional<PreparedLaunch> launch = prepareLaunch(installation(), m_host);
    if (!launch)
        return;
    std::unique_ptr<GameProcess> game = launchGame(*launch);
    if (!exitAfterwards) {
        // Go! stays open anyway: a server that stops right away is reported when it stops.
        if (game) {
            GameProcess* started = game.get();
            connect(started, &GameProcess::finished, this, [this, started] { reportStoppedAtStart(*started); });
            m_host.gameStarted(game.release());
        }
        return;
    }
    // A failed start has been reported; Go/Exit ends the program all the same, unless the server stopped right
    // after it started: then the operator must see why, and the program stays.
    if (game) {
        // A moment of waiting, in which no click reaches the window.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        waitForStart(*game, QEventLoop::ExcludeUserInputEvents);
        QGuiApplication::restoreOverrideCursor();
        if (reportStoppedAtStart(*game))
            return;
    }
    m_host.closeWindow();
}

std::unique_ptr<GameProcess> LaunchController::launchGame(const PreparedLaunch& launch)
{
    // The game takes the Quake 2 directory as its working directory; ours stays where it is.
    StartedProgram started = runProgram(launch.command.program, launch.command.arguments, launch.workingDir,
                                        launch.shownAs, Watch::Yes, launch.logPath);
    return std::move(started.process);
}

bool LaunchController::reportStoppedAtStart(const GameProcess& game)
{
    if (!server::stoppedAtStart(game))
        return false;
    msgbox::error(m_page.window, applicationTitle(), server::stoppedAtStartText(game));
    return true;
}

void LaunchController::createScriptClicked()
{
    const Profile& profile = m_host.profile();
    const QString quake2Dir = installation().quake2Dir();
    const GameEngine engine = findGameEngine(quake2Dir, profile.servType);
    const QString path = installation().file(q2::BatchScript);
    textfile::writeBytes(path,
                         batchScript(quake2Dir, batchGameProgram(engine),
                                     gameArguments(profile, quake2Dir, findCdDrive(), installation().programDir())));
    makeExecutable(path);
    msgbox::information(
        m_page.window, QStringLiteral("Information"),
        QStringLiteral("A batch file for the currently selected Velstrom profile has been created in ") +
            installation().programDir() + QStringLiteral(".  Run velstrom.sh from a terminal or your file manager."));
}

void LaunchController::updateEngineLabel(int serverType)
{
    QLabel* label = m_page.lblEngine;
    if (label == nullptr)
        return;
    const GameEngine engine = findGameEngine(installation().quake2Dir(), serverType);
    // A long directory keeps both ends in view; the whole path is in the tool tip.
    label->setText(
        label->fontMetrics().elidedText(engineDescription(engine, QDir::homePath()), Qt::ElideMiddle, label->width()));
    label->setToolTip(engineDescription(engine));
    label->setStyleSheet(engine.found() ? QString() : QStringLiteral("color: red;"));
}
