#include "app/MainForm.h"

#include "app/AboutWindow.h"
#include "app/ServerWindow.h"
#include "launch/EngineFinder.h"
#include "launch/LaunchController.h"
#include "launch/LevelFiles.h"
#include "levels/LevelsController.h"
#include "motd/MotdController.h"
#include "profiles/ProfileBinder.h"
#include "profiles/SettingsController.h"
#include "support/ErrorReport.h"
#include "support/GameProcess.h"
#include "support/Installation.h"
#include "support/Quake2Paths.h"
#include "support/RadioGroup.h"
#include "support/Shell.h"
#include "ui_MainForm.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>

#include <exception>

Tmainform::Tmainform(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::Tmainform>())
{
    m_ui->setupUi(this);
    setupLook();

    // The binder goes first: its connections keep the profile current before any page's handler reads it.
    m_binder = std::make_unique<ProfileBinder>(m_profile);
    bindSettings();

    Ui::Tmainform& ui = *m_ui;
    LevelsPage levelsPage;
    levelsPage.window = this;
    levelsPage.SrcList = ui.SrcList;
    levelsPage.DstList = ui.DstList;
    levelsPage.lblSrcMapDesc = ui.lblSrcMapDesc;
    levelsPage.lblDstMapDesc = ui.lblDstMapDesc;
    levelsPage.IncludeBtn = ui.IncludeBtn;
    levelsPage.IncAllBtn = ui.IncAllBtn;
    levelsPage.ExcludeBtn = ui.ExcludeBtn;
    levelsPage.ExAllBtn = ui.ExAllBtn;
    levelsPage.BitBtn1 = ui.BitBtn1;
    levelsPage.bbtnMoveUp = ui.bbtnMoveUp;
    levelsPage.bbtnMoveDown = ui.bbtnMoveDown;
    levelsPage.bbtnMovetoTop = ui.bbtnMovetoTop;
    levelsPage.bbtnMovetoBottom = ui.bbtnMovetoBottom;
    levelsPage.bbtnRandomize = ui.bbtnRandomize;
    levelsPage.btnDelSkipped = ui.btnDelSkipped;
    levelsPage.ckOrigLevels = ui.ckOrigLevels;
    levelsPage.lblMapsCount = ui.lblMapsCount;
    levelsPage.lblTotalTime = ui.lblTotalTime;
    levelsPage.lblMaptabTotalTime = ui.lblMaptabTotalTime;
    m_levels = std::make_unique<LevelsController>(levelsPage, m_profile, m_state, *this);
    // The lists show what the server the launch would start finds: its archive kinds and its order.
    m_levels->setLevelSearch([this] {
        return levelSearch(findGameEngine(installation().quake2Dir(), m_profile.servType), installation().quake2Dir());
    });

    SettingsPage settingsPage;
    settingsPage.window = this;
    settingsPage.rsServType = ui.rsServType;
    settingsPage.cbRemoteConsole = ui.cbRemoteConsole;
    settingsPage.edROPW = ui.edROPW;
    settingsPage.Label5 = ui.Label5;
    settingsPage.tbKickback = ui.tbKickback;
    settingsPage.lblKickVal = ui.lblKickVal;
    settingsPage.tbEmpathy = ui.tbEmpathy;
    settingsPage.lblT1 = ui.lblT1;
    settingsPage.lblT2 = ui.lblT2;
    settingsPage.lblT3 = ui.lblT3;
    settingsPage.lblFactor = ui.lblFactor;
    settingsPage.cbUseEmpathy = ui.cbUseEmpathy;
    settingsPage.pnEmp = ui.pnEmp;
    settingsPage.Image2 = ui.Image2;
    settingsPage.cbSoundDisable = ui.cbSoundDisable;
    settingsPage.chkUseVWeap = ui.chkUseVWeap;
    settingsPage.cbConfigFiles = ui.cbConfigFiles;
    settingsPage.numericEdits = {ui.edFragLimit, ui.edTimeLimit, ui.edMaxClients, ui.edTimeOut, ui.edPort};
    settingsPage.quotedEdits = {ui.edHost, ui.edPW, ui.edROPW};
    settingsPage.edSkipKey = ui.edSkipKey;
    settingsPage.defaults = ui.defaults;
    settingsPage.cbCurrentUserFiles = ui.cbCurrentUserFiles;
    settingsPage.bbtnNewProfile = ui.bbtnNewProfile;
    settingsPage.bbtnCopyProfile = ui.bbtnCopyProfile;
    settingsPage.bbtnDeleteProfile = ui.bbtnDeleteProfile;
    m_settings = std::make_unique<SettingsController>(settingsPage, m_profile, *m_binder, m_state, *this, *this);

    LaunchPage launchPage;
    launchPage.window = this;
    launchPage.bbtnGo = ui.bbtnGo;
    launchPage.btnGoClose = ui.btnGoClose;
    launchPage.bbtnCreateVELBatFile = ui.bbtnCreateVELBatFile;
    launchPage.lblEngine = ui.lblEngine;
    m_launch = std::make_unique<LaunchController>(launchPage, *this, *this);
    // The engine line follows the server type, also when a load sets it.
    connect(ui.rsServType, &RadioGroup::clicked, this,
            guard([this] { m_launch->updateEngineLabel(m_ui->rsServType->itemIndex()); }));

    MotdPage motdPage;
    motdPage.window = this;
    motdPage.reServerMsg = ui.reServerMsg;
    motdPage.btnMakeWhite = ui.btnMakeWhite;
    motdPage.btnMakeGreen = ui.btnMakeGreen;
    motdPage.btnSingleBar = ui.btnSingleBar;
    motdPage.btnDoubleBar = ui.btnDoubleBar;
    m_motd = std::make_unique<MotdController>(motdPage, installation().file(q2::ServerMessage));

    // The totals follow the time limit as it is typed (and, as they always have, the frag limit).
    connect(ui.edTimeLimit, &QLineEdit::textChanged, this, guard([this] { m_levels->UpdateListTotals(); }));
    connect(ui.edFragLimit, &QLineEdit::textChanged, this, guard([this] { m_levels->UpdateListTotals(); }));

    connect(ui.BitBtn3, &QPushButton::clicked, this, guard([this] { BitBtn3Click(); }));
    connect(ui.btnHelp, &QPushButton::clicked, this, guard([this] { btnHelpClick(); }));
    connect(ui.BitBtn4, &QPushButton::clicked, this, guard([this] { showAboutWindow(this, m_state.SoundsEnabled); }));

    guarded([this] { FormCreate(); });
    m_launch->updateEngineLabel(m_ui->rsServType->itemIndex());
}

Tmainform::~Tmainform() = default;

void Tmainform::bindSettings()
{
    Ui::Tmainform& ui = *m_ui;
    ProfileBinder& b = *m_binder;
    b.bind(&Profile::soundDisable, ui.cbSoundDisable);
    b.bind(&Profile::autoRemove, ui.cbAutoRemove);
    b.bind(&Profile::health, ui.cbHealth);
    b.bind(&Profile::powerups, ui.cbPowerups);
    b.bind(&Profile::allowArmor, ui.cbAllowArmor);
    b.bind(&Profile::allowExit, ui.cbAllowExit);
    b.bind(&Profile::instPower, ui.cbInstPower);
    b.bind(&Profile::sameMap, ui.cbSameMap);
    b.bind(&Profile::spawnFarthest, ui.cbSpawnFarthest);
    b.bind(&Profile::forceRespawn, ui.cbForceRespawn);
    b.bind(&Profile::weaponStay, ui.cbWeaponStay);
    b.bind(&Profile::falling, ui.cbFalling);
    b.bind(&Profile::infiniteAmmo, ui.cbInfiniteAmmo);
    b.bind(&Profile::allowCheat, ui.cbAllowCheat);
    b.bind(&Profile::fixedFov, ui.cbFixedFov);
    b.bind(&Profile::quadDrop, ui.cbQuadDrop);
    b.bind(&Profile::friendlyFire, ui.cbFriendlyFire);
    b.bind(&Profile::showOriginalLevels, ui.ckOrigLevels);
    b.bind(&Profile::fragLimit, ui.edFragLimit);
    b.bind(&Profile::timeLimit, ui.edTimeLimit);
    b.bind(&Profile::teamplay, ui.rgTeamplay);
    b.bind(&Profile::servType, ui.rsServType);
    b.bind(&Profile::remoteConsole, ui.cbRemoteConsole);
    b.bind(&Profile::useEmpathy, ui.cbUseEmpathy);
    b.bind(&Profile::skipKey, ui.edSkipKey);
    b.bind(&Profile::useVWeap, ui.chkUseVWeap);
    b.bind(&Profile::rconPassword, ui.edROPW);
    b.bind(&Profile::host, ui.edHost);
    b.bind(&Profile::maxClients, ui.edMaxClients);
    b.bind(&Profile::password, ui.edPW);
    b.bind(&Profile::port, ui.edPort);
    b.bind(&Profile::timeOut, ui.edTimeOut);
    b.bind(&Profile::logFile, ui.cbLogFile);
    b.bind(&Profile::kickback, ui.tbKickback);
    b.bind(&Profile::empathy, ui.tbEmpathy);
    b.bind(&Profile::configFile, ui.cbConfigFiles);
    b.takeAll();
}

Profile& Tmainform::profile()
{
    m_binder->takeAll();
    m_profile.playList = m_levels->playList();
    return m_profile;
}

const Profile& Tmainform::profile() const
{
    m_binder->takeAll();
    m_profile.playList = m_levels->playList();
    return m_profile;
}

void Tmainform::FormCreate()
{
    m_state.SoundsEnabled = true;
    m_state.Pak2Present = QFileInfo::exists(installation().quake2Dir() + q2::Pak2);
    m_state.LoadingSettings = true;
    m_levels->setLastHoverIndex(-1);
    m_ui->pcPages->setCurrentWidget(m_ui->tsMaps);
    // A load stopped by a bad value still gets the message file, or the next save would empty it.
    std::exception_ptr loadError;
    try {
        m_settings->LoadIniValues();
    } catch (...) {
        loadError = std::current_exception();
    }
    m_motd->GetServerMsg();
    m_state.LoadingSettings = false;
    if (loadError)
        std::rethrow_exception(loadError);
}

void Tmainform::BitBtn3Click()
{
    const QString closing = QStringLiteral("Velstrom - Closing...");
    setWindowTitle(closing);
    setApplicationTitle(closing);
    hide();
    if (m_state.SoundsEnabled)
        PlaySoundEvent(QString::fromLatin1(snd::Closing), true);
    close();
}

void Tmainform::btnHelpClick() { OpenDocument(installation().file(q2::HelpDocument)); }

void Tmainform::createDialogs() { m_levels->createDialogs(); }

void Tmainform::PlaySoundEvent(const QString& name, bool wait)
{
    if (m_state.SoundsEnabled)
        PlayEventSound(name, wait);
}

void Tmainform::writeLevelFiles()
{
    const Profile& current = profile();
    WriteLevelFiles(installation(), current, !m_levels->keepProfileLevelsFile());
    m_motd->WriteServerMessage();
}

void Tmainform::reloadLevelLists()
{
    m_levels->clearLists();
    m_levels->LoadPlayList();
    m_levels->ProcessSkippedLevels();
}

void Tmainform::settingsLoaded() { m_levels->clearTitles(); }

void Tmainform::restart()
{
    FormCreate();
    m_levels->ckOrigLevelsClick();
}

bool Tmainform::verifyPlayList()
{
    m_levels->VerifyPlayList();
    return m_levels->verifyResult() != VerifyResult::Abort;
}

void Tmainform::closeWindow() { close(); }

void Tmainform::gameStarted(GameProcess* process)
{
    m_serverWindow = ServerWindow::showFor(this, profile(), installation().quake2Dir(), process);
}

void Tmainform::closeEvent(QCloseEvent* event)
{
    // A save that fails is reported, and the window still closes: the user must never be kept from quitting.
    guarded([this] { m_settings->WriteUserSettings(); });
    if (m_serverWindow)
        m_serverWindow->close();
    event->accept();
}

void Tmainform::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled())
            button->click();
        else if (m_ui->bbtnGo->isEnabled())
            m_ui->bbtnGo->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
