// velstrom-cli against real servers: status shows the level, its title and a connected player; skip moves the
// server to the next level of the play list; check, go and run launch the real engine (through a launcher in its
// place that keeps it on the loopback and, as root, runs it as nobody). The profile is the one the window would
// have saved.
#include "RealServer.h"
#include "TestClient.h"

#include "profiles/ProfileStore.h"
#include "support/TextFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QtTest>

#include <csignal>

using namespace velstrom::test;

Q_DECLARE_METATYPE(velstrom::test::Layout)

namespace {

constexpr int JoinMs = 10000;

struct Run {
    int exitCode = -1;
    QByteArray out;
};

// velstrom-cli on the server's program directory, to its end, while this process's event loop keeps running.
Run cli(const RealServer& server, const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(VELSTROM_CLI),
                  arguments + QStringList{QStringLiteral("--dir"), server.installation().programDir()});
    Run run;
    const bool ended = QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, 10000);
    if (!ended) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput() + process.readAllStandardError();
    return run;
}

// The level the server on the profile's port plays, as `status --json` tells it; empty when it does not answer.
QString playedLevel(const RealServer& server)
{
    const Run status = cli(server, {QStringLiteral("status"), QStringLiteral("--json"), QStringLiteral("--timeout"),
                                    QStringLiteral("300")});
    return QJsonDocument::fromJson(status.out).object().value(u"level").toString();
}

} // namespace

class TestEngineCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(enginesProblem().isEmpty(), qPrintable(enginesProblem())); }

    void statusAndSkip_data()
    {
        QTest::addColumn<Layout>("layout");
        for (const Layout layout : {Layout::Yquake2, Layout::Q2proPortable})
            QTest::newRow(layoutName(layout)) << layout;
    }
    void statusAndSkip()
    {
        QFETCH(Layout, layout);
        const Profile profile = gameProfile({QStringLiteral("q2t_99"), QStringLiteral("ew_plain")});
        RealServer server(layout);
        profilestore::save(profile, server.installation());
        QVERIFY2(server.start(profile), qPrintable(server.problem()));
        TestClient client(server.port(), QStringLiteral("cli-tester"));
        QTRY_VERIFY2_WITH_TIMEOUT(client.inGame(), qPrintable(client.problem()), JoinMs);

        const Run status = cli(server, {QStringLiteral("status"), QStringLiteral("--json")});
        QVERIFY2(status.exitCode == 0, status.out.constData());
        const QJsonObject json = QJsonDocument::fromJson(status.out).object();
        QCOMPARE(json.value(u"level").toString(), QStringLiteral("q2t_99"));
        QCOMPARE(json.value(u"hostname").toString(), profile.host);
        const QJsonArray players = json.value(u"players").toArray();
        QCOMPARE(players.size(), 1);
        QCOMPARE(players.first().toObject().value(u"name").toString(), QStringLiteral("cli-tester"));

        const Run skip = cli(server, {QStringLiteral("skip")});
        QVERIFY2(skip.exitCode == 0, skip.out.constData());
        QTRY_COMPARE_WITH_TIMEOUT(client.level(), QStringLiteral("ew_plain"), JoinMs);
        const Run after = cli(server, {QStringLiteral("status")});
        QVERIFY2(after.exitCode == 0, after.out.constData());
        QVERIFY2(after.out.contains("Level:     ew_plain \xe2\x80\x94 The Plain Arena\n"), after.out.constData());
    }

    void launch_data() { addLayoutRows({Layout::Yquake2, Layout::Q2proPortable}); }
    // check lists what is missing; go leaves the server running on its own; run is the server until it ends.
    void launch()
    {
        QFETCH(Layout, layout);
        RealServer server(layout);
        server.installLauncher();
        const Installation& inst = server.installation();
        const QStringList installed{QStringLiteral("ew_plain"), QStringLiteral("q2t_99")};
        const Profile profile = gameProfile(installed);
        profilestore::save(profile, inst);
        const QString levelsFile = inst.profileLevelsPath(profile.currentUser);
        textfile::writeUtf8Lines(server.baseDir() + QStringLiteral("/maps.lst"),
                                 {QStringLiteral("base1 \"Outer Base\"")});

        textfile::writeUtf8Lines(levelsFile, {installed.first(), QStringLiteral("q2t_nowhere"), installed.last()});
        const Run missing = cli(server, {QStringLiteral("check")});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY2(missing.out.startsWith("q2t_nowhere\n") &&
                     missing.out.contains("1 of the 3 levels to play are not installed."),
                 missing.out.constData());
        textfile::writeUtf8Lines(levelsFile, installed);
        const Run all = cli(server, {QStringLiteral("check")});
        QVERIFY2(all.exitCode == 0, all.out.constData());

        {
            const Run go = cli(server, {QStringLiteral("go")});
            const QRegularExpressionMatch started =
                QRegularExpression(QStringLiteral("^Started \\S+ \\(process (\\d+)\\)"))
                    .match(QString::fromUtf8(go.out));
            QVERIFY2(go.exitCode == 0 && started.hasMatch(), go.out.constData());
            const pid_t pid = started.captured(1).toInt();
            const auto end = qScopeGuard([pid] { ::kill(pid, SIGKILL); });
            QTRY_COMPARE_WITH_TIMEOUT(playedLevel(server), installed.first(), JoinMs);
            QCOMPARE(::kill(pid, SIGTERM), 0);
            QTRY_COMPARE_WITH_TIMEOUT(playedLevel(server), QString(), JoinMs);
        }

        QProcess run;
        run.setProcessChannelMode(QProcess::MergedChannels);
        const auto end = qScopeGuard([&run] {
            run.kill();
            run.waitForFinished();
        });
        run.start(QStringLiteral(VELSTROM_CLI), {QStringLiteral("run"), QStringLiteral("--dir"), inst.programDir()});
        QTRY_COMPARE_WITH_TIMEOUT(playedLevel(server), installed.first(), JoinMs);
        cli(server, {QStringLiteral("rcon"), QStringLiteral("quit")});
        QTRY_COMPARE_WITH_TIMEOUT(run.state(), QProcess::NotRunning, JoinMs);
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        // The engine's own console came out of velstrom-cli.
        QVERIFY2(run.readAll().contains("Velstrom: kickback"), "no server output");
    }
};

QTEST_GUILESS_MAIN(TestEngineCli)
#include "tst_engine_cli.moc"
