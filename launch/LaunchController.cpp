#include "launch/LaunchController.h"

#include "app/MainForm.h"
#include "app/Quake2Paths.h"
#include "launch/BatchScript.h"
#include "launch/GameCommandLine.h"
#include "launch/ServerConfig.h"
#include "levels/PlayListVerifier.h"
#include "support/AppError.h"
#include "support/ErrorReport.h"
#include "support/Installation.h"
#include "support/MessageBoxes.h"
#include "support/RadioGroup.h"
#include "support/Shell.h"
#include "support/Sound.h"
#include "support/TextFile.h"
#include "ui_MainForm.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <cerrno>
#include <sys/stat.h>

namespace {

// Brings the current directory back to the program directory however the launch ends.
class BackToProgramDir {
public:
    BackToProgramDir() = default;
    BackToProgramDir(const BackToProgramDir&) = delete;
    BackToProgramDir& operator=(const BackToProgramDir&) = delete;
    ~BackToProgramDir() { QDir::setCurrent(installation().programDir()); }
};

// The script must be runnable by its owner and readable and runnable by everyone else, like a program.
void makeExecutable(const QString& path)
{
    if (::chmod(QFile::encodeName(path).constData(), 0755) != 0)
        throw AppError::fromErrno(errno);
}

} // namespace

LaunchController::LaunchController(Tmainform& form) : m_form(form)
{
    Ui::Tmainform& ui = m_form.ui();
    connect(ui.bbtnGo, &QPushButton::clicked, this, guard([this] { GoBtnClick(m_form.ui().bbtnGo); }));
    connect(ui.btnGoClose, &QPushButton::clicked, this, guard([this] { GoBtnClick(m_form.ui().btnGoClose); }));
    connect(ui.bbtnCreateVELBatFile, &QPushButton::clicked, this, guard([this] { bbtnCreateVELBatFileClick(); }));
}

LaunchController::~LaunchController() = default;

LaunchSettings LaunchController::currentSettings() const
{
    Ui::Tmainform& ui = m_form.ui();
    LaunchSettings s;
    s.fragLimit = ui.edFragLimit->text();
    s.timeLimit = ui.edTimeLimit->text();
    s.health = ui.cbHealth->checkState();
    s.powerups = ui.cbPowerups->checkState();
    s.allowArmor = ui.cbAllowArmor->checkState();
    s.allowExit = ui.cbAllowExit->checkState();
    s.instPower = ui.cbInstPower->checkState();
    s.sameMap = ui.cbSameMap->checkState();
    s.spawnFarthest = ui.cbSpawnFarthest->checkState();
    s.forceRespawn = ui.cbForceRespawn->checkState();
    s.weaponStay = ui.cbWeaponStay->checkState();
    s.falling = ui.cbFalling->checkState();
    s.infiniteAmmo = ui.cbInfiniteAmmo->checkState();
    s.allowCheat = ui.cbAllowCheat->checkState();
    s.fixedFov = ui.cbFixedFov->checkState();
    s.quadDrop = ui.cbQuadDrop->checkState();
    s.friendlyFire = ui.cbFriendlyFire->checkState();
    s.teamplay = ui.rgTeamplay->itemIndex();
    s.kickback = ui.tbKickback->value();

    s.useEmpathy = ui.cbUseEmpathy->checkState();
    s.empathy = ui.tbEmpathy->value();

    s.servType = ui.rsServType->itemIndex();
    s.host = ui.edHost->text();
    s.maxClients = ui.edMaxClients->text();
    s.timeOut = ui.edTimeOut->text();
    s.port = ui.edPort->text();
    s.password = ui.edPW->text();
    s.remoteConsole = ui.cbRemoteConsole->checkState();
    s.rconPassword = ui.edROPW->text();
    s.logFile = ui.cbLogFile->checkState();
    s.useVWeap = ui.chkUseVWeap->checkState();
    s.configFile = ui.cbConfigFiles->currentText();

    s.skipKey = ui.edSkipKey->text();

    const QStringList playList = m_form.playList();
    if (!playList.isEmpty())
        s.firstLevel = playList.first();
    s.quake2Dir = installation().quake2Dir();
    return s;
}

QString LaunchController::currentCommandLine() const
{
    return GameCommandLine(currentSettings(), FindCdDrive());
}

void LaunchController::WriteLevelFiles()
{
    const QStringList playList = m_form.playList();
    textfile::writeUtf8Lines(installation().file(q2::LevelRotation), playList);
    textfile::writeUtf8Lines(installation().file(m_form.state().CurrentUser + q2::ProfileLevelsSuffix), playList);
    m_form.WriteServerMessage();
}

void LaunchController::WriteServerConfig()
{
    textfile::writeUtf8Lines(q2::ConfigScript, ServerConfigLines(currentSettings()));
}

void LaunchController::GoBtnClick(QObject* sender)
{
    const bool exitAfterwards = sender == m_form.ui().btnGoClose;
    if (exitAfterwards)
        m_form.PlaySoundEvent(QString::fromLatin1(snd::GoExit), true);
    else
        m_form.PlaySoundEvent(QString::fromLatin1(snd::Go), false);

    m_form.VerifyPlayList();
    if (m_form.state().VerifyResult == verify::Abort)
        return;

    WriteLevelFiles();
    WriteServerConfig();
    {
        const BackToProgramDir back;
        LaunchGame();
    }
    // The game's start has been reported when it failed; Go/Exit ends the program all the same.
    if (exitAfterwards)
        m_form.close();
}

void LaunchController::LaunchGame()
{
    // The game takes the Quake 2 directory as its working directory, and the launcher finds it there.
    QDir::setCurrent(q2::RelGameDir);
    RunCommandLine(currentCommandLine(), SW_SHOWNORMAL);
}

void LaunchController::bbtnCreateVELBatFileClick()
{
    const QString quake2Dir = installation().quake2Dir();
    const QString path = installation().file(q2::BatchScript);
    textfile::writeBytes(path, BatchScript(quake2Dir, currentCommandLine(), batchGameProgram(quake2Dir)));
    makeExecutable(path);
    msgbox::information(
        &m_form, QStringLiteral("Information"),
        QStringLiteral("A batch file for the currently selected Velstrom profile has been created in ") +
            installation().programDir() + QStringLiteral(".  Run velstrom.sh from a terminal or your file manager."));
}
