// Loading the INI files into the real window, saving them back, Reset All, and bad INI files.
#include "ProfileTesting.h"
#include "profiles/SettingsController.h"
#include "support/AppError.h"
#include "support/MessageBoxes.h"
#include "ui_MainWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

#include <sys/stat.h>

#include <unistd.h>

using namespace velstrom::test;

namespace {

const QString Untitled = QStringLiteral("untitled");

// Joined, so that a failure shows what was reported.
QString joinedErrorTexts()
{
    return errorTexts().join(u'|');
}

// Every check box of the table, profile and program keys.
QList<SettingKey> checkKeys()
{
    QList<SettingKey> keys;
    for (const QList<SettingKey>* table : {&settingkeys::programKeys(), &settingkeys::profileKeys()})
        for (const SettingKey& key : *table)
            if (key.kind == SettingKind::Check)
                keys.append(key);
    return keys;
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstRunShowsTheDefaults();
    void vwepFollowsThePak_data();
    void vwepFollowsThePak();
    void checkTexts_data();
    void checkTexts();
    void indexesAndPositionsAreClamped_data();
    void indexesAndPositionsAreClamped();
    void nonIntegerTakesItsDefault_data();
    void nonIntegerTakesItsDefault();
    void unreadableIniIsReportedAndKept_data();
    void unreadableIniIsReportedAndKept();
    void invalidProfileNameIsNotUsed_data();
    void invalidProfileNameIsNotUsed();
    void nonIntegerOnSwitchStillLoadsTheLists();
    void nonIntegerAtStartKeepsTheMessageFile();
    void savedFileFromScratchIsExact();
    void profileFilesAreOwnerOnly();
    void everySettingRoundTrips();
    void overLongStoredTextsSurvive();
    void profileListAndConfigList();
    void storedProfileWithoutFile();
    void loadClearsTheTitleLabels();
    void unwritableDirectoryStopsTheSave();
    void blockedProfileFileStopsTheSaveOfThatFile();
    void resetAllRestoresDefaults();
    void resetAllDeclinedChangesNothing();
    void corruptAndOddFilesLoad_data();
    void corruptAndOddFilesLoad();
    void duplicateKeysTakeTheFirstAndSaveBack();
    void hugeValuesAreCut();
};

void TestSettingsStore::firstRunShowsTheDefaults()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    auto& ui = form->ui();
    QCOMPARE(form->profile().currentUser, Untitled);
    QCOMPARE(comboItems(ui.cbCurrentUserFiles), QStringList{Untitled});
    QCOMPARE(ui.cbCurrentUserFiles->currentIndex(), 0);
    QCOMPARE(ui.edPort->text(), QStringLiteral("27910"));
    QCOMPARE(ui.edTimeOut->text(), QStringLiteral("125"));
    QCOMPARE(ui.edMaxClients->text(), QStringLiteral("8"));
    QCOMPARE(ui.edFragLimit->text(), QStringLiteral("0"));
    QCOMPARE(ui.edTimeLimit->text(), QStringLiteral("0"));
    QCOMPARE(ui.rsServType->itemIndex(), 0);
    QCOMPARE(ui.rgTeamplay->itemIndex(), 0);
    QCOMPARE(ui.tbKickback->value(), 10);
    QCOMPARE(ui.lblKickVal->text(), QStringLiteral("500"));
    QCOMPARE(ui.tbEmpathy->value(), 1);
    QCOMPARE(ui.lblT1->text(), QStringLiteral("8 frags"));
    QCOMPARE(ui.lblT3->text(), QStringLiteral("16 frags"));
    QCOMPARE(ui.lblFactor->text(), QStringLiteral("4"));
    QCOMPARE(ui.cbConfigFiles->currentText(), QStringLiteral("[None]"));
    QCOMPARE(ui.edSkipKey->text(), QString());
    QVERIFY(ui.edHost->text().isEmpty() && ui.edPW->text().isEmpty() && ui.edROPW->text().isEmpty());
    for (const SettingKey& key : checkKeys())
        QCOMPARE(shownValue(*form, key), settingkeys::defaultFor(key, false));
    QVERIFY(form->state().soundsEnabled);
    QVERIFY(!form->state().loadingSettings);
    QVERIFY(ui.pnEmp->isHidden());
    QVERIFY(!ui.cbRemoteConsole->isEnabled() && !ui.edROPW->isEnabled() && !ui.lblRconPassword->isEnabled());
    QCOMPARE(joinedErrorTexts(), QString());
    // Nothing is written by a load.
    QVERIFY(!QFile::exists(q2.file(QStringLiteral("velstrom.ini"))));
    QVERIFY(!QFile::exists(q2.file(QStringLiteral("untitled.ini"))));
}

void TestSettingsStore::vwepFollowsThePak_data()
{
    QTest::addColumn<bool>("pak2");
    QTest::addColumn<QString>("stored"); // empty: no key
    QTest::addColumn<QString>("shown");
    QTest::newRow("no pak, no key") << false << ""
                                    << "UNC";
    QTest::newRow("pak, no key") << true << ""
                                 << "CHK";
    QTest::newRow("no pak, stored CHK") << false << "CHK"
                                        << "CHK";
    QTest::newRow("pak, stored UNC") << true << "UNC"
                                     << "UNC";
}

void TestSettingsStore::vwepFollowsThePak()
{
    QFETCH(bool, pak2);
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    FakeQuake2 q2;
    if (pak2)
        q2.writePak2();
    if (!stored.isEmpty())
        writeIni(q2, Untitled, {{"Usevweap", stored}});
    auto form = makeMainWindow();
    QCOMPARE(shownValue(*form, *settingkeys::find(QStringLiteral("Usevweap"))), shown);
    QCOMPARE(form->ui().chkUseVWeap->isEnabled(), pak2);
}

void TestSettingsStore::checkTexts_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("saved");
    QTest::newRow("UNC") << "UNC" << int(Qt::Unchecked) << "UNC";
    QTest::newRow("CHK") << "CHK" << int(Qt::Checked) << "CHK";
    QTest::newRow("GRAY") << "GRAY" << int(Qt::PartiallyChecked) << "GRAY";
    QTest::newRow("empty") << "" << int(Qt::PartiallyChecked) << "GRAY";
    QTest::newRow("chk") << "chk" << int(Qt::PartiallyChecked) << "GRAY";
    QTest::newRow("unc") << "unc" << int(Qt::PartiallyChecked) << "GRAY";
    QTest::newRow("Chk") << "Chk" << int(Qt::PartiallyChecked) << "GRAY";
    QTest::newRow("1") << "1" << int(Qt::PartiallyChecked) << "GRAY";
}

// Every check key, profile and program, takes the same mapping in and out.
void TestSettingsStore::checkTexts()
{
    QFETCH(QString, stored);
    QFETCH(int, state);
    QFETCH(QString, saved);
    FakeQuake2 q2;
    KeyValues profile;
    KeyValues program;
    for (const SettingKey& key : checkKeys())
        (key.file == SettingFile::Profile ? profile : program).append({key.key, stored});
    writeIni(q2, Untitled, profile);
    writeIni(q2, QStringLiteral("velstrom"), program);

    auto form = makeMainWindow();
    for (const SettingKey& key : checkKeys())
        QCOMPARE(int(control<QCheckBox>(*form, key)->checkState()), state);
    // Only an unchecked box lets sounds play.
    QCOMPARE(form->state().soundsEnabled, state == Qt::Unchecked);
    // A greyed handicap box does not count as checked.
    QCOMPARE(!form->ui().pnEmp->isHidden(), state == Qt::Checked);

    form->settings().writeUserSettings();
    for (const SettingKey& key : checkKeys())
        QCOMPARE(storedValue(q2, key.file == SettingFile::Profile ? Untitled : QStringLiteral("velstrom"), key.key),
                 saved);
}

void TestSettingsStore::indexesAndPositionsAreClamped_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("saved");
    QTest::newRow("Teamplay 7") << "Teamplay"
                                << "7"
                                << "2";
    QTest::newRow("Teamplay -1") << "Teamplay"
                                 << "-1"
                                 << "-1";
    QTest::newRow("Teamplay blank-led") << "Teamplay"
                                        << " 1"
                                        << "1";
    QTest::newRow("Teamplay hex") << "Teamplay"
                                  << "$2"
                                  << "2";
    QTest::newRow("ServerType -5") << "ServerType"
                                   << "-5"
                                   << "-1";
    QTest::newRow("ServerType 1") << "ServerType"
                                  << "1"
                                  << "1";
    QTest::newRow("ServerType 99") << "ServerType"
                                   << "99"
                                   << "1";
    QTest::newRow("KickBack 500") << "KickBack"
                                  << "500"
                                  << "100";
    QTest::newRow("KickBack 5") << "KickBack"
                                << "5"
                                << "10";
    QTest::newRow("KickBack 55") << "KickBack"
                                 << "55"
                                 << "55";
    QTest::newRow("Empathy 0") << "Empathy"
                               << "0"
                               << "1";
    QTest::newRow("Empathy 99") << "Empathy"
                                << "99"
                                << "7";
    QTest::newRow("Empathy -2147483648") << "Empathy"
                                         << "-2147483648"
                                         << "1";
}

void TestSettingsStore::indexesAndPositionsAreClamped()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, saved);
    FakeQuake2 q2;
    writeIni(q2, Untitled, {{key, stored}});
    auto form = makeMainWindow();
    QCOMPARE(joinedErrorTexts(), QString());
    QCOMPARE(shownValue(*form, *settingkeys::find(key)), saved);
    auto& ui = form->ui();
    // The labels follow the loaded positions.
    QCOMPARE(ui.lblKickVal->text(), QString::number(ui.tbKickback->value() * 50));
    QCOMPARE(ui.lblFactor->text(), QLocale::system().toString((9 - ui.tbEmpathy->value()) / 2.0));
    form->settings().writeUserSettings();
    QCOMPARE(storedValue(q2, Untitled, key), saved);
}

void TestSettingsStore::nonIntegerTakesItsDefault_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("fallback");
    QTest::newRow("Teamplay") << "Teamplay"
                              << "abc"
                              << "0";
    QTest::newRow("ServerType") << "ServerType"
                                << "1.0"
                                << "0";
    QTest::newRow("KickBack empty") << "KickBack"
                                    << ""
                                    << "10";
    QTest::newRow("Empathy exponent") << "Empathy"
                                      << "1e2"
                                      << "1";
    QTest::newRow("Empathy too big") << "Empathy"
                                     << "99999999999"
                                     << "1";
}

// A bad number is reported once and costs only its own key: every other key loads, the window is not left in its
// loading state, and a close writes back everything the file held but the corrected value.
void TestSettingsStore::nonIntegerTakesItsDefault()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, fallback);
    FakeQuake2 q2;
    q2.writeProgramFile(QStringLiteral("../baseq2/late.cfg"), "");
    const KeyValues held = {{"FragLimit", "42"}, {"HostName", "after the bad key"}, {"MaxClients", "16"},
                            {"Port", "27999"},   {"TimeOut", "300"},                 {"ConfigFile", "late.cfg"}};
    writeIni(q2, Untitled, KeyValues{{key, stored}} + held);
    auto form = makeMainWindow();
    QCOMPARE(joinedErrorTexts(), QStringLiteral("'%1' is not a valid integer value").arg(stored));
    QCOMPARE(form->ui().cbConfigFiles->currentText(), QStringLiteral("late.cfg"));
    QCOMPARE(shownValue(*form, *settingkeys::find(key)), fallback);
    QVERIFY(!form->state().loadingSettings);
    form->settings().writeUserSettings();
    for (const auto& [k, v] : held)
        QCOMPARE(storedValue(q2, Untitled, k), v);
    QCOMPARE(storedValue(q2, Untitled, key), fallback);
}

void TestSettingsStore::unreadableIniIsReportedAndKept_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("program INI") << "velstrom.ini";
    QTest::newRow("profile INI") << "untitled.ini";
}

// A FIFO stands for any file that is there but cannot be read: reported once, loaded as defaults, never written.
void TestSettingsStore::unreadableIniIsReportedAndKept()
{
    QFETCH(QString, name);
    FakeQuake2 q2;
    QCOMPARE(::mkfifo(QFile::encodeName(q2.file(name)).constData(), 0600), 0);
    auto form = makeMainWindow();
    QCOMPARE(joinedErrorTexts(), QStringLiteral("Cannot read ") + q2.file(name) + QStringLiteral(": File access denied"));
    QCOMPARE(form->ui().edMaxClients->text(), QStringLiteral("8"));
    form->settings().writeUserSettings();
    // Still the FIFO: not replaced by a written file.
    QVERIFY(QFileInfo(q2.file(name)).exists() && !QFileInfo(q2.file(name)).isFile());
}

void TestSettingsStore::invalidProfileNameIsNotUsed_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("up and out") << "../../../../outside/evil";
    QTest::newRow("slash") << "a/b";
    QTest::newRow("blank") << "my profile";
    QTest::newRow("65 bytes") << QString(65, u'x');
}

// A name read from the program INI follows the typed-name rule: nothing is ever made outside the program directory.
void TestSettingsStore::invalidProfileNameIsNotUsed()
{
    QFETCH(QString, name);
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("velstrom"), {{"CurrentUser", name}});
    auto form = makeMainWindow();
    QCOMPARE(joinedErrorTexts(), QStringLiteral("Profile name '%1' is not valid; using \"untitled\".").arg(name));
    QCOMPARE(form->profile().currentUser, Untitled);
    form->settings().writeUserSettings();
    QCOMPARE(storedValue(q2, QStringLiteral("velstrom"), QStringLiteral("CurrentUser")), Untitled);
    QVERIFY(QFile::exists(q2.file(QStringLiteral("untitled.ini"))));
    QVERIFY(!QFile::exists(q2.file(name + QStringLiteral(".ini"))));
}

void TestSettingsStore::nonIntegerOnSwitchStillLoadsTheLists()
{
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("broken"), {{"FragLimit", "7"}, {"ServerType", "x"}, {"Port", "1"}});
    auto form = makeMainWindow();
    form->ui().edPort->setText(QStringLiteral("555"));
    form->profile().currentUser = QStringLiteral("broken");
    QVERIFY_THROWS_EXCEPTION(AppError, form->settings().newCurrentUser());
    QCOMPARE(form->ui().edFragLimit->text(), QStringLiteral("7"));
    QCOMPARE(form->ui().edPort->text(), QStringLiteral("1")); // after the bad key: loaded all the same
    QVERIFY(!form->state().loadingSettings);
    QCOMPARE(form->profile().currentUser, QStringLiteral("broken"));
    QCOMPARE(storedValue(q2, QStringLiteral("velstrom"), QStringLiteral("CurrentUser")), QStringLiteral("broken"));
}

// The message editor is loaded after the settings: a stopped load must not leave it empty, or the close would
// write an empty message file over the user's.
void TestSettingsStore::nonIntegerAtStartKeepsTheMessageFile()
{
    FakeQuake2 q2;
    writeIni(q2, Untitled, {{"Teamplay", "two"}});
    q2.writeProgramFile(QStringLiteral("SERVRMSG.TXT"), "Welcome to the night games\r\n");
    auto form = makeMainWindow();
    QCOMPARE(joinedErrorTexts(), QStringLiteral("'two' is not a valid integer value"));
    form->show();
    QVERIFY(form->close());
    // The message survives (written back as loaded, with its line break), instead of the file being emptied.
    QVERIFY(q2.readProgramFile(QStringLiteral("SERVRMSG.TXT")).startsWith("Welcome to the night games\r\n"));
}

void TestSettingsStore::savedFileFromScratchIsExact()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    auto& ui = form->ui();
    ui.cbHealth->setCheckState(Qt::Unchecked);
    ui.cbFriendlyFire->setCheckState(Qt::PartiallyChecked);
    ui.edHost->setText(QStringLiteral("Fragfest = #1; all welcome"));
    ui.edPW->setText(QStringLiteral("[secret]"));
    ui.edSkipKey->setText(QStringLiteral("k"));
    ui.rgTeamplay->setItemIndex(2);
    ui.rsServType->setItemIndex(1);
    ui.tbKickback->setValue(30);
    ui.tbEmpathy->setValue(4);
    ui.cbConfigFiles->setEditText(QStringLiteral("server.cfg"));
    ui.cbAutoRemove->setCheckState(Qt::Checked);
    form->settings().writeUserSettings();

    QCOMPARE(q2.readProgramFile(QStringLiteral("velstrom.ini")),
             QByteArray("[Options]\r\nCurrentUser=untitled\r\nSoundDisable=UNC\r\nAutoRemove=CHK\r\n"));
    QCOMPARE(q2.readProgramFile(QStringLiteral("untitled.ini")), QByteArray("[Options]\r\n"
                                                                            "AllowHealth=UNC\r\n"
                                                                            "AllowPowerups=CHK\r\n"
                                                                            "AllowArmor=CHK\r\n"
                                                                            "AllowExit=CHK\r\n"
                                                                            "InstPower=CHK\r\n"
                                                                            "SameMap=UNC\r\n"
                                                                            "SpawnFarthest=UNC\r\n"
                                                                            "ForceRespawn=UNC\r\n"
                                                                            "WeaponStay=UNC\r\n"
                                                                            "FallingDamage=CHK\r\n"
                                                                            "InfiniteAmmo=UNC\r\n"
                                                                            "AllowCheat=UNC\r\n"
                                                                            "FixedFov=UNC\r\n"
                                                                            "QuadDrop=UNC\r\n"
                                                                            "FriendlyFire=GRAY\r\n"
                                                                            "ShowOriginalLevels=UNC\r\n"
                                                                            "FragLimit=0\r\n"
                                                                            "TimeLimit=0\r\n"
                                                                            "Teamplay=2\r\n"
                                                                            "ServerType=1\r\n"
                                                                            "RemoteConsole=UNC\r\n"
                                                                            "BeginnerEmpathy=UNC\r\n"
                                                                            "RemotePassWord=\r\n"
                                                                            "HostName=Fragfest = #1; all welcome\r\n"
                                                                            "MaxClients=8\r\n"
                                                                            "PassWord=[secret]\r\n"
                                                                            "Port=27910\r\n"
                                                                            "SkipKey=k\r\n"
                                                                            "TimeOut=125\r\n"
                                                                            "LogFile=UNC\r\n"
                                                                            "KickBack=30\r\n"
                                                                            "Empathy=4\r\n"
                                                                            "ConfigFile=server.cfg\r\n"
                                                                            "Usevweap=UNC\r\n"));
}

void TestSettingsStore::profileFilesAreOwnerOnly()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    form->ui().edPW->setText(QStringLiteral("hunter2"));
    form->settings().writeUserSettings();
    const QFileDevice::Permissions ownerOnly =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    QCOMPARE(QFile::permissions(q2.file(QStringLiteral("untitled.ini"))), ownerOnly);
    // A later save keeps it so.
    form->settings().writeUserSettings();
    QCOMPARE(QFile::permissions(q2.file(QStringLiteral("untitled.ini"))), ownerOnly);
}

void TestSettingsStore::everySettingRoundTrips()
{
    FakeQuake2 q2;
    q2.writePak2();
    q2.writeMapsList({"q2dm1 \"The Edge\""}); // showing the id levels reads it
    KeyValues expected;
    {
        auto form = makeMainWindow();
        auto& ui = form->ui();
        // Every control away from its default.
        for (const SettingKey& key : checkKeys()) {
            const bool defaultChecked = settingkeys::defaultFor(key, true) == u"CHK";
            control<QCheckBox>(*form, key)->setCheckState(defaultChecked ? Qt::Unchecked : Qt::Checked);
        }
        ui.cbQuadDrop->setCheckState(Qt::PartiallyChecked);
        ui.edFragLimit->setText(QStringLiteral("25"));
        ui.edTimeLimit->setText(QStringLiteral("15"));
        ui.rgTeamplay->setItemIndex(1);
        ui.rsServType->setItemIndex(1);
        ui.edSkipKey->setText(QStringLiteral("="));
        ui.edROPW->setText(QStringLiteral("rc on"));
        ui.edHost->setText(QString::fromUtf8("Café \xe2\x98\x83 [Night]"));
        ui.edMaxClients->setText(QStringLiteral("16"));
        ui.edPW->setText(QStringLiteral("a=b;c"));
        ui.edPort->setText(QStringLiteral("27999"));
        ui.edTimeOut->setText(QStringLiteral("300"));
        ui.tbKickback->setValue(70);
        ui.tbEmpathy->setValue(6);
        ui.cbConfigFiles->setEditText(QStringLiteral("not listed.cfg"));
        form->profile().currentUser = QStringLiteral("night");
        expected = shownSettings(*form);
        form->settings().writeUserSettings();
    }
    auto fresh = makeMainWindow();
    QCOMPARE(joinedErrorTexts(), QString());
    QCOMPARE(shownSettings(*fresh), expected);
    // Nothing in the list was at its default.
    const auto& keys = settingkeys::profileKeys();
    for (int i = 0; i < keys.size(); ++i)
        QVERIFY2(expected[3 + i].second != settingkeys::defaultFor(keys[i], true), qPrintable(keys[i].key));
    QVERIFY(!fresh->state().soundsEnabled);
    QVERIFY(!fresh->ui().pnEmp->isHidden());
    QVERIFY(fresh->ui().edROPW->isEnabled());
}

void TestSettingsStore::overLongStoredTextsSurvive()
{
    FakeQuake2 q2;
    writeIni(q2, Untitled, {{"FragLimit", "12345"}, {"SkipKey", "abc"}, {"Port", "not a port"}});
    auto form = makeMainWindow();
    auto& ui = form->ui();
    QCOMPARE(ui.edFragLimit->text(), QStringLiteral("12345"));
    QCOMPARE(ui.edSkipKey->text(), QStringLiteral("abc"));
    QCOMPARE(ui.edPort->text(), QStringLiteral("not a port"));
    form->settings().writeUserSettings();
    QCOMPARE(storedValue(q2, Untitled, QStringLiteral("FragLimit")), QStringLiteral("12345"));
    QCOMPARE(storedValue(q2, Untitled, QStringLiteral("SkipKey")), QStringLiteral("abc"));

    // Once the user has shortened it, the typing limit holds again.
    ui.edFragLimit->setFocus();
    ui.edFragLimit->end(false);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(ui.edFragLimit, Qt::Key_Backspace);
    QCOMPARE(ui.edFragLimit->text(), QStringLiteral("12"));
    QTest::keyClicks(ui.edFragLimit, QStringLiteral("789"));
    QCOMPARE(ui.edFragLimit->text(), QStringLiteral("127"));
}

void TestSettingsStore::profileListAndConfigList()
{
    FakeQuake2 q2;
    for (const char* name :
         {"velstrom.ini", "Velstrom.INI", "VELSTROM.ini", "zeta.ini", "Alpha.ini", ".hidden.ini", "notes.txt"})
        q2.writeProgramFile(QString::fromLatin1(name), "[Options]\r\n");
    QVERIFY(QDir(q2.programDir()).mkdir(QStringLiteral("folder.ini")));
    for (const char* name : {"server.cfg", "AUTOEXEC.CFG", "readme.txt"})
        q2.writeProgramFile(QStringLiteral("../baseq2/") + QString::fromLatin1(name), "");
    writeIni(q2, QStringLiteral("zeta"), {{"ConfigFile", "custom/my.cfg"}});
    writeIni(q2, QStringLiteral("velstrom"), {{"CurrentUser", "ZETA"}});

    auto form = makeMainWindow();
    auto& ui = form->ui();
    QCOMPARE(comboItems(ui.cbCurrentUserFiles), QStringList({".hidden", "Alpha", "folder", "zeta"}));
    QCOMPARE(ui.cbCurrentUserFiles->currentText(), QStringLiteral("zeta"));
    QCOMPARE(comboItems(ui.cbConfigFiles), QStringList({"[None]", "AUTOEXEC.CFG", "server.cfg"}));
    // "ZETA" is the listed profile: its file is zeta.ini, whatever the case of the name.
    QCOMPARE(ui.cbConfigFiles->currentText(), QStringLiteral("custom/my.cfg"));
    // A stored name that is not listed is shown and saved unchanged.
    writeIni(q2, QStringLiteral("velstrom"), {{"CurrentUser", "zeta"}});
    form->settings().loadIniValues();
    QCOMPARE(ui.cbConfigFiles->currentText(), QStringLiteral("custom/my.cfg"));
    form->settings().writeUserSettings();
    QCOMPARE(storedValue(q2, QStringLiteral("zeta"), QStringLiteral("ConfigFile")), QStringLiteral("custom/my.cfg"));
}

void TestSettingsStore::storedProfileWithoutFile()
{
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("velstrom"), {{"CurrentUser", "ghost"}});
    writeIni(q2, QStringLiteral("beta"), {{"FragLimit", "9"}});
    writeIni(q2, QStringLiteral("alpha"), {{"FragLimit", "8"}});
    auto form = makeMainWindow();
    QCOMPARE(form->profile().currentUser, QStringLiteral("ghost"));
    QCOMPARE(form->ui().cbCurrentUserFiles->currentText(), QStringLiteral("alpha"));
    QCOMPARE(form->ui().edFragLimit->text(), QStringLiteral("0"));
    form->settings().writeUserSettings();
    QVERIFY(QFile::exists(q2.file(QStringLiteral("ghost.ini"))));
    QCOMPARE(storedValue(q2, QStringLiteral("alpha"), QStringLiteral("FragLimit")), QStringLiteral("8"));
}

void TestSettingsStore::loadClearsTheTitleLabels()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    form->ui().lblSrcMapDesc->setText(QStringLiteral("The Edge"));
    form->ui().lblDstMapDesc->setText(QStringLiteral("Frag Pipe"));
    form->settings().loadIniValues();
    QVERIFY(form->ui().lblSrcMapDesc->text().isEmpty());
    QVERIFY(form->ui().lblDstMapDesc->text().isEmpty());
}

void TestSettingsStore::unwritableDirectoryStopsTheSave()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    const QString dir = q2.programDir();
    // Root writes anywhere, so take the directory away instead of its write permission.
    const bool asRoot = ::geteuid() == 0;
    const QString aside = q2.quake2Dir() + QStringLiteral("/aside");
    if (asRoot)
        QVERIFY(QDir().rename(dir, aside));
    else
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
    try {
        form->settings().writeUserSettings();
        QFAIL("the save went through");
    } catch (const AppError& e) {
        QCOMPARE(e.text(), QStringLiteral("Unable to write to ") + dir + QStringLiteral("velstrom.ini"));
    }
    // Closing the window reports it and still closes.
    msgbox::clearShown();
    form->show();
    QVERIFY(form->close());
    QCOMPARE(joinedErrorTexts(), QStringLiteral("Unable to write to ") + dir + QStringLiteral("velstrom.ini"));
    if (asRoot)
        QVERIFY(QDir().rename(aside, dir));
    else
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(!QFile::exists(q2.file(QStringLiteral("velstrom.ini"))));
    QVERIFY(!QFile::exists(q2.file(QStringLiteral("untitled.ini"))));
}

void TestSettingsStore::blockedProfileFileStopsTheSaveOfThatFile()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    QVERIFY(QDir(q2.programDir()).mkdir(QStringLiteral("untitled.ini"))); // in the way of the profile file
    form->ui().cbSoundDisable->setCheckState(Qt::Checked);
    try {
        form->settings().writeUserSettings();
        QFAIL("the save went through");
    } catch (const AppError& e) {
        QCOMPARE(e.text(), QStringLiteral("Unable to write to ") + q2.file(QStringLiteral("untitled.ini")));
    }
    // The program INI is written whole before the profile's file, which stays as it was: absent.
    QCOMPARE(storedValue(q2, QStringLiteral("velstrom"), QStringLiteral("CurrentUser")), Untitled);
    QCOMPARE(storedValue(q2, QStringLiteral("velstrom"), QStringLiteral("SoundDisable")), QStringLiteral("CHK"));
    QVERIFY(QFileInfo(q2.file(QStringLiteral("untitled.ini"))).isDir());
}

void TestSettingsStore::resetAllRestoresDefaults()
{
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("velstrom"),
             {{"CurrentUser", "night"}, {"SoundDisable", "UNC"}, {"AutoRemove", "CHK"}});
    writeIni(q2, QStringLiteral("night"), {{"FragLimit", "30"}, {"KickBack", "90"}, {"ServerType", "1"}});
    q2.writeProgramFile(QStringLiteral("SERVRMSG.TXT"), "Welcome\r\n");
    q2.writeMapsList({"q2dm1 \"The Edge\""}); // the level lists follow the reset id-levels box
    auto form = makeMainWindow();
    auto& ui = form->ui();
    QCOMPARE(ui.edFragLimit->text(), QStringLiteral("30"));
    ui.edHost->setText(QStringLiteral("unsaved"));
    ui.pcPages->setCurrentWidget(ui.tsServer);
    q2.sounds().clear();
    msgbox::script({msgbox::Button::Yes});

    ui.resetAllButton->click();

    QCOMPARE(q2.sounds().names(), QStringList{QStringLiteral("SND_CONFIRM")});
    QCOMPARE(joinedErrorTexts(), QString());
    QCOMPARE(msgbox::shown().size(), 1);
    QCOMPARE(msgbox::shown()[0].caption, QStringLiteral("Confirm"));
    QCOMPARE(msgbox::shown()[0].text, QStringLiteral("Are you sure you want to reset all settings to defaults?"));
    QVERIFY(!QFile::exists(q2.file(QStringLiteral("night.ini"))));
    QCOMPARE(form->profile().currentUser, QStringLiteral("night"));
    QCOMPARE(ui.edFragLimit->text(), QStringLiteral("0"));
    QCOMPARE(ui.tbKickback->value(), 10);
    QCOMPARE(ui.lblKickVal->text(), QStringLiteral("500"));
    QCOMPARE(ui.rsServType->itemIndex(), 0);
    QVERIFY(!ui.edROPW->isEnabled());
    QVERIFY(ui.edHost->text().isEmpty());
    QCOMPARE(ui.pcPages->currentWidget(), ui.tsMaps);
    QCOMPARE(ui.cbAutoRemove->checkState(), Qt::Checked); // program keys stay
    QVERIFY(!form->state().loadingSettings);
    QCOMPARE(QDir::currentPath() + u'/', q2.programDir());

    // The next save writes a profile of defaults.
    form->settings().writeUserSettings();
    QCOMPARE(storedValue(q2, QStringLiteral("night"), QStringLiteral("FragLimit")), QStringLiteral("0"));
    QCOMPARE(storedValue(q2, QStringLiteral("night"), QStringLiteral("KickBack")), QStringLiteral("10"));
}

void TestSettingsStore::resetAllDeclinedChangesNothing()
{
    FakeQuake2 q2;
    writeIni(q2, Untitled, {{"FragLimit", "30"}});
    q2.writeProgramFile(QStringLiteral("SERVRMSG.TXT"), "Welcome\r\n");
    auto form = makeMainWindow();
    form->ui().edHost->setText(QStringLiteral("unsaved"));
    // Sounds off: the question still comes, without its sound.
    form->ui().cbSoundDisable->setCheckState(Qt::Checked);
    q2.sounds().clear();
    msgbox::script({msgbox::Button::No});
    form->ui().resetAllButton->click();
    QVERIFY(q2.sounds().names().isEmpty());
    QCOMPARE(msgbox::shown().size(), 1);
    QVERIFY(QFile::exists(q2.file(QStringLiteral("untitled.ini"))));
    QCOMPARE(form->ui().edHost->text(), QStringLiteral("unsaved"));
    QCOMPARE(form->ui().edFragLimit->text(), QStringLiteral("30"));
}

void TestSettingsStore::corruptAndOddFilesLoad_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("fragLimit"); // what the window must show

    QByteArray noise(4096, '\0');
    QRandomGenerator rng(20240601);
    for (char& c : noise)
        c = char(rng.bounded(256));
    QTest::newRow("binary noise") << noise << "0";
    QTest::newRow("binary around a key") << QByteArray("\x01\x02\xff\x1a junk\r\n[Options]\r\nFragLimit=5\r\n\x7f\x01")
                                         << "5";
    QTest::newRow("lone LF lines") << QByteArray("[Options]\nFragLimit=6\nTimeLimit=1\n") << "6";
    QTest::newRow("lone CR lines") << QByteArray("[Options]\rFragLimit=7\r") << "7";
    QTest::newRow("UTF-8 BOM") << QByteArray("\xef\xbb\xbf[Options]\r\nFragLimit=8\r\n") << "8";
    QTest::newRow("no section") << QByteArray("FragLimit=9\r\n") << "0";
    QTest::newRow("other section") << QByteArray("[Other]\r\nFragLimit=9\r\n") << "0";
    QTest::newRow("key in other case") << QByteArray("[OPTIONS]\r\nfraglimit=4\r\n") << "4";
    QTest::newRow("blanks around") << QByteArray("[Options]\r\n  FragLimit = 3  \r\n") << "3";
    QTest::newRow("empty value") << QByteArray("[Options]\r\nFragLimit=\r\n") << "";
    QTest::newRow("unterminated section") << QByteArray("[Options\r\nFragLimit=2\r\n") << "0";
    QTest::newRow("empty file") << QByteArray() << "0";
}

void TestSettingsStore::corruptAndOddFilesLoad()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, fragLimit);
    FakeQuake2 q2;
    q2.writeProgramFile(QStringLiteral("untitled.ini"), content);
    auto form = makeMainWindow();
    QCOMPARE(form->ui().edFragLimit->text(), fragLimit);
    // And it can be saved over.
    form->ui().edFragLimit->setText(QStringLiteral("77"));
    form->settings().writeUserSettings();
    QCOMPARE(storedValue(q2, Untitled, QStringLiteral("FragLimit")), QStringLiteral("77"));
    auto again = makeMainWindow();
    QCOMPARE(again->ui().edFragLimit->text(), QStringLiteral("77"));
}

void TestSettingsStore::duplicateKeysTakeTheFirstAndSaveBack()
{
    FakeQuake2 q2;
    q2.writeProgramFile(QStringLiteral("untitled.ini"), "[Options]\r\nFragLimit=12\r\nFragLimit=34\r\n"
                                                        "[Options]\r\nFragLimit=56\r\nTimeLimit=7\r\n"
                                                        "[Extra]\r\nKept=yes\r\n");
    auto form = makeMainWindow();
    QCOMPARE(form->ui().edFragLimit->text(), QStringLiteral("12"));
    QCOMPARE(form->ui().edTimeLimit->text(), QStringLiteral("7"));
    form->ui().edFragLimit->setText(QStringLiteral("99"));
    form->settings().writeUserSettings();
    QCOMPARE(storedValue(q2, Untitled, QStringLiteral("FragLimit")), QStringLiteral("99"));
    QCOMPARE(iniRead(q2.file(QStringLiteral("untitled.ini")), QStringLiteral("Extra"), QStringLiteral("Kept"), {}),
             QStringLiteral("yes"));
}

void TestSettingsStore::hugeValuesAreCut()
{
    FakeQuake2 q2;
    const QByteArray huge(100 * 1024, 'h');
    q2.writeProgramFile(QStringLiteral("untitled.ini"), "[Options]\r\nHostName=" + huge + "\r\nPort=1\r\n");
    auto form = makeMainWindow();
    QCOMPARE(form->ui().edHost->text(), QString(1023, u'h'));
    QCOMPARE(form->ui().edPort->text(), QStringLiteral("1"));
    form->settings().writeUserSettings();
    QCOMPARE(storedValue(q2, Untitled, QStringLiteral("HostName")), QString(1023, u'h'));
}

QTEST_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
