#include "app/MainWindow.h"

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
#include "ui_MainWindow.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>

#include <exception>

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), m_ui(std::make_unique<Ui::MainWindow>())
{
    m_ui->setupUi(this);
    setupLook();

    // The binder goes first: its connections keep the profile current before any page's handler reads it.
    m_binder = std::make_unique<ProfileBinder>(m_profile);
    bindSettings();

    Ui::MainWindow& ui = *m_ui;
    LevelsPage levelsPage;
    levelsPage.window = this;
    levelsPage.lstAvailable = ui.lstAvailable;
    levelsPage.lstToPlay = ui.lstToPlay;
    levelsPage.lblSrcMapDesc = ui.lblSrcMapDesc;
    levelsPage.lblDstMapDesc = ui.lblDstMapDesc;
    levelsPage.includeButton = ui.includeButton;
    levelsPage.includeAllButton = ui.includeAllButton;
    levelsPage.excludeButton = ui.excludeButton;
    levelsPage.excludeAllButton = ui.excludeAllButton;
    levelsPage.refreshButton = ui.refreshButton;
    levelsPage.moveUpButton = ui.moveUpButton;
    levelsPage.moveDownButton = ui.moveDownButton;
    levelsPage.moveToTopButton = ui.moveToTopButton;
    levelsPage.moveToBottomButton = ui.moveToBottomButton;
    levelsPage.randomizeButton = ui.randomizeButton;
    levelsPage.removeSkippedButton = ui.removeSkippedButton;
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
    settingsPage.lblRconPassword = ui.lblRconPassword;
    settingsPage.tbKickback = ui.tbKickback;
    settingsPage.lblKickVal = ui.lblKickVal;
    settingsPage.tbEmpathy = ui.tbEmpathy;
    settingsPage.lblT1 = ui.lblT1;
    settingsPage.lblT2 = ui.lblT2;
    settingsPage.lblT3 = ui.lblT3;
    settingsPage.lblFactor = ui.lblFactor;
    settingsPage.cbUseEmpathy = ui.cbUseEmpathy;
    settingsPage.pnEmp = ui.pnEmp;
    settingsPage.lblEmpathyPicture = ui.lblEmpathyPicture;
    settingsPage.cbSoundDisable = ui.cbSoundDisable;
    settingsPage.chkUseVWeap = ui.chkUseVWeap;
    settingsPage.cbConfigFiles = ui.cbConfigFiles;
    settingsPage.numericEdits = {ui.edFragLimit, ui.edTimeLimit, ui.edMaxClients, ui.edTimeOut, ui.edPort};
    settingsPage.quotedEdits = {ui.edHost, ui.edPW, ui.edROPW};
    settingsPage.edSkipKey = ui.edSkipKey;
    settingsPage.resetAllButton = ui.resetAllButton;
    settingsPage.cbCurrentUserFiles = ui.cbCurrentUserFiles;
    settingsPage.newProfileButton = ui.newProfileButton;
    settingsPage.copyProfileButton = ui.copyProfileButton;
    settingsPage.deleteProfileButton = ui.deleteProfileButton;
    m_settings = std::make_unique<SettingsController>(settingsPage, m_profile, *m_binder, m_state, *this, *this);

    LaunchPage launchPage;
    launchPage.window = this;
    launchPage.goButton = ui.goButton;
    launchPage.goExitButton = ui.goExitButton;
    launchPage.createScriptButton = ui.createScriptButton;
    launchPage.lblEngine = ui.lblEngine;
    m_launch = std::make_unique<LaunchController>(launchPage, *this, *this);
    // The engine line follows the server type, also when a load sets it.
    connect(ui.rsServType, &RadioGroup::clicked, this,
            guard([this] { m_launch->updateEngineLabel(m_ui->rsServType->itemIndex()); }));

    MotdPage motdPage;
    motdPage.window = this;
    motdPage.reServerMsg = ui.reServerMsg;
    motdPage.whiteButton = ui.whiteButton;
    motdPage.greenButton = ui.greenButton;
    motdPage.singleBarButton = ui.singleBarButton;
    motdPage.doubleBarButton = ui.doubleBarButton;
    m_motd = std::make_unique<MotdController>(motdPage, installation().file(q2::ServerMessage));

    // The totals follow the time limit as it is typed (and, as they always have, the frag limit).
    connect(ui.edTimeLimit, &QLineEdit::textChanged, this, guard([this] { m_levels->updateListTotals(); }));
    connect(ui.edFragLimit, &QLineEdit::textChanged, this, guard([this] { m_levels->updateListTotals(); }));

    connect(ui.closeButton, &QPushButton::clicked, this, guard([this] { closeClicked(); }));
    connect(ui.helpButton, &QPushButton::clicked, this, guard([this] { helpClicked(); }));
    connect(ui.aboutButton, &QPushButton::clicked, this,
            guard([this] { showAboutWindow(this, m_state.soundsEnabled); }));

    guarded([this] { initialise(); });
    m_launch->updateEngineLabel(m_ui->rsServType->itemIndex());
}

MainWindow::~MainWindow() = default;

void MainWindow::bindSettings()
{
    Ui::MainWindow& ui = *m_ui;
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

Profile& MainWindow::profile()
{
    m_binder->takeAll();
    m_profile.playList = m_levels->playList();
    return m_profile;
}

const Profile& MainWindow::profile() const
{
    m_binder->takeAll();
    m_profile.playList = m_levels->playList();
    return m_profile;
}

void MainWindow::initialise()
{
    m_state.soundsEnabled = true;
    m_state.pak2Present = QFileInfo::exists(installation().quake2Dir() + q2::Pak2);
    m_state.loadingSettings = true;
    m_levels->setLastHoverIndex(-1);
    m_ui->pcPages->setCurrentWidget(m_ui->tsMaps);
    // A load stopped by a bad value still gets the message file, or the next save would empty it.
    std::exception_ptr loadError;
    try {
        m_settings->loadIniValues();
    } catch (...) {
        loadError = std::current_exception();
    }
    m_motd->loadServerMessage();
    m_state.loadingSettings = false;
    if (loadError)
        std::rethrow_exception(loadError);
}

void MainWindow::closeClicked()
{
    const QString closing = QStringLiteral("Velstrom - Closing...");
    setWindowTitle(closing);
    setApplicationTitle(closing);
    hide();
    if (m_state.soundsEnabled)
        play(QString::fromLatin1(snd::Closing), true);
    close();
}

void MainWindow::helpClicked() { openDocument(installation().file(q2::HelpDocument)); }

void MainWindow::createDialogs() { m_levels->createDialogs(); }

void MainWindow::play(const QString& name, bool wait)
{
    if (m_state.soundsEnabled)
        playSound(name, wait);
}

void MainWindow::writeLevelFiles()
{
    const Profile& current = profile();
    ::writeLevelFiles(installation(), current, !m_levels->keepProfileLevelsFile());
    m_motd->writeServerMessage();
}

void MainWindow::reloadLevelLists()
{
    m_levels->clearLists();
    m_levels->loadPlayList();
    m_levels->processSkippedLevels();
}

void MainWindow::settingsLoaded() { m_levels->clearTitles(); }

void MainWindow::restart()
{
    initialise();
    m_levels->showIdLevelsClicked();
}

bool MainWindow::verifyPlayList()
{
    m_levels->verifyPlayList();
    return m_levels->verifyResult() != VerifyResult::Abort;
}

void MainWindow::closeWindow() { close(); }

void MainWindow::gameStarted(GameProcess* process)
{
    m_serverWindow = ServerWindow::showFor(this, profile(), installation().quake2Dir(), process);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A save that fails is reported, and the window still closes: the user must never be kept from quitting.
    guarded([this] { m_settings->writeUserSettings(); });
    if (m_serverWindow)
        m_serverWindow->close();
    event->accept();
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled())
            button->click();
        else if (m_ui->goButton->isEnabled())
            m_ui->goButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
