// The settings pages on the real window: server-type enabling, the value labels, the handicap panel and its
// sound, the key filters and the sound switch.
#include "ProfileTesting.h"
#include "ui_MainWindow.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QRadioButton>
#include <QTest>

using namespace velstrom::test;

namespace {

const QString EmpathySound = QStringLiteral("SND_EMPATHY");

QLineEdit* edit(MainWindow& form, const QString& name)
{
    return widget<QLineEdit>(form, name);
}

// On the radio button's indicator, where a click always lands.
void clickItem(RadioGroup* group, int index)
{
    QRadioButton* button = group->button(index);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

} // namespace

class TestSettingsPages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void serverTypeEnablesRemoteConsole();
    void noServerTypeLeavesTheEnabling();
    void kickbackLabelFollowsTheTrackBar();
    void empathyLabelsFollowTheTrackBar_data();
    void empathyLabelsFollowTheTrackBar();
    void checkingHandicapPlaysOnceAndShowsThePanel();
    void handicapIsSilentWithSoundsOff();
    void loadedHandicapShowsThePanelSilently();
    void pictureOnlyChecksTheBox();
    void numericEditsDropOtherKeys_data();
    void numericEditsDropOtherKeys();
    void pastedTextIsNotFiltered();
    void skipKeyTakesAnyOneCharacter_data();
    void skipKeyTakesAnyOneCharacter();
    void quotesNeverReachTheScript_data();
    void quotesNeverReachTheScript();
    void soundSwitchFollowsTheBox();
};

void TestSettingsPages::serverTypeEnablesRemoteConsole()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    auto& ui = form->ui();
    ui.edROPW->setText(QStringLiteral("secret"));
    ui.cbRemoteConsole->setCheckState(Qt::Checked);
    clickItem(ui.rsServType, 1);
    QCOMPARE(ui.rsServType->itemIndex(), 1);
    QVERIFY(ui.cbRemoteConsole->isEnabled() && ui.edROPW->isEnabled() && ui.lblRconPassword->isEnabled());
    QVERIFY(ui.edPW->isEnabled());

    clickItem(ui.rsServType, 0);
    QVERIFY(!ui.cbRemoteConsole->isEnabled() && !ui.edROPW->isEnabled() && !ui.lblRconPassword->isEnabled());
    QVERIFY(ui.edPW->isEnabled());
    // Disabling keeps what they hold.
    QCOMPARE(ui.edROPW->text(), QStringLiteral("secret"));
    QCOMPARE(ui.cbRemoteConsole->checkState(), Qt::Checked);
}

void TestSettingsPages::noServerTypeLeavesTheEnabling()
{
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("dedicated"), {{"ServerType", "1"}});
    writeIni(q2, QStringLiteral("none"), {{"ServerType", "-1"}});
    writeIni(q2, QStringLiteral("velstrom"), {{"CurrentUser", "dedicated"}});
    auto form = makeMainWindow();
    QVERIFY(form->ui().edROPW->isEnabled());
    form->profile().currentUser = QStringLiteral("none");
    form->settings().newCurrentUser();
    QCOMPARE(form->ui().rsServType->itemIndex(), -1);
    QVERIFY(form->ui().edROPW->isEnabled());
}

void TestSettingsPages::kickbackLabelFollowsTheTrackBar()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    auto& ui = form->ui();
    ui.tbKickback->setFocus();
    QTest::keyClick(ui.tbKickback, Qt::Key_End);
    QCOMPARE(ui.tbKickback->value(), 100);
    QCOMPARE(ui.lblKickVal->text(), QStringLiteral("5000"));
    QTest::keyClick(ui.tbKickback, Qt::Key_Home);
    QCOMPARE(ui.lblKickVal->text(), QStringLiteral("500"));
    QTest::keyClick(ui.tbKickback, Qt::Key_Right);
    QCOMPARE(ui.lblKickVal->text(), QString::number(ui.tbKickback->value() * 50));
    QVERIFY(ui.tbKickback->value() > 10);
}

void TestSettingsPages::empathyLabelsFollowTheTrackBar_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("1") << 1 << QStringList{"8 frags", "12 frags", "16 frags", "4"};
    QTest::newRow("2") << 2 << QStringList{"7 frags", "10 frags", "14 frags", "3.5"};
    QTest::newRow("4") << 4 << QStringList{"5 frags", "8 frags", "10 frags", "2.5"};
    QTest::newRow("6") << 6 << QStringList{"3 frags", "4 frags", "6 frags", "1.5"};
    QTest::newRow("7") << 7 << QStringList{"2 frags", "3 frags", "4 frags", "1"};
}

void TestSettingsPages::empathyLabelsFollowTheTrackBar()
{
    QFETCH(int, position);
    QFETCH(QStringList, labels);
    FakeQuake2 q2;
    auto form = makeMainWindow();
    auto& ui = form->ui();
    ui.tbEmpathy->setFocus();
    QTest::keyClick(ui.tbEmpathy, Qt::Key_Home);
    for (int i = 1; i < position; ++i)
        QTest::keyClick(ui.tbEmpathy, Qt::Key_Right);
    QCOMPARE(ui.tbEmpathy->value(), position);
    QCOMPARE(QStringList({ui.lblT1->text(), ui.lblT2->text(), ui.lblT3->text(), ui.lblFactor->text()}), labels);
}

void TestSettingsPages::checkingHandicapPlaysOnceAndShowsThePanel()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    auto& ui = form->ui();
    q2.sounds().clear();
    QTest::mouseClick(ui.cbUseEmpathy, Qt::LeftButton);
    QCOMPARE(ui.cbUseEmpathy->checkState(), Qt::Checked);
    QCOMPARE(q2.sounds().names(), QStringList{EmpathySound});
    QVERIFY(!q2.sounds().played().first().wait);
    QVERIFY(!ui.pnEmp->isHidden());

    QTest::mouseClick(ui.cbUseEmpathy, Qt::LeftButton);
    QCOMPARE(ui.cbUseEmpathy->checkState(), Qt::Unchecked);
    QCOMPARE(q2.sounds().names().size(), 1);
    QVERIFY(ui.pnEmp->isHidden());
}

void TestSettingsPages::handicapIsSilentWithSoundsOff()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    auto& ui = form->ui();
    QTest::mouseClick(ui.cbSoundDisable, Qt::LeftButton);
    q2.sounds().clear();
    QTest::mouseClick(ui.cbUseEmpathy, Qt::LeftButton);
    QVERIFY(q2.sounds().names().isEmpty());
    QVERIFY(!ui.pnEmp->isHidden());
}

void TestSettingsPages::loadedHandicapShowsThePanelSilently()
{
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("on"), {{"BeginnerEmpathy", "CHK"}});
    writeIni(q2, QStringLiteral("grey"), {{"BeginnerEmpathy", "GRAY"}});
    auto form = makeMainWindow();
    auto& ui = form->ui();
    q2.sounds().clear();
    form->profile().currentUser = QStringLiteral("on");
    form->settings().newCurrentUser();
    QVERIFY(!ui.pnEmp->isHidden());
    QVERIFY(!q2.sounds().names().contains(EmpathySound));
    form->profile().currentUser = QStringLiteral("grey");
    form->settings().newCurrentUser();
    QVERIFY(ui.pnEmp->isHidden());
    QVERIFY(!q2.sounds().names().contains(EmpathySound));
}

void TestSettingsPages::pictureOnlyChecksTheBox()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    auto& ui = form->ui();
    q2.sounds().clear();
    QTest::mouseClick(ui.lblEmpathyPicture, Qt::LeftButton);
    QCOMPARE(ui.cbUseEmpathy->checkState(), Qt::Checked);
    QVERIFY(!ui.pnEmp->isHidden());
    QCOMPARE(q2.sounds().names(), QStringList{EmpathySound});
    QTest::mouseClick(ui.lblEmpathyPicture, Qt::LeftButton);
    QCOMPARE(ui.cbUseEmpathy->checkState(), Qt::Checked);
    QCOMPARE(q2.sounds().names().size(), 1);
    // From greyed, the picture checks the box as a click would.
    ui.cbUseEmpathy->setCheckState(Qt::PartiallyChecked);
    QVERIFY(ui.pnEmp->isHidden());
    QTest::mouseClick(ui.lblEmpathyPicture, Qt::LeftButton);
    QCOMPARE(ui.cbUseEmpathy->checkState(), Qt::Checked);
    QVERIFY(!ui.pnEmp->isHidden());
}

void TestSettingsPages::numericEditsDropOtherKeys_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("port") << "edPort"
                          << "2a7-9.1 0+55"
                          << "27910";
    QTest::newRow("port sixth digit") << "edPort"
                                      << "123456"
                                      << "12345";
    QTest::newRow("frag limit") << "edFragLimit"
                                << "-1x2"
                                << "12";
    QTest::newRow("frag limit fourth digit") << "edFragLimit"
                                             << "1000"
                                             << "100";
    QTest::newRow("time limit") << "edTimeLimit"
                                << "3,5"
                                << "35";
    QTest::newRow("time limit fourth digit") << "edTimeLimit"
                                             << "9999"
                                             << "999";
    QTest::newRow("max clients") << "edMaxClients"
                                 << "e8"
                                 << "8";
    QTest::newRow("max clients fourth digit") << "edMaxClients"
                                              << "1234"
                                              << "123";
    QTest::newRow("time out") << "edTimeOut" << QString::fromUtf8("1\xd9\xa3\xc2\xb2 2") << "12";
}

void TestSettingsPages::numericEditsDropOtherKeys()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    FakeQuake2 q2;
    auto form = makeMainWindow();
    QLineEdit* e = edit(*form, name);
    e->clear();
    e->setFocus();
    typeText(e, typed);
    QCOMPARE(e->text(), shown);
    // Editing keys still work.
    QTest::keyClick(e, Qt::Key_Backspace);
    QCOMPARE(e->text(), shown.chopped(1));
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    QVERIFY(e->text().isEmpty()); // an edit may be left empty
}

void TestSettingsPages::pastedTextIsNotFiltered()
{
    FakeQuake2 q2;
    auto form = makeMainWindow();
    QClipboard* clipboard = QGuiApplication::clipboard();
    for (const QString& name : {QStringLiteral("edPort"), QStringLiteral("edTimeLimit")}) {
        QLineEdit* e = edit(*form, name);
        e->clear();
        e->setFocus();
        clipboard->setText(QStringLiteral("ab"));
        QTest::keySequence(e, QKeySequence::Paste);
        QCOMPARE(e->text(), QStringLiteral("ab"));
    }
}

void TestSettingsPages::skipKeyTakesAnyOneCharacter_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "q"
                            << "q";
    QTest::newRow("punctuation") << "#"
                                 << "#";
    QTest::newRow("minus") << "-"
                           << "-";
    QTest::newRow("only one") << "ab"
                              << "a";
    QTest::newRow("double quote") << "\"q"
                                  << "q";
    QTest::newRow("semicolon") << ";q"
                               << "q";
}

void TestSettingsPages::skipKeyTakesAnyOneCharacter()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    FakeQuake2 q2;
    auto form = makeMainWindow();
    QLineEdit* e = form->ui().edSkipKey;
    e->setFocus();
    QTest::keyClicks(e, typed);
    QCOMPARE(e->text(), shown);
}

void TestSettingsPages::quotesNeverReachTheScript_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("host name") << "edHost";
    QTest::newRow("password") << "edPW";
    QTest::newRow("rcon password") << "edROPW";
}

// The values written between double quotes take no double quote, typed or pasted.
void TestSettingsPages::quotesNeverReachTheScript()
{
    QFETCH(QString, name);
    FakeQuake2 q2;
    auto form = makeMainWindow();
    QLineEdit* e = edit(*form, name);
    e->setEnabled(true);
    e->clear();
    e->setFocus();
    typeText(e, QStringLiteral("x\";quit"));
    QCOMPARE(e->text(), QStringLiteral("x;quit"));
    e->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("a\"b"));
    QTest::keySequence(e, QKeySequence::Paste);
    QCOMPARE(e->text(), QString());
}

void TestSettingsPages::soundSwitchFollowsTheBox()
{
    FakeQuake2 q2;
    writeIni(q2, QStringLiteral("velstrom"), {{"SoundDisable", "GRAY"}});
    auto form = makeMainWindow();
    auto& ui = form->ui();
    QVERIFY(!form->state().soundsEnabled);                // greyed counts as disabled
    QTest::mouseClick(ui.cbSoundDisable, Qt::LeftButton); // greyed -> checked
    QCOMPARE(ui.cbSoundDisable->checkState(), Qt::Checked);
    QVERIFY(!form->state().soundsEnabled);
    QTest::mouseClick(ui.cbSoundDisable, Qt::LeftButton);
    QCOMPARE(ui.cbSoundDisable->checkState(), Qt::Unchecked);
    QVERIFY(form->state().soundsEnabled);
    q2.sounds().clear();
    form->play(QStringLiteral("SND_GO"), false);
    QCOMPARE(q2.sounds().names(), QStringList{QStringLiteral("SND_GO")});
    form->settings().writeUserSettings();
    QCOMPARE(storedValue(q2, QStringLiteral("velstrom"), QStringLiteral("SoundDisable")), QStringLiteral("UNC"));
}

QTEST_MAIN(TestSettingsPages)
#include "tst_settingspages.moc"
