// The game's words, piece by piece, and the CD-ROM drive they may name.
#include "launch/GameCommandLine.h"
#include "profiles/Profile.h"

#include <QSet>
#include <QTest>

class TestGameCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pieces_data();
    void pieces();
    void cdDrive_data();
    void cdDrive();
    void noDriveLettersHere();
};

namespace {

// The words of `line` split at single blanks, "{dir}" standing for the Quake 2 directory as one word and
// "{module}" for the program directory's q2pro game module.
QStringList words(const QString& line, const QString& quake2Dir)
{
    QStringList list = line.split(u' ');
    list.replaceInStrings(QStringLiteral("{dir}"), quake2Dir);
    list.replaceInStrings(QStringLiteral("{module}"), quake2Dir + QStringLiteral("/Velstrom/" VELSTROM_GAME_CPU_NAME));
    return list;
}

} // namespace

void TestGameCommandLine::pieces_data()
{
    QTest::addColumn<int>("servType");
    QTest::addColumn<int>("logFile");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("configFile");
    QTest::addColumn<QString>("quake2Dir");
    QTest::addColumn<QString>("cdDrive");
    QTest::addColumn<QString>("expected");

    const QString none = QStringLiteral("[None]");
    const QString dir = QStringLiteral("/games/quake2");
    const QString port = QStringLiteral(" +set port 27910 +set net_port 27910");
    const QString tail = QStringLiteral(" +set game Velstrom +set basedir {dir} +set sys_forcegamelib {module}");

    QTest::newRow("listen, nothing extra") << 0 << int(Qt::Unchecked) << "27910" << none << dir << "none"
                                           << "+deathmatch 1" + port + tail + " +exec Velstrom.cfg";
    QTest::newRow("dedicated, logged, extra script, CD drive")
        << 1 << int(Qt::Checked) << "27910"
        << "server.cfg" << dir << "D"
        << "+set dedicated 1 +set logfile 1 +deathmatch 1" + port + tail +
               " +exec server.cfg +exec Velstrom.cfg +set cddir D:\\install\\data";
    QTest::newRow("no server type selected") << -1 << int(Qt::Unchecked) << "27910" << none << dir << "none"
                                             << "+deathmatch 1" + port + tail + " +exec Velstrom.cfg";
    QTest::newRow("greyed log file") << 1 << int(Qt::PartiallyChecked) << "27910" << none << dir << "none"
                                     << "+set dedicated 1 +deathmatch 1" + port + tail + " +exec Velstrom.cfg";
    // "+set" takes the next two words whatever they are, so a missing port must not leave "+set port" behind.
    QTest::newRow("empty port is left to the game") << 0 << int(Qt::Unchecked) << "" << none << dir << "none"
                                                    << "+deathmatch 1" + tail + " +exec Velstrom.cfg";
    QTest::newRow("blank port is no port either") << 1 << int(Qt::Unchecked) << " \t " << none << dir << "none"
                                                  << "+set dedicated 1 +deathmatch 1" + tail + " +exec Velstrom.cfg";
    QTest::newRow("another port reaches both names")
        << 1 << int(Qt::Unchecked) << "27960" << none << dir << "none"
        << "+set dedicated 1 +deathmatch 1 +set port 27960 +set net_port 27960" + tail + " +exec Velstrom.cfg";
    QTest::newRow("[None] in another case is a name")
        << 0 << int(Qt::Unchecked) << "27910"
        << "[none]" << dir << "none"
        << "+deathmatch 1" + port + tail + " +exec [none] +exec Velstrom.cfg";
    QTest::newRow("empty config text still execs") << 0 << int(Qt::Unchecked) << "27910"
                                                   << "" << dir << "none"
                                                   << "+deathmatch 1" + port + tail + " +exec +exec Velstrom.cfg";
    QTest::newRow("blanks in the Quake 2 directory stay one word")
        << 0 << int(Qt::Unchecked) << "27911" << none << "/home/me/My Games/Quake 2"
        << "none"
        << "+deathmatch 1 +set port 27911 +set net_port 27911" + tail + " +exec Velstrom.cfg";
    QTest::newRow("a double quote in the Quake 2 directory stays")
        << 0 << int(Qt::Unchecked) << "27910" << none << "/home/me/\"q2\" dir"
        << "none"
        << "+deathmatch 1" + port + tail + " +exec Velstrom.cfg";
}

void TestGameCommandLine::pieces()
{
    QFETCH(int, servType);
    QFETCH(int, logFile);
    QFETCH(QString, port);
    QFETCH(QString, configFile);
    QFETCH(QString, quake2Dir);
    QFETCH(QString, cdDrive);
    QFETCH(QString, expected);

    Profile p;
    p.servType = servType;
    p.logFile = Qt::CheckState(logFile);
    p.port = port;
    p.configFile = configFile;
    // Nothing of the configuration script reaches the command line.
    p.host = QStringLiteral("ignored");
    p.playList = QStringList{QStringLiteral("q2dm1")};
    // The program directory as the installation gives it, with its trailing "/".
    QCOMPARE(gameArguments(p, quake2Dir, cdDrive, quake2Dir + QStringLiteral("/Velstrom/")),
             words(expected, quake2Dir));
}

void TestGameCommandLine::cdDrive_data()
{
    QTest::addColumn<QString>("cdRoms");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no CD-ROM drive") << ""
                                     << "none";
    QTest::newRow("two drives, the first letter wins") << "ED"
                                                       << "D";
    QTest::newRow("the last letter") << "Z"
                                     << "Z";
    QTest::newRow("the first letter") << "AC"
                                      << "A";
}

void TestGameCommandLine::cdDrive()
{
    QFETCH(QString, cdRoms);
    QFETCH(QString, expected);
    QString asked;
    const QString found = findCdDrive([&](QChar drive) {
        asked += drive;
        return cdRoms.contains(drive);
    });
    QCOMPARE(found, expected);
    // Letters are tried in order and the search stops at the first drive.
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QCOMPARE(asked, expected == NoCdDrive ? alphabet : alphabet.left(alphabet.indexOf(expected) + 1));
}

void TestGameCommandLine::noDriveLettersHere()
{
    QCOMPARE(findCdDrive(), NoCdDrive);
    QVERIFY(!gameArguments(Profile(), QStringLiteral("/q2"), findCdDrive(), QStringLiteral("/q2/Velstrom"))
                 .contains(QStringLiteral("cddir")));
}

QTEST_GUILESS_MAIN(TestGameCommandLine)
#include "tst_gamecommandline.moc"
