// Profiles on the real window: switching, New, Copy, Delete, the profile-name dialog, and the files they leave.
#include "ProfileTesting.h"
#include "profiles/ProfileNameDialog.h"
#include "support/MessageBoxes.h"
#include "ui_MainWindow.h"
#include "ui_ProfileNameDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace velstrom::test;

namespace {

const QString Untitled = QStringLiteral("untitled");
const QString OverwriteQuestion = QStringLiteral("A profile with that name already exists.  Overwrite?");

// Plays the user in the profile dialog: one step per time the dialog is shown, each typing a name and
// pressing OK (or Cancel when the name is null). Records what the dialog showed.
struct DialogUser {
    explicit DialogUser(QStringList steps) : names(std::move(steps)) {}

    QStringList names;
    QStringList captions;
    QStringList questions;
    QStringList shownNames; // the name field's text when the step began
    bool stillOpenAfterOk = false;

    void operator()(ProfileNameDialog& dialog)
    {
        for (const QString& name : names) {
            captions.append(dialog.windowTitle());
            questions.append(dialog.ui().lblProfile->text());
            shownNames.append(dialog.ui().edProfileName->text());
            if (name.isNull()) {
                dialog.ui().cancelButton->click();
            } else {
                dialog.ui().edProfileName->setFocus();
                QTest::keyClicks(dialog.ui().edProfileName, name);
                dialog.ui().okButton->click();
            }
            stillOpenAfterOk = dialog.isVisible();
            if (!stillOpenAfterOk)
                return;
        }
    }
};

class RunnerScope {
public:
    explicit RunnerScope(DialogUser& user)
    {
        ProfileNameDialog::setRunner([&user](ProfileNameDialog& d) { user(d); });
    }
    ~RunnerScope() { ProfileNameDialog::setRunner({}); }
};

QStringList programDirFiles(FakeQuake2& q2)
{
    return QDir(q2.programDir()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void closeWindow(MainWindow& form)
{
    form.show();
    form.close();
}

} // namespace

class TestProfiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newProfileSavesTheOldOneAndStartsFromDefaults();
    void copyKeepsTheSettingsUnderTheNewName();
    void copyAfterNewStillCopies();
    void declinedOverwriteKeepsTheDialogOpen();
    void confirmedOverwriteTakesTheListedProfile();
    void cancelChangesNothing();
    void nameFieldTakesOnlyNameCharacters();
    void emptyNameIsAccepted();
    void nameFieldHoldsAtMost64_data();
    void nameFieldHoldsAtMost64();
    void listedFileInOtherCase_data();
    void listedFileInOtherCase();
    void programNameStoresIntoTheProgramIni();
    void pickingAProfileSavesAndSwitches();
    void pickingNoneMakesUntitledCurrent();
    void programSelectionDoesNotSwitch();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void deleteUntitledReloadsDefaults();
    void deleteWithoutUntitledFile();
    void realDialogRunsModally();
};

void TestProfiles::newProfileSavesTheOldOneAndStartsFromDefaults()
{
    FakeQuake2 q2;
    q2.addLevels({QStringLiteral("mine.bsp"), QStringLiteral("yours.bsp")});
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), "mine\r\n");
    auto form = startMainWindow();
    QCOMPARE(form->levels().playList(), QStringList{QStringLiteral("mine")});
    auto& ui = form->ui();
    ui.edFragLimit->setText(QStringLiteral("50"));
    ui.cbUseEmpathy->setCheckState(Qt::Checked);
    DialogUser user{{QStringLiteral("night")}};
    RunnerScope runner(user);

    ui.newProfileButton->click();

    QCOMPARE(user.captions, QStringList{QStringLiteral("New Deathmatch Profile")});
    QCOMPARE(user.questions, QStringList{QStringLiteral("What do you want to call the new profile?")});
    QCOMPARE(user.shownNames, QStringList{QString()});
    QVERIFY(!user.stillOpenAfterOk);
    // The old profile was saved under its own name; the new one starts from the defaults.
    QCOMPARE(storedValue(q2, Untitled, QStringLiteral("FragLimit")), QStringLiteral("50"));
    QCOMPARE(form->profile().currentUser, QStringLiteral("night"));
    QCOMPARE(ui.edFragLimit->text(), QStringLiteral("0"));
    QCOMPARE(ui.cbUseEmpathy->checkState(), Qt::Unchecked);
    QVERIFY(ui.pnEmp->isHidden());
    QCOMPARE(comboItems(ui.cbCurrentUserFiles), QStringList({"night", "untitled"}));
    QCOMPARE(ui.cbCurrentUserFiles->currentText(), QStringLiteral("night"));
    QCOMPARE(storedValue(q2, QStringLiteral("velstrom"), QStringLiteral("CurrentUser")), QStringLiteral("night"));
    QVERIFY(!form->state().loadingSettings);
    QVERIFY(form->levels().playList().isEmpty());
    // Its files come with the next save.
    QVERIFY(!QFile::exists(q2.file(QStringLiteral("night.ini"))));
    form->show();
    form->close();
    QCOMPARE(storedValue(q2, QStringLiteral("night"), QStringLiteral("FragLimit")), QStringLiteral("0"));
    QCOMPARE(q2.readProgramFile(QStringLiteral("night_maps.txt")), QByteArray());
    QVERIFY(QFile::exists(q2.file(QStringLiteral("night_maps.txt"))));
    QCOMPARE(q2.readProgramFile(QStringLiteral("untitled_maps.txt")), QByteArray("mine\r\n"));
}

void TestProfiles::copyKeepsTheSettingsUnderTheNewName()
{
    FakeQuake2 q2;
    q2.addLevels({QStringLiteral("mine.bsp"), QStringLiteral("yours.bsp")});
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), "yours\r\nmine\r\n");
    auto form = startMainWindow();
    auto& ui = form->ui();
    ui.edHost->setText(QStringLiteral("Copied Host"));
    ui.tbKickback->setValue(40);
    ui.cbFixedFov->setCheckState(Qt::Checked);
    DialogUser user{{QStringLiteral("copy_1")}};
    RunnerScope runner(user);

    ui.copyProfileButton->click();

    QCOMPARE(user.captions, QStringList{QStringLiteral("Copy Deathmatch Profile")});
    QCOMPARE(user.questions, QStringList{QStringLiteral("What name do you want to copy the current profile to?")});
    QCOMPARE(form->profile().currentUser, QStringLiteral("copy_1"));
    QCOMPARE(ui.edHost->text(), QStringLiteral("Copied Host"));
    QCOMPARE(ui.tbKickback->value(), 40);
    QCOMPARE(ui.cbCurrentUserFiles->currentText(), QStringLiteral("copy_1"));
    // Nothing is written for the copy until the next save; the program INI still names the source.
    QVERIFY(!QFile::exists(q2.file(QStringLiteral("copy_1.ini"))));
    QCOMPARE(storedValue(q2, QStringLiteral("velstrom"), QStringLiteral("CurrentUser")), Untitled);

    form->show();
    form->close();
    // Both were written from scratch from the same controls: the same bytes.
    QCOMPARE(q2.readProgramFile(QStringLiteral("copy_1.ini")), q2.readProgramFile(QStringLiteral("untitled.ini")));
    QCOMPARE(storedValue(q2, QStringLiteral("copy_1"), QStringLiteral("HostName")), QStringLiteral("Copied Host"));
    QCOMPARE(storedValue(q2, QStringLiteral("velstrom"), QStringLiteral("CurrentUser")), QStringLiteral("copy_1"));
    QCOMPARE(q2.readProgramFile(QStringLiteral("copy_1_maps.txt")), QByteArray("yours\r\nmine\r\n"));
    QCOMPARE(q2.readProgramFile(QStringLiteral("untitled_maps.txt")), QByteArray("yours\r\nmine\r\n"));
}

void TestProfiles::copyAfterNewStillCopies()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    DialogUser first{{QStringLiteral("fresh")}};
    {
        RunnerScope runner(first);
        form->ui().newProfileButton->click();
    }
    form->ui().edTimeLimit->setText(QStringLiteral("20"));
    DialogUser second{{QStringLiteral("fresh2")}};
    RunnerScope runner(second);
    form->ui().copyProfileButton->click();
    QCOMPARE(form->profile().currentUser, QStringLiteral("fresh2"));
    QCOMPARE(form->ui().edTimeLimit->text(), QStringLiteral("20"));
    QCOMPARE(storedValue(q2, QStringLiteral("fresh"), QStringLiteral("TimeLimit")), QStringLiteral("20"));
}

void TestProfiles::declinedOverwriteKeepsTheDialogOpen()
{
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("Alpha"), {{"FragLimit", "3"}});
    auto form = makeMainWindow();
    form->ui().edFragLimit->setText(QStringLiteral("66"));
    msgbox::script({msgbox::Button::No});
    DialogUser user{{QStringLiteral("aLPHA"), QStringLiteral("beta")}};
    RunnerScope runner(user);

    form->ui().newProfileButton->click();

    QCOMPARE(msgbox::shown().size(), 1);
    QCOMPARE(msgbox::shown()[0].caption, QStringLiteral("Confirm"));
    QCOMPARE(msgbox::shown()[0].text, OverwriteQuestion);
    // The second round found the field emptied and took the new name.
    QCOMPARE(user.shownNames, QStringList({QString(), QString()}));
    QCOMPARE(form->profile().currentUser, QStringLiteral("beta"));
    QCOMPARE(storedValue(q2, QStringLiteral("Alpha"), QStringLiteral("FragLimit")), QStringLiteral("3"));
    QCOMPARE(storedValue(q2, Untitled, QStringLiteral("FragLimit")), QStringLiteral("66"));
}

void TestProfiles::confirmedOverwriteTakesTheListedProfile()
{
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("Alpha"), {{"FragLimit", "3"}, {"HostName", "alpha host"}});
    auto form = makeMainWindow();
    msgbox::script({msgbox::Button::Yes});
    {
        DialogUser user{{QStringLiteral("ALPHA")}};
        RunnerScope runner(user);
        form->ui().newProfileButton->click();
    }
    QCOMPARE(msgbox::shown().size(), 1);
    // New onto an existing profile loads what it stored, under the listed spelling.
    QCOMPARE(form->profile().currentUser, QStringLiteral("Alpha"));
    QCOMPARE(form->ui().edHost->text(), QStringLiteral("alpha host"));
    QCOMPARE(comboItems(form->ui().cbCurrentUserFiles), QStringList({"Alpha", "untitled"}));

    // Copy onto it replaces its files at the next save.
    form->ui().edHost->setText(QStringLiteral("replaced"));
    msgbox::script({msgbox::Button::Yes});
    DialogUser user{{QStringLiteral("alpha")}};
    RunnerScope runner(user);
    form->ui().copyProfileButton->click();
    form->settings().writeUserSettings();
    QCOMPARE(storedValue(q2, QStringLiteral("Alpha"), QStringLiteral("HostName")), QStringLiteral("replaced"));
    QVERIFY(!programDirFiles(q2).contains(QStringLiteral("alpha.ini")));
    QVERIFY(!programDirFiles(q2).contains(QStringLiteral("ALPHA.ini")));
}

void TestProfiles::cancelChangesNothing()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    form->ui().edFragLimit->setText(QStringLiteral("12"));
    DialogUser user{{QString()}};
    RunnerScope runner(user);
    form->ui().newProfileButton->click();
    QVERIFY(!user.stillOpenAfterOk);
    QCOMPARE(form->profile().currentUser, Untitled);
    QCOMPARE(form->ui().edFragLimit->text(), QStringLiteral("12"));
    QVERIFY(programDirFiles(q2).isEmpty());
}

void TestProfiles::nameFieldTakesOnlyNameCharacters()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    QStringList seen;
    ProfileNameDialog::setRunner([&seen](ProfileNameDialog& d) {
        QLineEdit* name = d.ui().edProfileName;
        name->setFocus();
        typeText(name, QStringLiteral("my prof.1/\\:_x-Y\xe4"));
        seen.append(name->text());
        name->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("../../etc/evil name\n.ini"));
        QTest::keyClicks(name, QStringLiteral("ab"));
        QTest::keyClick(name, Qt::Key_Left);
        QTest::keySequence(name, QKeySequence::Paste);
        seen.append(name->text());
        QTest::keyClicks(name, QStringLiteral("!"));
        seen.append(QString::number(name->cursorPosition()));
        name->setText(QStringLiteral("a/b"));
        seen.append(name->text());
        name->setText(QStringLiteral("..%2F..%2Fpwn"));
        d.ui().okButton->click();
    });
    form->ui().newProfileButton->click();
    ProfileNameDialog::setRunner({});
    QCOMPARE(seen, QStringList({"myprof1_x-Y", "aetcevilnameinib", "15", "ab"}));
    QCOMPARE(form->profile().currentUser, QStringLiteral("2F2Fpwn"));
    form->settings().writeUserSettings();
    QVERIFY(QFile::exists(q2.file(QStringLiteral("2F2Fpwn.ini"))));
    QCOMPARE(QDir(q2.quake2Dir()).entryList(QDir::Files), QStringList());
}

void TestProfiles::emptyNameIsAccepted()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    DialogUser user{{QStringLiteral("")}};
    RunnerScope runner(user);
    form->ui().newProfileButton->click();
    QCOMPARE(form->profile().currentUser, QString());
    QCOMPARE(comboItems(form->ui().cbCurrentUserFiles), QStringList({"", "untitled"}));
    QCOMPARE(form->ui().cbCurrentUserFiles->currentIndex(), 0);
    form->settings().writeUserSettings();
    QVERIFY(QFile::exists(q2.file(QStringLiteral(".ini"))));
    // Listed as an empty entry from now on.
    form->settings().loadIniValues();
    QCOMPARE(comboItems(form->ui().cbCurrentUserFiles), QStringList({"", "untitled"}));
}

void TestProfiles::nameFieldHoldsAtMost64_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("paste");
    QTest::newRow("64 typed") << QString(64, u'a') << false;
    QTest::newRow("65 typed") << QString(65, u'b') << false;
    QTest::newRow("240 pasted") << QString(240, u'c') << true;
}

// A longer name would make file names the file system refuses: the profile could never be saved.
void TestProfiles::nameFieldHoldsAtMost64()
{
    QFETCH(QString, name);
    QFETCH(bool, paste);
    FakeQuake2 q2;
    auto form = makeMainWindow();
    ProfileNameDialog::setRunner([&](ProfileNameDialog& d) {
        QLineEdit* field = d.ui().edProfileName;
        field->setFocus();
        if (paste) {
            QGuiApplication::clipboard()->setText(name);
            QTest::keySequence(field, QKeySequence::Paste);
        } else {
            QTest::keyClicks(field, name);
        }
        d.ui().okButton->click();
    });
    form->ui().newProfileButton->click();
    ProfileNameDialog::setRunner({});
    const QString kept = name.left(64);
    QCOMPARE(form->profile().currentUser, kept);
    closeWindow(*form);
    QCOMPARE(msgbox::shown().size(), 0);
    QVERIFY(QFile::exists(q2.file(kept + ".ini")));
    QVERIFY(QFile::exists(q2.file(kept + "_maps.txt")));
}

void TestProfiles::listedFileInOtherCase_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("maps");
    QTest::newRow("both in upper case") << "BOB.INI" << "BOB_MAPS.TXT";
    QTest::newRow("extensions in mixed case") << "BOB.Ini" << "BOB_maps.TXT";
    QTest::newRow("play list in lower case") << "BOB.INI" << "bob_maps.txt";
}

// Files copied from a system that ignores letter case: the profile listed as "BOB" is the one in those files.
void TestProfiles::listedFileInOtherCase()
{
    QFETCH(QString, ini);
    QFETCH(QString, maps);
    FakeQuake2 q2;
    q2.addLevels({"dm_bob.bsp", "dm_other.bsp"});
    writeIni(q2, QStringLiteral("velstrom"), {{"CurrentUser", "alpha"}});
    writeIni(q2, QStringLiteral("alpha"), {});
    q2.writeProgramFile(ini, iniText({{"FragLimit", "33"}}));
    q2.writeProgramFile(maps, "dm_bob\r\n");
    const QStringList before = programDirFiles(q2);
    auto form = startMainWindow();
    auto& ui = form->ui();
    QCOMPARE(comboItems(ui.cbCurrentUserFiles), QStringList({"alpha", "BOB"}));
    ui.cbCurrentUserFiles->setFocus();
    QTest::keyClick(ui.cbCurrentUserFiles, Qt::Key_Down);
    QCOMPARE(form->profile().currentUser, QStringLiteral("BOB"));
    QCOMPARE(ui.edFragLimit->text(), QStringLiteral("33"));
    QCOMPARE(form->levels().playList(), QStringList{"dm_bob"});

    ui.edFragLimit->setText(QStringLiteral("44"));
    form->levels().includeAllClicked();
    closeWindow(*form);
    QCOMPARE(iniRead(q2.file(ini), "Options", "FragLimit", "<missing>"), QStringLiteral("44"));
    QCOMPARE(q2.readProgramFile(maps), QByteArray("dm_bob\r\ndm_other\r\n"));
    // No second set of files beside them.
    for (const QString& name : programDirFiles(q2))
        QVERIFY2(before.contains(name) || !name.startsWith("BOB", Qt::CaseInsensitive), qPrintable(name));
}

void TestProfiles::programNameStoresIntoTheProgramIni()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    DialogUser user{{QStringLiteral("VelStrom")}};
    RunnerScope runner(user);
    form->ui().copyProfileButton->click();
    QCOMPARE(form->profile().currentUser, QStringLiteral("velstrom"));
    form->ui().edPort->setText(QStringLiteral("27000"));
    form->settings().writeUserSettings();
    QCOMPARE(storedValue(q2, QStringLiteral("velstrom"), QStringLiteral("CurrentUser")), QStringLiteral("velstrom"));
    QCOMPARE(storedValue(q2, QStringLiteral("velstrom"), QStringLiteral("Port")), QStringLiteral("27000"));
    QCOMPARE(storedValue(q2, QStringLiteral("velstrom"), QStringLiteral("SoundDisable")), QStringLiteral("UNC"));
    QVERIFY(!programDirFiles(q2).contains(QStringLiteral("VelStrom.ini")));
    // It drops out of the list at the next refill.
    form->settings().loadIniValues();
    QCOMPARE(comboItems(form->ui().cbCurrentUserFiles), QStringList({"untitled"}));
    QCOMPARE(form->ui().edPort->text(), QStringLiteral("27000"));
}

void TestProfiles::pickingAProfileSavesAndSwitches()
{
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("velstrom"), {{"CurrentUser", "alpha"}});
    writeIni(q2, QStringLiteral("alpha"), {{"FragLimit", "11"}});
    writeIni(q2, QStringLiteral("beta"), {{"FragLimit", "22"}, {"BeginnerEmpathy", "CHK"}});
    q2.addLevels({QStringLiteral("mine.bsp"), QStringLiteral("yours.bsp")});
    q2.writeProgramFile(QStringLiteral("alpha_maps.txt"), "mine\r\n");
    q2.writeProgramFile(QStringLiteral("beta_maps.txt"), "yours\r\n");
    auto form = startMainWindow();
    QCOMPARE(form->levels().playList(), QStringList{QStringLiteral("mine")});
    auto& ui = form->ui();
    QCOMPARE(ui.cbCurrentUserFiles->currentText(), QStringLiteral("alpha"));
    ui.edHost->setText(QStringLiteral("alpha's host"));
    q2.sounds().clear();

    ui.cbCurrentUserFiles->setFocus();
    QTest::keyClick(ui.cbCurrentUserFiles, Qt::Key_Down);

    QCOMPARE(form->profile().currentUser, QStringLiteral("beta"));
    QCOMPARE(ui.edFragLimit->text(), QStringLiteral("22"));
    QVERIFY(ui.edHost->text().isEmpty());
    QVERIFY(!ui.pnEmp->isHidden());
    QVERIFY(!q2.sounds().names().contains(QStringLiteral("SND_EMPATHY"))); // a load is quiet
    QVERIFY(!form->state().loadingSettings);
    QCOMPARE(ui.cbCurrentUserFiles->currentText(), QStringLiteral("beta"));
    QCOMPARE(storedValue(q2, QStringLiteral("alpha"), QStringLiteral("HostName")), QStringLiteral("alpha's host"));
    QCOMPARE(storedValue(q2, QStringLiteral("velstrom"), QStringLiteral("CurrentUser")), QStringLiteral("beta"));
    // beta itself is not rewritten by the switch.
    QCOMPARE(storedValue(q2, QStringLiteral("beta"), QStringLiteral("HostName")), QStringLiteral("<missing>"));
    QCOMPARE(form->levels().playList(), QStringList{QStringLiteral("yours")});
    QCOMPARE(q2.readProgramFile(QStringLiteral("alpha_maps.txt")), QByteArray("mine\r\n"));
}

void TestProfiles::pickingNoneMakesUntitledCurrent()
{
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("none"), {{"FragLimit", "5"}});
    writeIni(q2, QStringLiteral("velstrom"), {{"CurrentUser", "alpha"}});
    writeIni(q2, QStringLiteral("alpha"), {});
    auto form = makeMainWindow();
    auto& ui = form->ui();
    QCOMPARE(comboItems(ui.cbCurrentUserFiles), QStringList({"alpha", "none"}));
    ui.cbCurrentUserFiles->setFocus();
    QTest::keyClick(ui.cbCurrentUserFiles, Qt::Key_Down);
    QCOMPARE(form->profile().currentUser, Untitled);
    QCOMPARE(ui.edFragLimit->text(), QStringLiteral("0"));
    // "untitled" has no file: the list shows its first entry.
    QCOMPARE(ui.cbCurrentUserFiles->currentText(), QStringLiteral("alpha"));
}

void TestProfiles::programSelectionDoesNotSwitch()
{
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("alpha"), {});
    writeIni(q2, QStringLiteral("beta"), {});
    auto form = makeMainWindow();
    form->ui().cbCurrentUserFiles->setCurrentIndex(1);
    QCOMPARE(form->profile().currentUser, Untitled);
    QVERIFY(!QFile::exists(q2.file(QStringLiteral("velstrom.ini"))));
}

void TestProfiles::deleteAsksFirst_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestProfiles::deleteAsksFirst()
{
    QFETCH(bool, yes);
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("velstrom"), {{"CurrentUser", "alpha"}});
    writeIni(q2, QStringLiteral("alpha"), {{"FragLimit", "11"}});
    q2.writeProgramFile(QStringLiteral("alpha_maps.txt"), "q2dm1\r\n");
    writeIni(q2, Untitled, {{"FragLimit", "4"}});
    auto form = makeMainWindow();
    form->ui().edFragLimit->setText(QStringLiteral("99")); // not saved by a delete
    q2.sounds().clear();
    msgbox::script({yes ? msgbox::Button::Yes : msgbox::Button::No});

    form->ui().deleteProfileButton->click();

    QCOMPARE(q2.sounds().names().value(0), QStringLiteral("SND_CONFIRM"));
    QCOMPARE(msgbox::shown().size(), 1);
    QCOMPARE(msgbox::shown()[0].caption, QStringLiteral("Confirm"));
    QCOMPARE(msgbox::shown()[0].text, QStringLiteral("Are you sure you want to delete this profile?"));
    QCOMPARE(QFile::exists(q2.file(QStringLiteral("alpha.ini"))), !yes);
    QCOMPARE(QFile::exists(q2.file(QStringLiteral("alpha_maps.txt"))), !yes);
    QCOMPARE(form->profile().currentUser, yes ? Untitled : QStringLiteral("alpha"));
    QCOMPARE(form->ui().edFragLimit->text(), yes ? QStringLiteral("4") : QStringLiteral("99"));
    if (yes) {
        QCOMPARE(comboItems(form->ui().cbCurrentUserFiles), QStringList{Untitled});
        QCOMPARE(storedValue(q2, QStringLiteral("velstrom"), QStringLiteral("CurrentUser")), Untitled);
        QCOMPARE(QDir::currentPath() + u'/', q2.programDir());
    }
}

void TestProfiles::deleteUntitledReloadsDefaults()
{
    FakeQuake2 q2;
    writeIni(q2, Untitled, {{"FragLimit", "4"}, {"KickBack", "80"}});
    q2.writeProgramFile(QStringLiteral("untitled_maps.txt"), "q2dm1\r\n");
    auto form = makeMainWindow();
    QCOMPARE(form->ui().edFragLimit->text(), QStringLiteral("4"));
    // Sounds off: no confirmation sound, the question still comes.
    form->ui().cbSoundDisable->setCheckState(Qt::Checked);
    q2.sounds().clear();
    form->ui().deleteProfileButton->click();
    QVERIFY(q2.sounds().names().isEmpty());
    QCOMPARE(msgbox::shown().size(), 1);
    QCOMPARE(programDirFiles(q2), QStringList{QStringLiteral("velstrom.ini")});
    QCOMPARE(form->ui().edFragLimit->text(), QStringLiteral("0"));
    QCOMPARE(form->ui().lblKickVal->text(), QStringLiteral("500"));
    QCOMPARE(comboItems(form->ui().cbCurrentUserFiles), QStringList{Untitled});
}

void TestProfiles::deleteWithoutUntitledFile()
{
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("velstrom"), {{"CurrentUser", "gamma"}});
    writeIni(q2, QStringLiteral("gamma"), {{"FragLimit", "1"}});
    writeIni(q2, QStringLiteral("delta"), {{"FragLimit", "2"}});
    writeIni(q2, QStringLiteral("beta"), {{"FragLimit", "3"}});
    auto form = makeMainWindow();
    form->ui().deleteProfileButton->click();
    QCOMPARE(form->profile().currentUser, Untitled);
    QCOMPARE(form->ui().edFragLimit->text(), QStringLiteral("0"));
    QCOMPARE(comboItems(form->ui().cbCurrentUserFiles), QStringList({"beta", "delta"}));
    QCOMPARE(form->ui().cbCurrentUserFiles->currentText(), QStringLiteral("beta"));
}

// Without the seam: the dialog runs its own modal loop over the main window.
void TestProfiles::realDialogRunsModally()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    form->show();
    QStringList seen;
    std::function<void(int)> act = [&](int tries) {
        auto* dialog = qobject_cast<ProfileNameDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (tries < 100) {
                QTimer::singleShot(10, [&act, tries] { act(tries + 1); });
                return;
            }
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QDialog*>(w))
                    d->reject();
            return;
        }
        seen.append(dialog->windowTitle());
        seen.append(dialog->isModal() ? QStringLiteral("modal") : QStringLiteral("modeless"));
        QTest::keyClick(dialog, Qt::Key_Escape);
        seen.append(dialog->isVisible() ? QStringLiteral("open after Esc") : QStringLiteral("closed by Esc"));
        QTest::keyClicks(dialog->ui().edProfileName, QStringLiteral("modal1"));
        QTest::keyClick(dialog->ui().edProfileName, Qt::Key_Return);
        seen.append(dialog->isVisible() ? QStringLiteral("open after Enter") : QStringLiteral("closed by Enter"));
        QTest::mouseClick(dialog->ui().okButton, Qt::LeftButton);
    };
    QTimer::singleShot(0, [&act] { act(0); });
    form->ui().newProfileButton->click();
    QCOMPARE(seen, QStringList({"New Deathmatch Profile", "modal", "open after Esc", "open after Enter"}));
    QCOMPARE(form->profile().currentUser, QStringLiteral("modal1"));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

QTEST_MAIN(TestProfiles)
#include "tst_profiles.moc"
