// velstrom-cli against real servers: status shows the level, its title and a connected player; skip moves the
// server to the next level of the play list. The profile is the one the window would have saved.
#include "RealServer.h"
#include "TestClient.h"

#include "profiles/ProfileStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

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
};

QTEST_GUILESS_MAIN(TestEngineCli)
#include "tst_engine_cli.moc"
