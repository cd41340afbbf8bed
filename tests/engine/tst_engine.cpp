// The program's launch, config script, play list, skip command and message on real Quake 2 servers, each engine
// in the layout an operator installs it in, with a player of our own connected.
#include "RealServer.h"
#include "TestClient.h"

#include "launch/ServerConfig.h"
#include "motd/QuakeText.h"
#include "support/Quake2Paths.h"
#include "support/TextFile.h"

#include <QRegularExpression>
#include <QtTest>

using namespace velstrom::test;

Q_DECLARE_METATYPE(velstrom::test::Layout)

namespace {

constexpr int JoinMs = 10000;
// Two time-limit ends: 3 s of play and 5 s of intermission each, and the loading.
constexpr int LevelEndMs = 25000;

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(enginesProblem().isEmpty(), qPrintable(enginesProblem())); }

    // Every value the config script sets is live on the server once a player is in (yquake2 runs the lines after
    // "map" only then), the first level of the play list runs, and the server listens on the profile's port.
    void configScript_data() { addLayoutRows(); }
    void configScript()
    {
        QFETCH(Layout, layout);
        Profile profile = gameProfile({QStringLiteral("ew_plain"), QStringLiteral("q2t_plain")});
        profile.password = QStringLiteral("letmein");
        profile.weaponStay = Qt::Checked;
        profile.spawnFarthest = Qt::Checked;
        profile.teamplay = 1;
        profile.kickback = 30;
        profile.useEmpathy = Qt::Checked;
        profile.empathy = 3;
        profile.useVWeap = Qt::Checked;
        RealServer server(layout);
        QVERIFY2(server.start(profile), qPrintable(server.problem()));
        TestClient client(server.port(), QStringLiteral("tester"), profile.password);
        QTRY_VERIFY2_WITH_TIMEOUT(client.inGame(), qPrintable(client.problem()), JoinMs);

        const QRegularExpression setting(QStringLiteral("^(?:set )?(\\w+) \"(.*)\"$"));
        int checked = 0;
        for (const QString& line : serverConfigLines(profile)) {
            const QRegularExpressionMatch m = setting.match(line);
            if (!m.hasMatch())
                continue;
            QCOMPARE(server.variable(m.captured(1)), std::optional(m.captured(2)));
            ++checked;
        }
        QVERIFY(checked >= 10);
        const std::optional<server::Status> status = server.status();
        QVERIFY(status);
        QCOMPARE(status->value(u"mapname"), profile.playList.first());
        QCOMPARE(client.level(), profile.playList.first());
    }

    // "sv skip" moves to the next level of the play list and notes the skipped one; the player stays connected.
    void skipLevel_data() { addLayoutRows(); }
    void skipLevel()
    {
        QFETCH(Layout, layout);
        const Profile profile =
            gameProfile({QStringLiteral("q2t_99"), QStringLiteral("ew_plain"), QStringLiteral("q2t_plain")});
        RealServer server(layout);
        QVERIFY2(server.start(profile), qPrintable(server.problem()));
        TestClient client(server.port());
        QTRY_VERIFY2_WITH_TIMEOUT(client.inGame(), qPrintable(client.problem()), JoinMs);

        QVERIFY(server.rcon(QStringLiteral("sv skip")));
        QTRY_COMPARE_WITH_TIMEOUT(client.levelsEntered(), 2, JoinMs);
        QCOMPARE(client.level(), QStringLiteral("ew_plain"));
        QCOMPARE(client.title(), QByteArray("The Plain Arena"));
        QCOMPARE(client.handshakes(), 1);
        QCOMPARE(server.status()->value(u"mapname"), QStringLiteral("ew_plain"));
        QCOMPARE(textfile::readLines(server.installation().file(q2::SkippedLevels)), QList<QByteArray>{"q2t_99"});
    }

    // A level that ends by its time limit (the player pressing a button to leave the intermission) goes on to the
    // next level of the play list, and from the last back to the first.
    void levelEnd_data() { addLayoutRows(); }
    void levelEnd()
    {
        QFETCH(Layout, layout);
        Profile profile = gameProfile({QStringLiteral("ew_plain"), QStringLiteral("q2t_msgfirst")});
        profile.timeLimit = QStringLiteral("0.05"); // 3 s
        RealServer server(layout);
        QVERIFY2(server.start(profile), qPrintable(server.problem()));
        TestClient client(server.port());
        client.holdButtons(TestClient::AnyButton);
        QTRY_VERIFY2_WITH_TIMEOUT(client.inGame(), qPrintable(client.problem()), JoinMs);

        QTRY_COMPARE_WITH_TIMEOUT(client.levelsEntered(), 2, LevelEndMs);
        QCOMPARE(client.level(), QStringLiteral("q2t_msgfirst"));
        QTRY_COMPARE_WITH_TIMEOUT(client.levelsEntered(), 3, LevelEndMs);
        QCOMPARE(client.level(), QStringLiteral("ew_plain"));
        QCOMPARE(client.handshakes(), 1);
        QVERIFY(server.running());
    }

    // A joining player gets the message the message page wrote, byte for byte, once: not again on the next level.
    void message_data() { addLayoutRows(); }
    void message()
    {
        QFETCH(Layout, layout);
        QuakeText text;
        const auto addLine = [&text](const QByteArray& chars, TextColor color) {
            if (!text.isEmpty())
                text.appendLineBreak();
            for (const char c : chars)
                text.append(static_cast<quint8>(c), color);
        };
        addLine("Welcome to the night games", WhiteColor);
        addLine("Frag well", GreenColor);
        addLine(quaketext::singleBar(), SpecialColor);
        const Profile profile = gameProfile({QStringLiteral("q2t_plain"), QStringLiteral("ew_plain")});
        RealServer server(layout);
        QVERIFY2(server.start(profile, &text), qPrintable(server.problem()));
        TestClient client(server.port());
        QTRY_VERIFY2_WITH_TIMEOUT(client.inGame(), qPrintable(client.problem()), JoinMs);

        // The lines of the file, as a centre print joins them.
        const QByteArray expected =
            textfile::readLines(server.installation().file(q2::ServerMessage)).join(QByteArrayLiteral("\n"));
        QVERIFY(expected.contains(char(0x80 | 'F'))); // green text is there, as bytes with bit 7 set
        QTRY_COMPARE_WITH_TIMEOUT(client.centrePrints().size(), 1, JoinMs);
        QCOMPARE(client.centrePrints().first(), expected);
        QVERIFY(server.rcon(QStringLiteral("sv skip")));
        QTRY_COMPARE_WITH_TIMEOUT(client.levelsEntered(), 2, JoinMs);
        QCOMPARE(client.centrePrints().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
