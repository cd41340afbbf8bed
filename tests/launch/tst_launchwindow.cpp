// Go!, Go/Exit and "Create Batch File" driven through the real main window on a fake Quake 2 installation whose
// stand-in game records where it ran and which words it got.
#include "FakeQuake2.h"
#include "StandInGame.h"
#include "app/MainWindow.h"
#include "launch/BatchScript.h"
#include "launch/LaunchController.h"
#include "launch/StartFailure.h"
#include "levels/LevelsController.h"
#include "levels/ModalDialog.h"
#include "support/ErrorReport.h"
#include "support/MessageBoxes.h"
#include "support/RadioGroup.h"
#include "ui_MainWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velstrom::test;

using Setup = std::function<void(Ui::MainWindow&)>;
Q_DECLARE_METATYPE(Setup)

namespace {

QList<QCheckBox*> deathmatchBoxes(Ui::MainWindow& ui)
{
    return {ui.cbHealth,       ui.cbPowerups,      ui.cbAllowArmor,   ui.cbAllowExit,  ui.cbInstPower,
            ui.cbSameMap,      ui.cbSpawnFarthest, ui.cbForceRespawn, ui.cbWeaponStay, ui.cbFalling,
            ui.cbInfiniteAmmo, ui.cbAllowCheat,    ui.cbFixedFov,     ui.cbQuadDrop,   ui.cbFriendlyFire};
}

// A listen server with every box off: the state every test starts from, whatever the profile's defaults are.
void plainServer(Ui::MainWindow& ui)
{
    for (QCheckBox* box : deathmatchBoxes(ui))
        box->setCheckState(Qt::Unchecked);
    ui.rgTeamplay->setItemIndex(0);
    ui.edFragLimit->setText(QStringLiteral("20"));
    ui.edTimeLimit->setText(QStringLiteral("15"));
    ui.tbKickback->setValue(20);
    ui.cbUseEmpathy->setCheckState(Qt::Unchecked);
    ui.tbEmpathy->setValue(4);
    ui.rsServType->setItemIndex(0);
    ui.edHost->setText(QStringLiteral("Velstrom Server"));
    ui.edMaxClients->setText(QStringLiteral("8"));
    ui.edTimeOut->setText(QStringLiteral("120"));
    ui.edPort->setText(QStringLiteral("27910"));
    ui.edPW->clear();
    ui.cbRemoteConsole->setCheckState(Qt::Unchecked);
    ui.edROPW->clear();
    ui.cbLogFile->setCheckState(Qt::Unchecked);
    ui.chkUseVWeap->setCheckState(Qt::Unchecked);
    ui.cbConfigFiles->setCurrentText(QStringLiteral("[None]"));
    ui.edSkipKey->clear();
    ui.cbAutoRemove->setCheckState(Qt::Unchecked);
}

// The profile the launch tests start: dedicated, logged, no port, an extra script of the user's.
void dedicatedLoggedServer(Ui::MainWindow& ui)
{
    plainServer(ui);
    ui.rsServType->setItemIndex(1);
    ui.cbLogFile->setCheckState(Qt::Checked);
    ui.edPort->clear();
    ui.cbConfigFiles->setCurrentText(QStringLiteral("server.cfg"));
    ui.edSkipKey->setText(QStringLiteral("k"));
}

// The words the game gets for it: no port at all, so that the game's own default holds, and the quoted
// directory as one word; q2pro is pointed at the program directory's module.
QStringList dedicatedLoggedArgs(const QString& quake2Dir)
{
    return QStringLiteral("+set dedicated 1 +set logfile 1 +deathmatch 1 +set game Velstrom +set basedir").split(u' ') +
           QStringList{quake2Dir, "+set", "sys_forcegamelib", quake2Dir + "/Velstrom/" VELSTROM_GAME_CPU_NAME,
                       "+exec", "server.cfg", "+exec", "Velstrom.cfg"};
}

QByteArray dedicatedLoggedScript(const QByteArray& firstLevel)
{
    return "set fraglimit \"20\"\r\n"
           "set timelimit \"15\"\r\n"
           "set dmflags \"2315\"\r\n"
           "set maxclients \"8\"\r\n"
           "set timeout \"120\"\r\n"
           "set hostname \"Velstrom Server\"\r\n"
           "set password \"\"\r\n"
           "set cheats \"0\"\r\n"
           "set kickback \"1000\"\r\n"
           "bind k \"sv skip\";\r\n"
           "map " +
           firstLevel +
           "\r\n"
           "set usevweap \"0\"\r\n";
}

QByteArray crlfLines(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return bytes;
}

// Everything in a directory, name by name, to tell that nothing at all was written.
QMap<QString, QByteArray> snapshot(const QString& dir)
{
    QMap<QString, QByteArray> files;
    for (const QFileInfo& info :
         QDir(dir).entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        QFile f(info.filePath());
        files.insert(info.fileName(), f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<dir>"));
    }
    return files;
}

// The missing-level dialog answered with one of its buttons, counting the questions.
struct AnswerMissingLevels {
    explicit AnswerMissingLevels(const QString& button)
    {
        levels::setModalHook([this, button](QDialog& dialog) {
            ++asked;
            auto* b = dialog.findChild<QPushButton*>(button);
            if (b == nullptr)
                qFatal("the missing-level dialog has no %s", qPrintable(button));
            b->click();
            return dialog.result();
        });
    }
    ~AnswerMissingLevels() { levels::setModalHook({}); }
    AnswerMissingLevels(const AnswerMissingLevels&) = delete;
    AnswerMissingLevels& operator=(const AnswerMissingLevels&) = delete;
    int asked = 0;
};

// A program directory nobody may write to. Root may write anywhere, so as root the file-system identity of
// this thread drops to "nobody" meanwhile, which takes the override away.
class ReadOnlyDirectory {
public:
    explicit ReadOnlyDirectory(const QString& dir) : m_dir(QFile::encodeName(dir))
    {
        ::chmod(m_dir.constData(), 0555);
        if (::geteuid() == 0)
            ::setfsuid(65534);
    }
    ~ReadOnlyDirectory()
    {
        if (::geteuid() == 0)
            ::setfsuid(0);
        ::chmod(m_dir.constData(), 0755);
    }
    ReadOnlyDirectory(const ReadOnlyDirectory&) = delete;
    ReadOnlyDirectory& operator=(const ReadOnlyDirectory&) = delete;

private:
    QByteArray m_dir;
};

QString withoutSlash(const QString& dir)
{
    return dir.endsWith(u'/') ? dir.chopped(1) : dir;
}

} // namespace

class TestLaunchWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void configScriptIsExact_data();
    void configScriptIsExact();
    void levelFiles_data();
    void levelFiles();
    void goStartsTheServer();
    void goAndGoExitWhenTheGameCannotStart_data();
    void goAndGoExitWhenTheGameCannotStart();
    void goExitStartsAndCloses();
    void abortStartupChangesNothing_data();
    void abortStartupChangesNothing();
    void automaticRemoval();
    void readOnlyProgramDirectory();
    void batchScriptStartsWhatGoStarts();
    void batchScriptThatCannotBeWritten();
    void theEngineForTheServerType_data();
    void theEngineForTheServerType();
    void aServerThatStopsAtStart_data();
    void aServerThatStopsAtStart();
    void cleanup();

private:
    // Stand-in servers write their pid to game.pid here (not in their installation, which is gone before cleanup()
    // runs); whatever still runs of them ends in cleanup().
    QTemporaryDir m_pids;
};

void TestLaunchWindow::configScriptIsExact_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QStringList>("playList");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray head = "set fraglimit \"20\"\r\nset timelimit \"15\"\r\n";
    const QByteArray server = "set maxclients \"8\"\r\nset timeout \"120\"\r\nset hostname \"Velstrom Server\"\r\n"
                              "set password \"\"\r\n";
    const QByteArray plainTail = "set cheats \"0\"\r\nset kickback \"1000\"\r\nset usevweap \"0\"\r\n";
    const auto dmflags = [](int value) -> QByteArray {
        return "set dmflags \"" + QByteArray::number(value) + "\"\r\n";
    };

    QTest::newRow("plain server, empty play list")
        << Setup([](Ui::MainWindow&) {}) << QStringList() << head + dmflags(2315) + server + plainTail;
    QTest::newRow("all boxes unchecked, teams by model")
        << Setup([](Ui::MainWindow& ui) { ui.rgTeamplay->setItemIndex(2); }) << QStringList()
        << head + dmflags(2443) + server + plainTail;
    QTest::newRow("the five inverted boxes checked, teamplay disabled") << Setup([](Ui::MainWindow& ui) {
        for (QCheckBox* box : {ui.cbHealth, ui.cbPowerups, ui.cbFalling, ui.cbAllowArmor, ui.cbFriendlyFire})
            box->setCheckState(Qt::Checked);
    }) << QStringList() << head + dmflags(0) + server + plainTail;
    QTest::newRow("every box checked, teams by skin")
        << Setup([](Ui::MainWindow& ui) {
               for (QCheckBox* box : deathmatchBoxes(ui))
                   box->setCheckState(Qt::Checked);
               ui.rgTeamplay->setItemIndex(1);
           })
        << QStringList()
        << head + dmflags(4 + 16 + 32 + 64 + 512 + 1024 + 4096 + 8192 + 16384 + 32768) + server +
               "set cheats \"1\"\r\nset kickback \"1000\"\r\nset usevweap \"0\"\r\n";
    QTest::newRow("greyed boxes count for nothing") << Setup([](Ui::MainWindow& ui) {
        for (QCheckBox* box : deathmatchBoxes(ui))
            box->setCheckState(Qt::PartiallyChecked);
        ui.cbUseEmpathy->setCheckState(Qt::PartiallyChecked);
        ui.cbRemoteConsole->setCheckState(Qt::PartiallyChecked);
        ui.edROPW->setText(QStringLiteral("secret"));
        ui.chkUseVWeap->setCheckState(Qt::PartiallyChecked);
    }) << QStringList() << head + dmflags(0) + server + plainTail;
    QTest::newRow("kickback at 10") << Setup([](Ui::MainWindow& ui) { ui.tbKickback->setValue(10); }) << QStringList()
                                    << head + dmflags(2315) + server +
                                           "set cheats \"0\"\r\nset kickback \"500\"\r\nset usevweap \"0\"\r\n";
    QTest::newRow("kickback at 100") << Setup([](Ui::MainWindow& ui) { ui.tbKickback->setValue(100); }) << QStringList()
                                     << head + dmflags(2315) + server +
                                            "set cheats \"0\"\r\nset kickback \"5000\"\r\nset usevweap \"0\"\r\n";
    QTest::newRow("skip key bound right after the kickback")
        << Setup([](Ui::MainWindow& ui) { ui.edSkipKey->setText(QStringLiteral("k")); }) << QStringList()
        << head + dmflags(2315) + server +
               "set cheats \"0\"\r\nset kickback \"1000\"\r\nbind k \"sv skip\";\r\nset usevweap \"0\"\r\n";
    QTest::newRow("handicapping off, whatever the bar says")
        << Setup([](Ui::MainWindow& ui) { ui.tbEmpathy->setValue(2); }) << QStringList()
        << head + dmflags(2315) + server + plainTail;
    QTest::newRow("handicapping on at 2")
        << Setup([](Ui::MainWindow& ui) {
               ui.cbUseEmpathy->setCheckState(Qt::Checked);
               ui.tbEmpathy->setValue(2);
           })
        << QStringList()
        << head + dmflags(2315) + server +
               "set cheats \"0\"\r\nset kickback \"1000\"\r\nset empathyfactor \"3.5\"\r\nset usevweap \"0\"\r\n";
    QTest::newRow("remote console off, a password typed")
        << Setup([](Ui::MainWindow& ui) { ui.edROPW->setText(QStringLiteral("secret")); }) << QStringList()
        << head + dmflags(2315) + server + plainTail;
    QTest::newRow("remote console on")
        << Setup([](Ui::MainWindow& ui) {
               ui.rsServType->setItemIndex(1);
               ui.cbRemoteConsole->setCheckState(Qt::Checked);
               ui.edROPW->setText(QStringLiteral("secret"));
           })
        << QStringList()
        << head + dmflags(2315) + server +
               "set cheats \"0\"\r\nset kickback \"1000\"\r\nrcon_password \"secret\"\r\nset usevweap \"0\"\r\n";
    QTest::newRow("first level of the play list, VWep")
        << Setup([](Ui::MainWindow& ui) { ui.chkUseVWeap->setCheckState(Qt::Checked); })
        << QStringList{"q2dm3", "q2dm1"}
        << head + dmflags(2315) + server +
               "set cheats \"0\"\r\nset kickback \"1000\"\r\nmap q2dm3\r\nset usevweap \"1\"\r\n";
    QTest::newRow("values as they stand")
        << Setup([](Ui::MainWindow& ui) {
               ui.edFragLimit->clear();
               ui.edHost->setText(QStringLiteral("Bob's \"Best\" Server"));
               ui.edPW->setText(QStringLiteral("pa\"ss"));
           })
        << QStringList()
        << "set fraglimit \"\"\r\nset timelimit \"15\"\r\n" + dmflags(2315) +
               "set maxclients \"8\"\r\nset timeout \"120\"\r\nset hostname \"Bob's \"Best\" Server\"\r\n"
               "set password \"pa\"ss\"\r\n" +
               plainTail;
}

void TestLaunchWindow::configScriptIsExact()
{
    QFETCH(Setup, setup);
    QFETCH(QStringList, playList);
    QFETCH(QByteArray, expected);

    FakeQuake2 q2;
    for (const QString& level : playList)
        q2.addLevel(level + QStringLiteral(".bsp"));
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), crlfLines(playList));
    q2.writeProgramFile(QStringLiteral("Velstrom.cfg"), "an older and much longer script\r\n" + expected + expected);
    auto window = startMainWindow();
    QCOMPARE(window->levels().playList(), playList);
    plainServer(window->ui());
    setup(window->ui());

    window->launcher().writeServerConfig();
    QCOMPARE(q2.readProgramFile(QStringLiteral("Velstrom.cfg")), expected);
}

void TestLaunchWindow::levelFiles_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QStringList>("playList");
    QTest::newRow("empty play list") << "untitled" << QStringList();
    QTest::newRow("in play order") << "untitled" << QStringList{"q2dm8", "base1", "q2dm1"};
    QTest::newRow("another profile, names as they stand") << "alice" << QStringList{"my level", "Fjörd"};
}

void TestLaunchWindow::levelFiles()
{
    QFETCH(QString, profile);
    QFETCH(QStringList, playList);

    FakeQuake2 q2;
    for (const QString& level : playList)
        q2.addLevel(level + QStringLiteral(".bsp"));
    q2.writeProgramFile(QStringLiteral("velstrom.ini"), "[Options]\r\nCurrentUser=" + profile.toUtf8() + "\r\n");
    q2.writeProgramFile(profile + QStringLiteral("_maps.txt"), crlfLines(playList));
    q2.writeProgramFile(QStringLiteral("QLevels.TXT"), "old1\r\nold2\r\nold3\r\nold4\r\n");
    auto window = startMainWindow();
    QCOMPARE(window->profile().currentUser, profile);
    QCOMPARE(window->levels().playList(), playList);
    // The editor is empty, so writing the message removes the file that came after the window opened.
    q2.writeProgramFile(QStringLiteral("SERVRMSG.TXT"), "a message from elsewhere\r\n");

    window->writeLevelFiles();
    QCOMPARE(q2.readProgramFile(QStringLiteral("QLevels.TXT")), crlfLines(playList));
    QCOMPARE(q2.readProgramFile(profile + QStringLiteral("_maps.txt")), crlfLines(playList));
    QVERIFY(!QFileInfo::exists(q2.file(QStringLiteral("SERVRMSG.TXT"))));
}

void TestLaunchWindow::goStartsTheServer()
{
    FakeQuake2 q2;
    q2.addLevels({"q2dm1.bsp", "q2dm2.bsp"});
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm2\r\nq2dm1\r\n");
    q2.installGame();
    auto window = startMainWindow();
    window->show();
    dedicatedLoggedServer(window->ui());
    window->state().soundsEnabled = true;
    q2.sounds().clear();
    // The message editor is empty: the launch writes the message by removing this file.
    q2.writeProgramFile(QStringLiteral("SERVRMSG.TXT"), "a message from elsewhere\r\n");

    window->ui().goButton->click();

    QCOMPARE(msgbox::shown().size(), 0);
    QCOMPARE(q2.readProgramFile(QStringLiteral("QLevels.TXT")), QByteArray("q2dm2\r\nq2dm1\r\n"));
    QCOMPARE(q2.readProgramFile(QStringLiteral("untitled_maps.txt")), QByteArray("q2dm2\r\nq2dm1\r\n"));
    QVERIFY(!QFileInfo::exists(q2.file(QStringLiteral("SERVRMSG.TXT"))));
    QCOMPARE(q2.readProgramFile(QStringLiteral("Velstrom.cfg")), dedicatedLoggedScript("q2dm2"));
    const QString started = launchEntry(q2.quake2Dir(), dedicatedLoggedArgs(q2.quake2Dir()));
    QTRY_COMPARE(launchEntriesIn(q2.quake2Dir()), QStringList{started});
    // The Go sound plays on while the verification runs; Go leaves the program open, back in its directory.
    QCOMPARE(q2.sounds().names(), QStringList{"SND_GO"});
    QCOMPARE(q2.sounds().played().first().wait, false);
    QVERIFY(window->isVisible());
    QCOMPARE(QDir::currentPath(), withoutSlash(q2.programDir()));

    // So a second Go writes the script to the same place and starts the game the same way.
    window->ui().edHost->setText(QStringLiteral("Second Round"));
    window->ui().goButton->click();
    QTRY_COMPARE(launchEntriesIn(q2.quake2Dir()), (QStringList{started, started}));
    QVERIFY(q2.readProgramFile(QStringLiteral("Velstrom.cfg")).contains("set hostname \"Second Round\""));
    QVERIFY(!QFileInfo::exists(q2.quake2Dir() + QStringLiteral("/Velstrom.cfg")));
    QCOMPARE(QDir::currentPath(), withoutSlash(q2.programDir()));
}

void TestLaunchWindow::goAndGoExitWhenTheGameCannotStart_data()
{
    QTest::addColumn<bool>("goExit");
    QTest::newRow("Go") << false;
    QTest::newRow("Go/Exit") << true;
}

void TestLaunchWindow::goAndGoExitWhenTheGameCannotStart()
{
    QFETCH(bool, goExit);
    FakeQuake2 q2;
    q2.addLevel(QStringLiteral("q2dm1.bsp"));
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm1\r\n");
    auto window = startMainWindow();
    window->show();
    dedicatedLoggedServer(window->ui());

    (goExit ? window->ui().goExitButton : window->ui().goButton)->click();

    // No engine anywhere: the message names the Windows game and the words as the game would get them.
    const QString commandLine = QStringLiteral("quake2.exe +set dedicated 1 +set logfile 1 +deathmatch 1 "
                                               "+set game Velstrom +set basedir ") +
                                q2.quake2Dir() + QStringLiteral(" +set sys_forcegamelib ") + q2.quake2Dir() +
                                QStringLiteral("/Velstrom/" VELSTROM_GAME_CPU_NAME " +exec server.cfg +exec Velstrom.cfg");
    QCOMPARE(msgbox::shown().size(), 1);
    QCOMPARE(msgbox::shown().first().text,
             QStringLiteral("The file (") + commandLine + QStringLiteral(") was not found."));
    // The files were written before the start was tried.
    QCOMPARE(q2.readProgramFile(QStringLiteral("Velstrom.cfg")), dedicatedLoggedScript("q2dm1"));
    QCOMPARE(window->isVisible(), !goExit);
    QCOMPARE(QDir::currentPath(), withoutSlash(q2.programDir()));
}

void TestLaunchWindow::goExitStartsAndCloses()
{
    FakeQuake2 q2;
    q2.addLevel(QStringLiteral("q2dm1.bsp"));
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm1\r\n");
    q2.installGame(QStringLiteral("quake2.exe"));
    auto window = startMainWindow();
    window->show();
    dedicatedLoggedServer(window->ui());
    // q2pro listens on net_port alone, so a port goes to the game under both names.
    window->ui().edPort->setText(QStringLiteral("27960"));
    window->state().soundsEnabled = true;
    q2.sounds().clear();

    window->ui().goExitButton->click();

    QStringList args = dedicatedLoggedArgs(q2.quake2Dir());
    const qsizetype afterDeathmatch = args.indexOf("+deathmatch") + 2;
    args = args.mid(0, afterDeathmatch) + QStringList{"+set", "port", "27960", "+set", "net_port", "27960"} +
           args.mid(afterDeathmatch);
    QTRY_COMPARE(launchEntriesIn(q2.quake2Dir()), QStringList{launchEntry(q2.quake2Dir(), args)});
    QCOMPARE(q2.readProgramFile(QStringLiteral("Velstrom.cfg")), dedicatedLoggedScript("q2dm1"));
    QVERIFY(!window->isVisible());
    // Closing saved the profile.
    QVERIFY(QFileInfo::exists(q2.file(QStringLiteral("untitled.ini"))));
    // The Go/Exit sound is heard to its end before anything else happens.
    QVERIFY(!q2.sounds().played().isEmpty());
    QCOMPARE(q2.sounds().played().first().name, QStringLiteral("SND_GOEXIT"));
    QCOMPARE(q2.sounds().played().first().wait, true);
    QCOMPARE(msgbox::shown().size(), 0);
}

void TestLaunchWindow::abortStartupChangesNothing_data()
{
    QTest::addColumn<bool>("goExit");
    QTest::newRow("Go") << false;
    QTest::newRow("Go/Exit") << true;
}

void TestLaunchWindow::abortStartupChangesNothing()
{
    QFETCH(bool, goExit);
    FakeQuake2 q2;
    q2.addLevels({"q2dm1.bsp", "q2dm2.bsp"});
    q2.writeMapsList({"base1 Outer Base"});
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm1\r\ngone1\r\nq2dm2\r\ngone2\r\n");
    q2.writeProgramFile(QStringLiteral("QLevels.TXT"), "an older rotation\r\n");
    q2.writeProgramFile(QStringLiteral("SERVRMSG.TXT"), "an older message\r\n");
    q2.writeProgramFile(QStringLiteral("Velstrom.cfg"), "an older script\r\n");
    q2.installGame();
    auto window = startMainWindow();
    window->show();
    dedicatedLoggedServer(window->ui());
    const auto before = snapshot(q2.programDir());

    {
        AnswerMissingLevels abort(QStringLiteral("abortButton"));
        (goExit ? window->ui().goExitButton : window->ui().goButton)->click();
        QCOMPARE(abort.asked, 1);
    }

    QVERIFY(window->levels().verifyResult() == VerifyResult::Abort);
    QCOMPARE(snapshot(q2.programDir()), before);
    QCOMPARE(window->levels().playList(), (QStringList{"q2dm1", "gone1", "q2dm2", "gone2"}));
    QVERIFY(window->isVisible());
    QCOMPARE(msgbox::shown().size(), 0);
    QCOMPARE(QDir::currentPath(), withoutSlash(q2.programDir()));

    // Nothing was started: the next start is the first one the game records.
    {
        AnswerMissingLevels keep(QStringLiteral("noButton"));
        window->ui().goButton->click();
    }
    QTRY_COMPARE(launchEntriesIn(q2.quake2Dir()).size(), 1);
}

void TestLaunchWindow::automaticRemoval()
{
    FakeQuake2 q2;
    q2.addLevels({"q2dm1.bsp", "q2dm2.bsp"});
    q2.writeMapsList({"base1 Outer Base"});
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), "gone0\r\nq2dm1\r\ngone1\r\nbase1\r\nq2dm2\r\ngone2\r\n");
    q2.installGame();
    auto window = startMainWindow();
    dedicatedLoggedServer(window->ui());
    window->ui().cbAutoRemove->setCheckState(Qt::Checked);

    {
        AnswerMissingLevels abort(QStringLiteral("abortButton"));
        window->ui().goButton->click();
        QCOMPARE(abort.asked, 0);
    }

    QCOMPARE(window->levels().playList(), (QStringList{"q2dm1", "base1", "q2dm2"}));
    QCOMPARE(q2.readProgramFile(QStringLiteral("QLevels.TXT")), QByteArray("q2dm1\r\nbase1\r\nq2dm2\r\n"));
    QCOMPARE(q2.readProgramFile(QStringLiteral("untitled_maps.txt")), QByteArray("q2dm1\r\nbase1\r\nq2dm2\r\n"));
    QCOMPARE(q2.readProgramFile(QStringLiteral("Velstrom.cfg")), dedicatedLoggedScript("q2dm1"));
    QTRY_COMPARE(launchEntriesIn(q2.quake2Dir()).size(), 1);
}

void TestLaunchWindow::readOnlyProgramDirectory()
{
    FakeQuake2 q2;
    q2.addLevel(QStringLiteral("q2dm1.bsp"));
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm1\r\n");
    q2.writeProgramFile(QStringLiteral("QLevels.TXT"), "an older rotation\r\n");
    q2.writeProgramFile(QStringLiteral("SERVRMSG.TXT"), "an older message\r\n");
    q2.writeProgramFile(QStringLiteral("Velstrom.cfg"), "an older script\r\n");
    q2.installGame();
    // Let "nobody" reach the installation, as any user can reach one installed for everyone.
    ::chmod(QFile::encodeName(QFileInfo(q2.quake2Dir()).absolutePath()).constData(), 0755);
    auto window = startMainWindow();
    dedicatedLoggedServer(window->ui());
    const auto before = snapshot(q2.programDir());

    {
        const ReadOnlyDirectory readOnly(q2.programDir());
        window->ui().goButton->click();
    }

    QCOMPARE(msgbox::shown().size(), 1);
    QCOMPARE(msgbox::shown().first().icon, msgbox::Icon::Error);
    QCOMPARE(msgbox::shown().first().text, QStringLiteral("File access denied"));
    QCOMPARE(snapshot(q2.programDir()), before);
    QCOMPARE(QDir::currentPath(), withoutSlash(q2.programDir()));

    // Nothing was started: once the directory may be written again, the next Go is the first start.
    msgbox::clearShown();
    window->ui().goButton->click();
    QCOMPARE(msgbox::shown().size(), 0);
    QTRY_COMPARE(launchEntriesIn(q2.quake2Dir()).size(), 1);
}

void TestLaunchWindow::batchScriptStartsWhatGoStarts()
{
    FakeQuake2 q2;
    q2.addLevel(QStringLiteral("q2dm1.bsp"));
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm1\r\n");
    q2.writeProgramFile(QStringLiteral("velstrom.sh"), "an older script\n");
    QFile::setPermissions(q2.file(QStringLiteral("velstrom.sh")), QFile::ReadOwner | QFile::WriteOwner);
    q2.installGame();
    auto window = startMainWindow();
    dedicatedLoggedServer(window->ui());
    const QString cwd = QDir::currentPath();

    window->ui().createScriptButton->click();

    QCOMPARE(msgbox::shown().size(), 1);
    QCOMPARE(msgbox::shown().first().caption, QStringLiteral("Information"));
    QCOMPARE(msgbox::shown().first().text,
             QStringLiteral("A batch file for the currently selected Velstrom profile has been created in ") +
                 q2.programDir() + QStringLiteral(".  Run velstrom.sh from a terminal or your file manager."));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(q2.file(QStringLiteral("velstrom.sh"))).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0755));
    QVERIFY(q2.readProgramFile(QStringLiteral("velstrom.sh")).startsWith("#!/bin/sh\n"));
    QCOMPARE(QDir::currentPath(), cwd);
    // The script carries only the command line.
    QVERIFY(!QFileInfo::exists(q2.file(QStringLiteral("Velstrom.cfg"))));

    window->ui().goButton->click();
    QTRY_COMPARE(launchEntriesIn(q2.quake2Dir()).size(), 1);
    QCOMPARE(q2.readProgramFile(QStringLiteral("Velstrom.cfg")), dedicatedLoggedScript("q2dm1"));

    // Started the way a user would, from wherever the terminal is.
    QProcess sh;
    sh.setWorkingDirectory(QDir::rootPath());
    sh.start(QStringLiteral("/bin/sh"), {q2.file(QStringLiteral("velstrom.sh"))});
    QVERIFY(sh.waitForFinished(20000));
    QCOMPARE(sh.exitCode(), 0);
    const QStringList entries = launchEntriesIn(q2.quake2Dir());
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[1], entries[0]);
    QCOMPARE(entries[1], launchEntry(q2.quake2Dir(), dedicatedLoggedArgs(q2.quake2Dir())));
}

void TestLaunchWindow::batchScriptThatCannotBeWritten()
{
    FakeQuake2 q2;
    QVERIFY(QDir().mkpath(q2.file(QStringLiteral("velstrom.sh"))));
    auto window = startMainWindow();

    window->ui().createScriptButton->click();

    QCOMPARE(msgbox::shown().size(), 1);
    QCOMPARE(msgbox::shown().first().icon, msgbox::Icon::Error);
    QCOMPARE(msgbox::shown().first().text, QStringLiteral("File access denied"));
    QVERIFY(QFileInfo(q2.file(QStringLiteral("velstrom.sh"))).isDir());
}

void TestLaunchWindow::theEngineForTheServerType_data()
{
    QTest::addColumn<QStringList>("games"); // in the Quake 2 directory; "bin/..." on a PATH of the test's own
    QTest::addColumn<int>("serverType");
    QTest::addColumn<QString>("started");
    QTest::newRow("q2proded alone, dedicated") << QStringList{"q2proded"} << 1 << "q2proded";
    QTest::newRow("q2ded on the PATH only, dedicated") << QStringList{"bin/q2ded"} << 1 << "bin/q2ded";
    QTest::newRow("the Quake 2 directory before the PATH") << QStringList{"bin/q2ded", "q2pro"} << 1 << "q2pro";
    QTest::newRow("listen: quake2, never q2ded") << QStringList{"q2ded", "bin/quake2"} << 0 << "bin/quake2";
}

void TestLaunchWindow::theEngineForTheServerType()
{
    QFETCH(QStringList, games);
    QFETCH(int, serverType);
    QFETCH(QString, started);
    FakeQuake2 q2;
    const QString binDir = QFileInfo(q2.quake2Dir()).absolutePath() + QStringLiteral("/bin");
    QVERIFY(QDir().mkpath(binDir));
    for (const QString& game : games)
        installStandInGame(game.startsWith("bin/") ? binDir : q2.quake2Dir(), game.section('/', -1));
    const QByteArray path = qgetenv("PATH");
    const auto restorePath = qScopeGuard([path] { qputenv("PATH", path); });
    qputenv("PATH", QFile::encodeName(binDir) + ':' + path);
    q2.addLevel(QStringLiteral("q2dm1.bsp"));
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm1\r\n");
    auto window = startMainWindow();
    dedicatedLoggedServer(window->ui());
    window->ui().rsServType->setItemIndex(serverType);
    const bool onPath = started.startsWith("bin/");
    const QString engineDir = onPath ? binDir : q2.quake2Dir();
    const QString engine = started.section('/', -1);

    // The page says which one will start.
    auto* label = window->findChild<QLabel*>(QStringLiteral("lblEngine"));
    QVERIFY(label != nullptr);
    QCOMPARE(label->toolTip(), "Starts: " + engine + " (in " + engineDir + ")");

    window->ui().goButton->click();
    window->ui().createScriptButton->click();

    QStringList args = dedicatedLoggedArgs(q2.quake2Dir());
    if (serverType == 0)
        args.erase(args.begin(), args.begin() + 3);
    QTRY_COMPARE(launchEntriesIn(engineDir), QStringList{launchEntry(q2.quake2Dir(), args)});
    // The script names the same file: by its full path when it came from the PATH.
    const QString program = onPath ? engineDir + '/' + engine : "./" + engine;
    QVERIFY(q2.readProgramFile(QStringLiteral("velstrom.sh")).contains("\nexec " + shellQuote(program).toUtf8() + ' '));
    QCOMPARE(msgbox::shown().size(), 1); // the script's notice, nothing else
}

void TestLaunchWindow::aServerThatStopsAtStart_data()
{
    QTest::addColumn<bool>("goExit");
    QTest::addColumn<QByteArray>("game");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<QString>("box"); // empty: none

    const QByteArray fatal = "echo 'Loading library: game.so'; echo '********'; "
                             "echo 'FATAL: no stock game library found' >&2; exit 1";
    const QByteArray fatalOutput = "Loading library: game.so\n********\nFATAL: no stock game library found\n";
    const QString fatalBox = "The server stopped right after it started (exit code 1).\n\n"
                             "Loading library: game.so\n********\nFATAL: no stock game library found";
    const QByteArray errorLine = "echo 'Error: FS_LoadPAK: bad pack'";
    const QString errorBox = "The server stopped right after it started (exit code 0).\n\nError: FS_LoadPAK: bad pack";
    const QByteArray runsOn = "echo $$ > {pids}/game.pid; echo running; exec sleep 60";
    const QByteArray endsLater = "echo $$ > {pids}/game.pid; echo running; sleep 4; echo gone; exit 1";
    for (const bool goExit : {true, false}) {
        const char* button = goExit ? "Go/Exit: " : "Go: ";
        // clang-format off
        QTest::addRow("%sa fatal line, exit code 1", button) << goExit << fatal << fatalOutput << fatalBox;
        QTest::addRow("%san error line, exit code 0", button) << goExit << errorLine
                                                              << QByteArray("Error: FS_LoadPAK: bad pack\n") << errorBox;
        QTest::addRow("%sends at once, all well", button) << goExit << QByteArray("echo bye") << QByteArray("bye\n")
                                                          << QString();
        QTest::addRow("%sruns on", button) << goExit << runsOn << QByteArray("running\n") << QString();
        // clang-format on
    }
    QTest::newRow("Go: fails after its start") << false << endsLater << QByteArray("running\ngone\n") << QString();
}

void TestLaunchWindow::aServerThatStopsAtStart()
{
    QFETCH(bool, goExit);
    QFETCH(QByteArray, game);
    QFETCH(QByteArray, output);
    QFETCH(QString, box);
    FakeQuake2 q2;
    q2.addLevel(QStringLiteral("q2dm1.bsp"));
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm1\r\n");
    q2.writeProgramFile(QStringLiteral("server.log"), "the log of an earlier start\n");
    const QString gamePath = q2.quake2Dir() + QStringLiteral("/quake2");
    QFile script(gamePath);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n" + game.replace("{pids}", QFile::encodeName(m_pids.path())) + '\n');
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    auto window = startMainWindow();
    window->show();
    dedicatedLoggedServer(window->ui());
    QElapsedTimer clock;
    clock.start();

    (goExit ? window->ui().goExitButton : window->ui().goButton)->click();

    if (goExit) {
        // Go/Exit has waited for the server's fate: the box, or the program gone once the server ran for a moment.
        QCOMPARE(window->isVisible(), !box.isEmpty());
        if (box.isEmpty() && output.startsWith("running"))
            QVERIFY2(clock.elapsed() >= server::StartupMs, qPrintable(QString::number(clock.elapsed())));
    } else {
        QVERIFY(window->isVisible());
        // Go! reports when the server stops; one that fails later is the server window's to show.
        if (output.contains("gone"))
            QTRY_VERIFY_WITH_TIMEOUT(q2.readProgramFile(QStringLiteral("server.log")).endsWith("gone\n"), 10000);
        else if (!box.isEmpty())
            QTRY_COMPARE(msgbox::shown().size(), 1);
    }
    QTRY_COMPARE(q2.readProgramFile(QStringLiteral("server.log")), output);
    // Go! shows the server's output as it came in the server window too.
    if (!goExit) {
        auto* pane = window->findChild<QPlainTextEdit*>(QStringLiteral("edServerOutput"));
        QVERIFY(pane != nullptr);
        QTRY_COMPARE(pane->toPlainText(), QString::fromLatin1(output));
    }
    QCOMPARE(msgbox::shown().size(), box.isEmpty() ? 0 : 1);
    if (!box.isEmpty()) {
        QCOMPARE(msgbox::shown().first().icon, msgbox::Icon::Error);
        QCOMPARE(msgbox::shown().first().caption, applicationTitle());
        QCOMPARE(msgbox::shown().first().text, box);
    }
}

void TestLaunchWindow::cleanup()
{
    QFile pidFile(m_pids.filePath(QStringLiteral("game.pid")));
    if (!pidFile.open(QIODevice::ReadOnly))
        return;
    const pid_t pid = pidFile.readAll().trimmed().toInt();
    pidFile.remove();
    if (pid > 0 && ::kill(pid, SIGKILL) == 0)
        QVERIFY(QTest::qWaitFor([pid] { return ::kill(pid, 0) != 0; }, 5000));
}

QTEST_MAIN(TestLaunchWindow)
#include "tst_launchwindow.moc"
