// Status and console replies as the parser reads them: the replies recorded from yquake2 and q2pro, and the
// broken ones a network can bring.
#include "launch/ServerStatus.h"

#include <QFile>
#include <QTest>

using namespace server;

namespace {

const QByteArray Print("\xff\xff\xff\xffprint\n", 10);

QByteArray reply(const QByteArray& body)
{
    return Print + body;
}

QByteArray recorded(const char* name)
{
    QFile f(QStringLiteral(VELSTROM_TEST_DATA "/net/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing recorded reply %s", name);
    return f.readAll();
}

std::optional<qint64> optionalMs(qint64 ms)
{
    return ms < 0 ? std::nullopt : std::optional<qint64>(ms);
}

} // namespace

class TestServerStatus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void status_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("players"); // "name frags ping", "|" between players

        const QString bots = QStringLiteral("rigbot1 0 0|rigbot2 0 0");
        static const char withNul[] = "\\x\\1\n0 0 \"a\0b\"";
        // clang-format off
        QTest::newRow("q2pro 2 players") << recorded("q2pro-status-2players.bin") << true << "Velstrom Capture" << "q2dm2" << bots;
        QTest::newRow("yquake2 2 players") << recorded("yquake2-status-2players.bin") << true << "Velstrom Capture" << "q2dm2" << bots;
        QTest::newRow("q2pro empty") << recorded("q2pro-status-empty.bin") << true << "Cafi GREEN" << "q2dm8" << "";
        QTest::newRow("yquake2 empty") << recorded("yquake2-status-empty.bin") << true << "Cafi GREEN" << "q2dm8" << "";
        QTest::newRow("console status") << recorded("yquake2-rcon-status.bin") << false << "" << "" << "";
        QTest::newRow("info reply") << recorded("q2pro-info.bin") << false << "" << "" << "";
        QTest::newRow("empty datagram") << QByteArray() << false << "" << "" << "";
        QTest::newRow("print without info") << Print << false << "" << "" << "";
        QTest::newRow("three header bytes") << reply("\\hostname\\x").sliced(1) << false << "" << "" << "";
        QTest::newRow("cut in a value") << reply("\\mapname\\q2dm1\\hostname\\Vel") << true << "Vel" << "q2dm1" << "";
        QTest::newRow("cut after a key") << reply("\\mapname\\q2dm1\\hostname") << true << "" << "q2dm1" << "";
        QTest::newRow("repeated key: first") << reply("\\hostname\\A\\hostname\\B\n") << true << "A" << "" << "";
        QTest::newRow("high bytes shown low") << reply("\\hostname\\\xc3\xe1\xe6\xe5\x01\n") << true << "Cafe\u00B7" << "" << "";
        QTest::newRow("most frags first") << reply("\\x\\1\n3 50 \"a\"\n-2 10 \"b\"\n7 20 \"c\"\n3 1 \"d\"\n") << true << "" << ""
                                          << "c 7 20|a 3 50|d 3 1|b -2 10";
        QTest::newRow("CR LF lines") << reply("\\hostname\\H\r\n1 2 \"n\"\r\n") << true << "H" << "" << "n 1 2";
        QTest::newRow("name cut short") << reply("\\x\\1\n1 2 \"ok\"\n5 10 \"cu") << true << "" << "" << "ok 1 2";
        QTest::newRow("malformed players") << reply("\\x\\1\nx 1 \"a\"\n1 \"b\"\n1 2 c\n99999999999 0 \"d\"\n1-2 \"e\"\n\n4 5 \"f\" x")
                                           << true << "" << "" << "f 4 5";
        QTest::newRow("NUL in a name") << reply(QByteArray(withNul, sizeof withNul - 1)) << true << "" << "" << "a\u00B7b 0 0";
        // clang-format on
    }

    void status()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(bool, valid);
        const std::optional<Status> status = parseStatus(datagram);
        QCOMPARE(status.has_value(), valid);
        if (!valid)
            return;
        QTEST(status->value(u"hostname"), "host");
        QTEST(status->value(u"mapname"), "level");
        QStringList players;
        for (const Player& p : status->players)
            players.append(QStringLiteral("%1 %2 %3").arg(p.name).arg(p.frags).arg(p.ping));
        QTEST(players.join(u'|'), "players");
    }

    // Oversized replies are cut to what a game could send.
    void limits_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<int>("players");
        QTest::addColumn<int>("pairs");
        QTest::addColumn<int>("longest");

        QByteArray crowd("\\x\\1\n");
        QByteArray keys;
        for (int i = 0; i < 300; ++i) {
            crowd += QByteArray::number(i) + " 0 \"p\"\n";
            keys += "\\k" + QByteArray::number(i) + "\\v";
        }
        QTest::newRow("300 players") << reply(crowd) << 256 << 1 << 1;
        QTest::newRow("300 keys") << reply(keys) << 0 << 64 << 3;
        QTest::newRow("long value") << reply("\\hostname\\" + QByteArray(5000, 'h')) << 0 << 1 << 256;
        QTest::newRow("long name") << reply("\\x\\1\n1 1 \"" + QByteArray(5000, 'n') + "\"") << 1 << 1 << 256;
    }

    void limits()
    {
        QFETCH(QByteArray, datagram);
        const std::optional<Status> status = parseStatus(datagram);
        QVERIFY(status);
        QTEST(int(status->players.size()), "players");
        QTEST(int(status->info.size()), "pairs");
        qsizetype longest = 0;
        for (const auto& [key, value] : status->info)
            longest = std::max({longest, key.size(), value.size()});
        for (const Player& p : status->players)
            longest = std::max(longest, p.name.size());
        QTEST(int(longest), "longest");
    }

    void rconReply_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("text");

        const QByteArray table = recorded("yquake2-rcon-status.bin");
        // clang-format off
        QTest::newRow("q2pro say") << recorded("q2pro-rcon-sayhello.bin") << true << "console: hello\n";
        QTest::newRow("yquake2 say: empty") << recorded("yquake2-rcon-sayhello.bin") << true << "";
        QTest::newRow("bad password") << recorded("yquake2-rcon-badpass.bin") << true << "Bad rcon_password.\n";
        QTest::newRow("lines kept") << table << true << QString::fromLatin1(table.sliced(Print.size()));
        QTest::newRow("info reply") << recorded("q2pro-info.bin") << false << "";
        QTest::newRow("no header") << QByteArray("print\nhi") << false << "";
        QTest::newRow("high and control bytes") << reply("\xc8i\x07\r\n") << true << "Hi\u00B7\n";
        QTest::newRow("oversized") << reply(QByteArray(70000, 'x')) << true << QString(64 * 1024, u'x');
        // clang-format on
    }

    void rconReply()
    {
        QFETCH(QByteArray, datagram);
        QFETCH(bool, valid);
        const std::optional<QString> text = parseRconReply(datagram);
        QCOMPARE(text.has_value(), valid);
        if (valid)
            QTEST(*text, "text");
    }

    void requests_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray oob("\xff\xff\xff\xff", 4);
        // clang-format off
        QTest::newRow("status") << statusRequest() << QByteArray(oob + "status\n");
        QTest::newRow("rcon") << rconRequest("rc0n", "sv skip") << QByteArray(oob + "rcon rc0n sv skip");
        QTest::newRow("password with a blank") << rconRequest("a b", "status") << QByteArray(oob + "rcon \"a b\" status");
        QTest::newRow("empty password") << rconRequest("", "status") << QByteArray(oob + "rcon \"\" status");
        QTest::newRow("line breaks") << rconRequest("p", "say a\nquit\r") << QByteArray(oob + "rcon p say a quit ");
        QTest::newRow("say") << sayCommand("hi; quit").toLatin1() << QByteArray("say \"hi; quit\"");
        QTest::newRow("say drops quotes") << sayCommand("a\" ;quit \"").toLatin1() << QByteArray("say \"a ;quit \"");
        // clang-format on
    }

    void requests()
    {
        QFETCH(QByteArray, request);
        QTEST(request, "expected");
    }

    void port_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");

        QTest::newRow("blank") << "" << 27910;
        QTest::newRow("blanks") << "  " << 27910;
        QTest::newRow("number") << "28000" << 28000;
        QTest::newRow("blank before, junk after") << " 28001x" << 28001;
        QTest::newRow("zero") << "0" << 27910;
        QTest::newRow("too large") << "70000" << 27910;
        QTest::newRow("largest") << "65535" << 65535;
        QTest::newRow("not a number") << "abc" << 27910;
    }

    void port()
    {
        QFETCH(QString, text);
        QTEST(int(portOf(text)), "port");
    }

    void state_data()
    {
        QTest::addColumn<qint64>("sinceAnswer"); // -1: no answer yet
        QTest::addColumn<qint64>("sinceStart");
        QTest::addColumn<int>("exitCode"); // -1: still running
        QTest::addColumn<QString>("text");

        QTest::newRow("just started") << qint64(-1) << qint64(0) << -1 << "Starting\u2026";
        QTest::newRow("still loading") << qint64(-1) << qint64(9999) << -1 << "Starting\u2026";
        QTest::newRow("never answered") << qint64(-1) << qint64(12500) << -1 << "No answer for 12 s";
        QTest::newRow("answered") << qint64(100) << qint64(60000) << -1 << "Running";
        QTest::newRow("one reply lost") << qint64(5000) << qint64(60000) << -1 << "Running";
        QTest::newRow("silent") << qint64(7900) << qint64(60000) << -1 << "No answer for 7 s";
        QTest::newRow("ended") << qint64(100) << qint64(60000) << 137 << "Stopped (exit code 137)";
        QTest::newRow("ended before answering") << qint64(-1) << qint64(10) << 0 << "Stopped (exit code 0)";
    }

    void state()
    {
        QFETCH(qint64, sinceAnswer);
        QFETCH(qint64, sinceStart);
        QFETCH(int, exitCode);
        const std::optional<int> code = exitCode < 0 ? std::nullopt : std::optional<int>(exitCode);
        QTEST(stateText(optionalMs(sinceAnswer), sinceStart, code), "text");
    }
};

QTEST_GUILESS_MAIN(TestServerStatus)
#include "tst_serverstatus.moc"
