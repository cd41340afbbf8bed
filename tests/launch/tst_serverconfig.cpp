// The configuration script's rules straight from a profile: the dmflags bits and the number format.
// The script's lines, byte for byte, are tested through the window in tst_launchwindow.
#include "launch/ServerConfig.h"
#include "profiles/Profile.h"
#include "support/AppError.h"

#include <QLocale>
#include <QTest>

namespace {

// One character per deathmatch box, in the order of the bit table: '0' unchecked, '1' checked, 'g' greyed.
// Health, Powerups, Weapons Stay, Falling, Instant Powerups, Same Map, Friendly Fire, Spawn Farthest,
// Force Respawn, Armor, Exit, Infinite Ammo, Quad Drop, Fixed FOV.
Profile withBoxes(const QByteArray& boxes, int teamplay)
{
    static constexpr Qt::CheckState Profile::*order[] = {
        &Profile::health,       &Profile::powerups,   &Profile::weaponStay,   &Profile::falling,
        &Profile::instPower,    &Profile::sameMap,    &Profile::friendlyFire, &Profile::spawnFarthest,
        &Profile::forceRespawn, &Profile::allowArmor, &Profile::allowExit,    &Profile::infiniteAmmo,
        &Profile::quadDrop,     &Profile::fixedFov,
    };
    Q_ASSERT(boxes.size() == 14);
    Profile s;
    for (int i = 0; i < 14; ++i)
        s.*order[i] = boxes[i] == '1' ? Qt::Checked : boxes[i] == 'g' ? Qt::PartiallyChecked : Qt::Unchecked;
    s.teamplay = teamplay;
    return s;
}

} // namespace

using TextMember = QString Profile::*;
Q_DECLARE_METATYPE(TextMember)

class TestServerConfig : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dmflags_data();
    void dmflags();
    void empathyFactorIgnoresTheLocale_data();
    void empathyFactorIgnoresTheLocale();
    void valuesTheScriptCannotCarry_data();
    void valuesTheScriptCannotCarry();
    void mapLineQuotesOnlyANameWithABlank_data();
    void mapLineQuotesOnlyANameWithABlank();
};

void TestServerConfig::dmflags_data()
{
    QTest::addColumn<QByteArray>("boxes");
    QTest::addColumn<int>("teamplay");
    QTest::addColumn<int>("expected");

    QTest::newRow("all unchecked, teams by model") << QByteArray("00000000000000") << 2 << 2443;
    QTest::newRow("inverted boxes checked, rest off") << QByteArray("11010010010000") << 0 << 0;
    QTest::newRow("no teamplay selected") << QByteArray("11010010010000") << -1 << 0;
    QTest::newRow("teams by skin") << QByteArray("11010010010000") << 1 << 64;
    QTest::newRow("item past by model counts as by model") << QByteArray("11010010010000") << 3 << 128;
    // Each box that sets its bit when checked, alone.
    QTest::newRow("weapons stay") << QByteArray("11110010010000") << 0 << 4;
    QTest::newRow("instant powerups") << QByteArray("11011010010000") << 0 << 16;
    QTest::newRow("same map") << QByteArray("11010110010000") << 0 << 32;
    QTest::newRow("spawn farthest") << QByteArray("11010011010000") << 0 << 512;
    QTest::newRow("force respawn") << QByteArray("11010010110000") << 0 << 1024;
    QTest::newRow("allow exit") << QByteArray("11010010011000") << 0 << 4096;
    QTest::newRow("infinite ammo") << QByteArray("11010010010100") << 0 << 8192;
    QTest::newRow("quad drop") << QByteArray("11010010010010") << 0 << 16384;
    QTest::newRow("fixed fov") << QByteArray("11010010010001") << 0 << 32768;
    // Each box that sets its bit when unchecked, alone.
    QTest::newRow("no health") << QByteArray("01010010010000") << 0 << 1;
    QTest::newRow("no powerups") << QByteArray("10010010010000") << 0 << 2;
    QTest::newRow("no falling damage") << QByteArray("11000010010000") << 0 << 8;
    QTest::newRow("no friendly fire") << QByteArray("11010000010000") << 0 << 256;
    QTest::newRow("no armor") << QByteArray("11010010000000") << 0 << 2048;
    QTest::newRow("everything on, by skin")
        << QByteArray("11111111111111") << 1 << 4 + 16 + 32 + 64 + 512 + 1024 + 4096 + 8192 + 16384 + 32768;
    // A greyed box sets no bit, whichever way its bit runs.
    QTest::newRow("all greyed") << QByteArray("gggggggggggggg") << 0 << 0;
    QTest::newRow("greyed among unchecked") << QByteArray("g0g0000000000g") << 0 << 2 + 8 + 256 + 2048;
}

void TestServerConfig::dmflags()
{
    QFETCH(QByteArray, boxes);
    QFETCH(int, teamplay);
    QFETCH(int, expected);
    QCOMPARE(dmflagsValue(withBoxes(boxes, teamplay)), expected);
}

void TestServerConfig::empathyFactorIgnoresTheLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("German") << QStringLiteral("de_DE");
    QTest::newRow("French") << QStringLiteral("fr_FR");
    QTest::newRow("English") << QStringLiteral("en_US");
}

void TestServerConfig::empathyFactorIgnoresTheLocale()
{
    QFETCH(QString, locale);
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    Profile s;
    s.useEmpathy = Qt::Checked;
    s.empathy = 4;
    const QStringList lines = serverConfigLines(s);
    QLocale::setDefault(previous);
    QVERIFY(lines.contains(QStringLiteral("set empathyfactor \"2.5\"")));
    QCOMPARE(empathyFactorText(0.5), QStringLiteral("0.5"));
}

void TestServerConfig::valuesTheScriptCannotCarry_data()
{
    QTest::addColumn<TextMember>("member");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("remoteConsole");
    QTest::addColumn<QString>("error"); // empty: the script can carry it
    const QString quote = QStringLiteral(" contains a double quote, which the game cannot read.");
    QTest::newRow("host name") << &Profile::host << "x\";quit\"" << false << "The host name" + quote;
    QTest::newRow("password") << &Profile::password << "a\"b" << false << "The password" + quote;
    QTest::newRow("rcon password") << &Profile::rconPassword << "a\"b" << true
                                   << "The remote console password" + quote;
    QTest::newRow("rcon password, never written") << &Profile::rconPassword << "a\"b" << false << "";
    QTest::newRow("skip key quote") << &Profile::skipKey << "\"" << false << "The skip key" + quote;
    QTest::newRow("skip key semicolon") << &Profile::skipKey << ";" << false
                                        << "The skip key contains a semicolon, which the game cannot read.";
    QTest::newRow("semicolon in a quoted value") << &Profile::host << "a;b" << false << "";
}

void TestServerConfig::valuesTheScriptCannotCarry()
{
    QFETCH(TextMember, member);
    QFETCH(QString, value);
    QFETCH(bool, remoteConsole);
    QFETCH(QString, error);
    Profile s;
    s.*member = value;
    s.remoteConsole = remoteConsole ? Qt::Checked : Qt::Unchecked;
    QString thrown;
    try {
        checkScriptValues(s);
    } catch (const AppError& e) {
        thrown = e.text();
    }
    QCOMPARE(thrown, error);
}

void TestServerConfig::mapLineQuotesOnlyANameWithABlank_data()
{
    QTest::addColumn<QString>("level");
    QTest::addColumn<QString>("line");
    QTest::newRow("plain") << "q2dm1" << "map q2dm1";
    QTest::newRow("blank") << "my level" << "map \"my level\"";
    QTest::newRow("other punctuation") << "dm-1.x" << "map dm-1.x";
}

void TestServerConfig::mapLineQuotesOnlyANameWithABlank()
{
    QFETCH(QString, level);
    QFETCH(QString, line);
    Profile s;
    s.playList = {level, QStringLiteral("next")};
    QVERIFY(serverConfigLines(s).contains(line));
}

QTEST_GUILESS_MAIN(TestServerConfig)
#include "tst_serverconfig.moc"
