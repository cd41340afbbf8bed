// The window reads back what velstrom-cli wrote: after `run` on a profile, the main window on that program directory
// shows the same profile and play list, and would write every file the command line wrote byte for byte as it did.
#include "FakeQuake2.h"
#include "FileContents.h"

#include "support/MessageBoxes.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

using namespace velstrom::test;

using Files = QList<std::pair<QString, QByteArray>>;

class TestCliWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readBack_data();
    void readBack();
};

void TestCliWindow::readBack_data()
{
    QTest::addColumn<Files>("files"); // in the program directory, before the command line runs
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QStringList>("shown"); // the play list the window shows afterwards

    const std::pair<QString, QByteArray> dedicated{
        "untitled.ini", "[Options]\r\nServerType=1\r\nHostName=Fr\xc3\xa4g Night\r\nKickBack=500\r\nPort=27999\r\n"};
    QTest::newRow("dedicated, a message")
        << Files{dedicated, {"untitled_maps.txt", "q2dm2\nq2dm1\n"}, {"SERVRMSG.TXT", "Welcome\n\xc4\xe5\xec\r\n"}}
        << "untitled" << QStringList{"q2dm2", "q2dm1"};
    QTest::newRow("no message, repeats and blanks")
        << Files{dedicated, {"untitled_maps.txt", "q2dm1\r\n\r\nQ2DM1\r\n"}} << "untitled" << QStringList{"q2dm1"};
    QTest::newRow("another profile, a missing level removed")
        << Files{{"velstrom.ini", "[Options]\r\nCurrentUser=night\r\nAutoRemove=CHK\r\n"},
                 {"night.ini", "[Options]\r\nTimeLimit=30\r\n"},
                 {"night_maps.txt", "nomap\r\nq2dm2\r\n"}}
        << "night" << QStringList{"q2dm2"};
}

void TestCliWindow::readBack()
{
    QFETCH(Files, files);
    QFETCH(QString, profile);
    QFETCH(QStringList, shown);

    FakeQuake2 q2;
    q2.addLevels({QStringLiteral("q2dm1.bsp"), QStringLiteral("q2dm2.bsp")});
    q2.installGame(QStringLiteral("quake2"));
    q2.installGame(QStringLiteral("q2ded"));
    q2.writeMapsList({"base1 \"Outer Base\""});
    for (const auto& [name, bytes] : files)
        q2.writeProgramFile(name, bytes);

    QProcess cli;
    const auto end = qScopeGuard([&cli] {
        cli.kill();
        cli.waitForFinished();
    });
    cli.start(QStringLiteral(VELSTROM_CLI), {QStringLiteral("run"), QStringLiteral("--dir"), q2.programDir()});
    QVERIFY(cli.waitForFinished(20000));
    QVERIFY2(cli.exitCode() == 0, cli.readAllStandardError().constData());
    const QStringList written{QStringLiteral("QLevels.TXT"), profile + QStringLiteral("_maps.txt"),
                              QStringLiteral("SERVRMSG.TXT"), QStringLiteral("Velstrom.cfg")};
    QMap<QString, QByteArray> byCli;
    for (const QString& name : written)
        if (QFileInfo::exists(q2.file(name)))
            byCli[name] = q2.readProgramFile(name);
    QVERIFY(byCli.contains(QStringLiteral("Velstrom.cfg")));
    QVERIFY(QFile::remove(q2.file(QStringLiteral("Velstrom.cfg"))));
    QVERIFY(QFile::remove(q2.file(QStringLiteral("QLevels.TXT"))));

    auto window = startMainWindow();
    QCOMPARE(window->profile().currentUser, profile);
    QCOMPARE(window->levels().playList(), shown);
    window->launcher().writeServerConfig();
    window->writeLevelFiles();
    for (const QString& name : written) {
        QCOMPARE(QFileInfo::exists(q2.file(name)), byCli.contains(name));
        if (byCli.contains(name))
            QCOMPARE(q2.readProgramFile(name), byCli[name]);
    }
    QVERIFY(msgbox::shown().isEmpty());
}

QTEST_MAIN(TestCliWindow)
#include "tst_cli_window.moc"
