// The rules behind the settings pages and the profile lists, without the window.
#include "profiles/PageRules.h"
#include "profiles/ProfileNames.h"
#include "profiles/SettingKeys.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

class TestSettingRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void empathyLabels_data();
    void empathyLabels();
    void factorUsesTheLocaleSeparator();
    void roundsHalfToEven_data();
    void roundsHalfToEven();
    void kickbackLabel_data();
    void kickbackLabel();
    void numericKeys_data();
    void numericKeys();
    void profileNameKeys_data();
    void profileNameKeys();
    void cleanProfileNames_data();
    void cleanProfileNames();
    void profileListLeavesOutTheProgramIni();
    void configListKeepsItsOrder();
    void listingMatchesWithoutCaseAndTakesEveryEntry();
    void listingOfAMissingDirectoryIsEmpty();
    void sortedInsertKeepsTheOrder();
    void everyKeyIsSavedOnce();
};

void TestSettingRules::empathyLabels_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("t1");
    QTest::addColumn<QString>("t2");
    QTest::addColumn<QString>("t3");
    QTest::addColumn<QString>("factor");
    QTest::newRow("1") << 1 << "8 frags"
                       << "12 frags"
                       << "16 frags"
                       << "4";
    QTest::newRow("2") << 2 << "7 frags"
                       << "10 frags"
                       << "14 frags"
                       << "3.5";
    QTest::newRow("3") << 3 << "6 frags"
                       << "9 frags"
                       << "12 frags"
                       << "3";
    QTest::newRow("4") << 4 << "5 frags"
                       << "8 frags"
                       << "10 frags"
                       << "2.5";
    QTest::newRow("5") << 5 << "4 frags"
                       << "6 frags"
                       << "8 frags"
                       << "2";
    QTest::newRow("6") << 6 << "3 frags"
                       << "4 frags"
                       << "6 frags"
                       << "1.5";
    QTest::newRow("7") << 7 << "2 frags"
                       << "3 frags"
                       << "4 frags"
                       << "1";
}

void TestSettingRules::empathyLabels()
{
    QFETCH(int, position);
    const EmpathyLabels labels = empathyLabelsFor(position, QLocale::c());
    QFETCH(QString, t1);
    QFETCH(QString, t2);
    QFETCH(QString, t3);
    QFETCH(QString, factor);
    QCOMPARE(labels.firstThreshold, t1);
    QCOMPARE(labels.secondThreshold, t2);
    QCOMPARE(labels.lastThreshold, t3);
    QCOMPARE(labels.factor, factor);
    QCOMPARE(empathyFactorFor(position), factor.toDouble());
}

void TestSettingRules::factorUsesTheLocaleSeparator()
{
    QCOMPARE(empathyLabelsFor(2, QLocale(QLocale::German, QLocale::Germany)).factor, QStringLiteral("3,5"));
    QCOMPARE(empathyLabelsFor(3, QLocale(QLocale::German, QLocale::Germany)).factor, QStringLiteral("3"));
    QCOMPARE(empathyLabelsFor(6, QLocale(QLocale::French, QLocale::France)).factor, QStringLiteral("1,5"));
}

void TestSettingRules::roundsHalfToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<qlonglong>("rounded");
    QTest::newRow("10.5") << 10.5 << 10LL;
    QTest::newRow("7.5") << 7.5 << 8LL;
    QTest::newRow("4.5") << 4.5 << 4LL;
    QTest::newRow("0.5") << 0.5 << 0LL;
    QTest::newRow("1.5") << 1.5 << 2LL;
    QTest::newRow("2.49") << 2.49 << 2LL;
    QTest::newRow("2.51") << 2.51 << 3LL;
    QTest::newRow("-2.5") << -2.5 << -2LL;
    QTest::newRow("-3.5") << -3.5 << -4LL;
    QTest::newRow("whole") << 12.0 << 12LL;
}

void TestSettingRules::roundsHalfToEven()
{
    QFETCH(double, value);
    QFETCH(qlonglong, rounded);
    QCOMPARE(roundHalfToEven(value), rounded);
}

void TestSettingRules::kickbackLabel_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");
    QTest::newRow("left end") << 10 << "500";
    QTest::newRow("tick") << 20 << "1000";
    QTest::newRow("between ticks") << 37 << "1850";
    QTest::newRow("right end") << 100 << "5000";
}

void TestSettingRules::kickbackLabel()
{
    QFETCH(int, position);
    QFETCH(QString, text);
    QCOMPARE(kickbackText(position), text);
}

void TestSettingRules::numericKeys_data()
{
    QTest::addColumn<QChar>("key");
    QTest::addColumn<bool>("passes");
    QTest::newRow("0") << QChar(u'0') << true;
    QTest::newRow("9") << QChar(u'9') << true;
    QTest::newRow("backspace") << QChar(8) << true;
    QTest::newRow("ctrl+v") << QChar(22) << true;
    QTest::newRow("unit separator") << QChar(31) << true;
    QTest::newRow("space") << QChar(u' ') << false;
    QTest::newRow("minus") << QChar(u'-') << false;
    QTest::newRow("plus") << QChar(u'+') << false;
    QTest::newRow("letter") << QChar(u'a') << false;
    QTest::newRow("full stop") << QChar(u'.') << false;
    QTest::newRow("arabic-indic three") << QChar(0x0663) << false;
    QTest::newRow("fullwidth one") << QChar(0xFF11) << false;
    QTest::newRow("superscript two") << QChar(0x00B2) << false;
    QTest::newRow("delete") << QChar(127) << false;
}

void TestSettingRules::numericKeys()
{
    QFETCH(QChar, key);
    QFETCH(bool, passes);
    QCOMPARE(isNumericEditKey(key), passes);
}

void TestSettingRules::profileNameKeys_data()
{
    QTest::addColumn<QChar>("key");
    QTest::addColumn<bool>("passes");
    for (const char c : {'a', 'z', 'A', 'Z', '0', '9', '-', '_'})
        QTest::newRow(QByteArray(1, c).constData()) << QChar(QLatin1Char(c)) << true;
    QTest::newRow("backspace") << QChar(8) << true;
    QTest::newRow("ctrl+v") << QChar(22) << true;
    QTest::newRow("space") << QChar(u' ') << false;
    QTest::newRow("full stop") << QChar(u'.') << false;
    QTest::newRow("slash") << QChar(u'/') << false;
    QTest::newRow("backslash") << QChar(u'\\') << false;
    QTest::newRow("colon") << QChar(u':') << false;
    QTest::newRow("a umlaut") << QChar(0x00E4) << false;
    QTest::newRow("code 128") << QChar(128) << false;
    QTest::newRow("cyrillic a") << QChar(0x0430) << false;
}

void TestSettingRules::profileNameKeys()
{
    QFETCH(QChar, key);
    QFETCH(bool, passes);
    QChar k = key;
    profileNameKeyFilter(k);
    QCOMPARE(k, passes ? key : QChar(0));
}

void TestSettingRules::cleanProfileNames_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("kept");
    QTest::newRow("plain") << "Team_Night-2"
                           << "Team_Night-2";
    QTest::newRow("parent dir") << "../../etc/passwd"
                                << "etcpasswd";
    QTest::newRow("only dots") << ".."
                               << "";
    QTest::newRow("absolute") << "/tmp/x"
                              << "tmpx";
    QTest::newRow("windows path") << "C:\\Quake2\\x"
                                  << "CQuake2x";
    QTest::newRow("spaces") << " my profile "
                            << "myprofile";
    QTest::newRow("line break") << "a\r\nb\tc"
                                << "abc";
    QTest::newRow("accents") << QString::fromUtf8("Éléonore") << "lonore";
    QTest::newRow("empty") << ""
                           << "";
}

void TestSettingRules::cleanProfileNames()
{
    QFETCH(QString, pasted);
    QFETCH(QString, kept);
    QCOMPARE(cleanProfileName(pasted), kept);
}

void TestSettingRules::profileListLeavesOutTheProgramIni()
{
    const QStringList files = {"zeta.ini",  "velstrom.ini",  "Velstrom.INI", "VELSTROM.ini",
                               "Alpha.ini", "beta.ini",      ".ini",         " ",
                               "a.b.ini",   "velstrom2.ini", "Beta.INI"};
    QCOMPARE(profileEntries(files, QStringLiteral("velstrom")),
             QStringList({"", "a.b", "Alpha", "Beta", "beta", "velstrom2", "zeta"}));
    // The executable's own name decides, whatever it is.
    QCOMPARE(profileEntries({"vs.ini", "velstrom.ini"}, QStringLiteral("VS")), QStringList({"velstrom"}));
}

void TestSettingRules::configListKeepsItsOrder()
{
    QCOMPARE(configEntries({"server.cfg", "autoexec.cfg", "  ", "b.CFG"}),
             QStringList({"[None]", "server.cfg", "autoexec.cfg", "b.CFG"}));
    QCOMPARE(configEntries({}), QStringList({"[None]"}));
}

void TestSettingRules::listingMatchesWithoutCaseAndTakesEveryEntry()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QDir dir(tmp.path());
    for (const char* name : {"server.cfg", "AUTOEXEC.CFG", ".hidden.cfg", "notes.txt", "x.cfgx", "Mixed.Cfg"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(dir.mkdir(QStringLiteral("folder.cfg")));
    QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), dir.filePath(QStringLiteral("dangling.cfg"))));

    QCOMPARE(listMatchingEntries(tmp.path() + QStringLiteral("/*.cfg")),
             QStringList({".hidden.cfg", "AUTOEXEC.CFG", "dangling.cfg", "folder.cfg", "Mixed.Cfg", "server.cfg"}));
    QCOMPARE(listMatchingEntries(tmp.path() + QStringLiteral("/?????.CFG")), QStringList({"Mixed.Cfg"}));

    // A relative pattern is taken from the current directory.
    const QString previous = QDir::currentPath();
    QVERIFY(dir.mkdir(QStringLiteral("sub")));
    QDir::setCurrent(dir.filePath(QStringLiteral("sub")));
    const QStringList relative = listMatchingEntries(QStringLiteral("../*.TXT"));
    QDir::setCurrent(previous);
    QCOMPARE(relative, QStringList({"notes.txt"}));
}

void TestSettingRules::listingOfAMissingDirectoryIsEmpty()
{
    QTemporaryDir tmp;
    QVERIFY(listMatchingEntries(tmp.path() + QStringLiteral("/nowhere/*.cfg")).isEmpty());
}

void TestSettingRules::sortedInsertKeepsTheOrder()
{
    QStringList list = {"alpha", "Delta", "zulu"};
    for (const char* name : {"Charlie", "echo", "ALPHA", "0day", "zz"}) {
        const QString n = QString::fromLatin1(name);
        list.insert(sortedInsertPosition(list, n), n);
    }
    QStringList sorted = list;
    std::sort(sorted.begin(), sorted.end(), profileNameLess);
    QCOMPARE(list, sorted);
    QCOMPARE(list.first(), QStringLiteral("0day"));
    QCOMPARE(indexOfProfile(list, QStringLiteral("DELTA")), list.indexOf(QStringLiteral("Delta")));
    QCOMPARE(indexOfProfile(list, QStringLiteral("delt")), -1);
}

void TestSettingRules::everyKeyIsSavedOnce()
{
    QSet<QString> loaded;
    for (const SettingKey& k : settingkeys::programKeys())
        loaded.insert(k.key);
    for (const SettingKey& k : settingkeys::profileKeys())
        loaded.insert(k.key);
    QCOMPARE(loaded.size(), 37);

    QSet<QString> saved;
    QList<SettingMember> members;
    for (const SettingKey& k : settingkeys::writeOrder()) {
        QVERIFY2(!saved.contains(k.key), qPrintable(k.key));
        saved.insert(k.key);
        // Two keys on one member would overwrite each other's value.
        QVERIFY2(!members.contains(k.member), qPrintable(k.key));
        members.append(k.member);
    }
    QCOMPARE(saved, loaded);
    QCOMPARE(settingkeys::defaultFor(*settingkeys::find(QStringLiteral("Usevweap")), true), QStringLiteral("CHK"));
    QCOMPARE(settingkeys::defaultFor(*settingkeys::find(QStringLiteral("Usevweap")), false), QStringLiteral("UNC"));
}

QTEST_GUILESS_MAIN(TestSettingRules)
#include "tst_settingrules.moc"
