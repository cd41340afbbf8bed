// The server window against a stand-in server on 127.0.0.1 that answers with recorded and broken replies, and a
// stand-in game that ignores SIGTERM, all through the window's named widgets.
#include "FakeQuake2.h"
#include "app/ServerWindow.h"
#include "support/GameProcess.h"
#include "support/MessageBoxes.h"
#include "support/Shell.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <csignal>

namespace {

const QByteArray Oob("\xff\xff\xff\xff", 4);
const QByteArray FromStranger("stranger:");

QByteArray recorded(const char* name)
{
    QFile f(QStringLiteral(VELSTROM_TEST_DATA "/net/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing recorded reply %s", name);
    return f.readAll();
}

// Answers each status and console request with the datagrams queued for it, in order; one starting with
// "stranger:" goes out from another port, as a stray packet would.
class StandInServer : public QObject {
public:
    StandInServer()
    {
        m_socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
        m_stranger.bind(QHostAddress(QHostAddress::LocalHost), 0);
        connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
            while (m_socket.hasPendingDatagrams()) {
                const QNetworkDatagram request = m_socket.receiveDatagram();
                const bool status = request.data() == Oob + "status\n";
                if (!status)
                    rconRequests.append(request.data());
                for (const QByteArray& reply : status ? statusReplies : rconReplies) {
                    const bool stray = reply.startsWith(FromStranger);
                    (stray ? m_stranger : m_socket)
                        .writeDatagram(stray ? reply.sliced(FromStranger.size()) : reply, request.senderAddress(),
                                       request.senderPort());
                }
            }
        });
    }

    Profile profile(Qt::CheckState remoteConsole = Qt::Unchecked, const QString& password = {}) const
    {
        Profile p;
        p.port = QString::number(m_socket.localPort());
        p.remoteConsole = remoteConsole;
        p.rconPassword = password;
        return p;
    }

    QByteArrayList statusReplies;
    QByteArrayList rconReplies;
    QByteArrayList rconRequests;

private:
    QUdpSocket m_socket;
    QUdpSocket m_stranger;
};

// A game that ignores SIGTERM, started and watched by the launcher; it is ready once it has made its mark.
GameProcess* startStubbornGame(const QTemporaryDir& dir)
{
    const QString ready = dir.filePath(QStringLiteral("ready"));
    StartedProgram started =
        startProgram(QStringLiteral("/bin/sh"), {"-c", "trap '' TERM; : > ready; while :; do sleep 1; done"}, dir.path(),
                     Watch::Yes);
    if (!started.process || !QTest::qWaitFor([&] { return QFile::exists(ready); }, 10000))
        qFatal("the stand-in game did not start");
    return started.process.release();
}

// A game whose output is kept in `dir`'s server.log and shown by the window; it runs until cleanup() ends it.
GameProcess* startTalkingGame(const QTemporaryDir& dir, const QString& script, QList<pid_t>& started)
{
    StartedProgram game = startProgram(QStringLiteral("/bin/sh"), {"-c", script + "; exec sleep 60"}, dir.path(),
                                       Watch::Yes, dir.filePath(QStringLiteral("server.log")));
    if (!game.process)
        qFatal("the stand-in game did not start");
    started.append(game.process->pid());
    return game.process.release();
}

template <class W = QLabel>
W* widget(QWidget* window, const char* name)
{
    auto* w = window->findChild<W*>(QLatin1String(name));
    if (w == nullptr)
        qFatal("no widget %s", name);
    return w;
}

QString text(QWidget* window, const char* name)
{
    return widget(window, name)->text();
}

} // namespace

class TestServerWindow : public QObject {
    Q_OBJECT

    velstrom::test::FakeQuake2 m_fake;
    QWidget m_main;
    QList<pid_t> m_pids;

private Q_SLOTS:
    // A check that fails half-way returns before its own ending of the game: every game still running ends here,
    // so a failure shows at once and leaves no process behind.
    void cleanup()
    {
        for (GameProcess* running : m_main.findChildren<GameProcess*>()) {
            const QPointer<GameProcess> game(running);
            if (game->isRunning())
                ::kill(game->pid(), SIGKILL);
            QVERIFY(QTest::qWaitFor([&] { return !game || !game->isRunning(); }, 10000));
        }
        // Games a later Go replaced are the window's no longer.
        for (pid_t pid : std::as_const(m_pids)) {
            if (::kill(pid, SIGKILL) == 0)
                QVERIFY(QTest::qWaitFor([pid] { return ::kill(pid, 0) != 0; }, 10000));
        }
        m_pids.clear();
    }

    void status_data()
    {
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("players");
        QTest::addColumn<QString>("table"); // "name frags ping", "|" between rows

        m_fake.addLevel(QStringLiteral("q2dm2.bsp"), "The Edge");
        const QByteArray two = recorded("q2pro-status-2players.bin");
        const QString bots = QStringLiteral("rigbot1 0 0|rigbot2 0 0");
        const QString edge = QStringLiteral("q2dm2 \u2014 The Edge");
        const QByteArrayList broken = {"", "garbage", Oob, recorded("q2pro-info.bin"), recorded("q2pro-rcon-status.bin")};
        // clang-format off
        QTest::newRow("q2pro, 2 players") << QByteArrayList{two} << edge << "Velstrom Capture" << "2/8" << bots;
        QTest::newRow("yquake2, empty, no level file") << QByteArrayList{recorded("yquake2-status-empty.bin")} << "q2dm8"
                                                       << "Cafi GREEN" << "0/8" << "";
        QTest::newRow("broken after good") << QByteArrayList{two} + broken << edge << "Velstrom Capture" << "2/8" << bots;
        QTest::newRow("a stranger's reply") << QByteArrayList{two, FromStranger + recorded("yquake2-status-empty.bin")}
                                            << edge << "Velstrom Capture" << "2/8" << bots;
        QTest::newRow("duplicated") << QByteArrayList{two, two} << edge << "Velstrom Capture" << "2/8" << bots;
        QTest::newRow("most frags first") << QByteArrayList{Oob + "print\n\\maxclients\\4\n1 9 \"b\"\n5 7 \"a\"\n-1 3 \"c\""}
                                          << "" << "" << "3/4" << "a 5 7|b 1 9|c -1 3";
        // clang-format on
    }

    void status()
    {
        QFETCH(QByteArrayList, replies);
        StandInServer server;
        server.statusReplies = replies;
        ServerWindow* window = ServerWindow::showFor(&m_main, server.profile(), m_fake.quake2Dir(), nullptr);
        QCOMPARE(text(window, "lblAddress"), "127.0.0.1:" + server.profile().port);
        // All datagrams of one answer are read in one go: once the first shows, the last has been read.
        QTRY_COMPARE(text(window, "lblState"), "Running");
        QTEST(text(window, "lblLevel"), "level");
        QTEST(text(window, "lblHostName"), "host");
        QTEST(text(window, "lblPlayers"), "players");
        auto* table = widget<QTableWidget>(window, "tblPlayers");
        QStringList rows;
        for (int r = 0; r < table->rowCount(); ++r)
            rows.append(table->item(r, 0)->text() + ' ' + table->item(r, 1)->text() + ' ' + table->item(r, 2)->text());
        QTEST(rows.join('|'), "table");
        window->close();
    }

    void console_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("input"); // typed, or the answer to "Say…"
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("output");

        const QByteArray hello = recorded("q2pro-rcon-sayhello.bin");
        const QByteArray badPass = recorded("q2pro-rcon-badpass.bin");
        // clang-format off
        QTest::newRow("typed, two datagrams") << "rconSendButton" << " status " << QByteArrayList{badPass, hello}
                                              << Oob + "rcon rc0n status" << "> status\nBad rcon_password.\nconsole: hello";
        QTest::newRow("skip level, empty reply") << "skipLevelButton" << "" << QByteArrayList{recorded("yquake2-rcon-sayhello.bin")}
                                                 << Oob + "rcon rc0n sv skip" << "> sv skip\n";
        QTest::newRow("say") << "sayButton" << "hello" << QByteArrayList{hello} << Oob + "rcon rc0n say \"hello\""
                             << "> say \"hello\"\nconsole: hello";
        QTest::newRow("a stranger's reply") << "rconSendButton" << "status" << QByteArrayList{FromStranger + badPass, hello}
                                            << Oob + "rcon rc0n status" << "> status\nconsole: hello";
        // clang-format on
    }

    void console()
    {
        QFETCH(QString, button);
        QFETCH(QString, input);
        StandInServer server;
        QFETCH(QByteArrayList, replies);
        server.rconReplies = replies;
        ServerWindow::setSayPrompt([input](QWidget*) { return std::optional<QString>(input); });
        ServerWindow* window =
            ServerWindow::showFor(&m_main, server.profile(Qt::Checked, "rc0n"), m_fake.quake2Dir(), nullptr);
        if (button == "rconSendButton")
            QTest::keyClicks(widget<QLineEdit>(window, "edRconCommand"), input);
        widget<QPushButton>(window, button.toLatin1().constData())->click();
        ServerWindow::setSayPrompt({});
        QTRY_COMPARE(server.rconRequests.size(), 1);
        QTEST(server.rconRequests.first(), "request");
        QFETCH(QString, output);
        QTRY_COMPARE(widget<QPlainTextEdit>(window, "edRconOutput")->toPlainText(), output);
        window->close();
    }

    void consoleOff_data()
    {
        QTest::addColumn<Qt::CheckState>("remoteConsole");
        QTest::newRow("unchecked") << Qt::Unchecked;
        QTest::newRow("greyed") << Qt::PartiallyChecked;
        QTest::newRow("checked") << Qt::Checked;
    }

    void consoleOff()
    {
        QFETCH(Qt::CheckState, remoteConsole);
        const bool on = remoteConsole == Qt::Checked;
        StandInServer server;
        ServerWindow* window =
            ServerWindow::showFor(&m_main, server.profile(remoteConsole, "pw"), m_fake.quake2Dir(), nullptr);
        for (const char* name : {"edRconCommand", "rconSendButton", "skipLevelButton", "sayButton"})
            QVERIFY2(widget<QWidget>(window, name)->isEnabled() == on, name);
        const QString hint = text(window, "lblRconHint");
        QVERIFY2(hint.contains("clear text") && hint.contains("not checked") != on, qPrintable(hint));
        window->close();
    }

    void serverOutput_data()
    {
        QTest::addColumn<QStringList>("games"); // one Go each; empty: a server started elsewhere
        QTest::addColumn<QString>("shown");     // empty: no pane
        QTest::newRow("started elsewhere") << QStringList{} << "";
        QTest::newRow("as it comes, control bytes left out")
            << QStringList{"echo one; printf 'two\\033[0m\\001\\n'; printf 'no end'"} << "one\ntwo\nno end";
        QTest::newRow("a later Go shows its own server") << QStringList{"echo first", "echo second"} << "second\n";
    }

    void serverOutput()
    {
        QFETCH(QStringList, games);
        QFETCH(QString, shown);
        StandInServer server;
        QTemporaryDir dir;
        ServerWindow* window = nullptr;
        for (const QString& script : games) {
            GameProcess* game = startTalkingGame(dir, script, m_pids);
            window = ServerWindow::showFor(&m_main, server.profile(), m_fake.quake2Dir(), game);
        }
        if (games.isEmpty())
            window = ServerWindow::showFor(&m_main, server.profile(), m_fake.quake2Dir(), nullptr);
        auto* pane = widget<QPlainTextEdit>(window, "edServerOutput");
        QCOMPARE(pane->isVisibleTo(window), !shown.isEmpty());
        QVERIFY(pane->isReadOnly());
        QTRY_COMPARE(pane->toPlainText(), shown);
        window->close();
    }

    void stop_data()
    {
        QTest::addColumn<bool>("ownGame");
        QTest::addColumn<bool>("confirmed");
        QTest::addColumn<QString>("state");

        QTest::newRow("started elsewhere") << false << false << "Starting\u2026";
        QTest::newRow("declined") << true << false << "Starting\u2026";
        // SIGTERM is ignored, so the kill 5 s later ends it.
        QTest::newRow("confirmed") << true << true << "Stopped (exit code 137)";
    }

    void stop()
    {
        QFETCH(bool, ownGame);
        QFETCH(bool, confirmed);
        QFETCH(QString, state);
        StandInServer server;
        QTemporaryDir dir;
        GameProcess* game = ownGame ? startStubbornGame(dir) : nullptr;
        ServerWindow* window = ServerWindow::showFor(&m_main, server.profile(), m_fake.quake2Dir(), game);
        QCOMPARE(text(window, "lblState"), "Starting\u2026");
        auto* stop = widget<QPushButton>(window, "stopButton");
        QCOMPARE(stop->isEnabled(), ownGame);
        msgbox::clearShown();
        msgbox::script({confirmed ? msgbox::Button::Yes : msgbox::Button::No});
        stop->click();
        QCOMPARE(msgbox::shown().size(), ownGame ? 1 : 0);
        if (ownGame) {
            QCOMPARE(msgbox::shown().first().caption, "Confirm");
            QCOMPARE(msgbox::shown().first().text, "Stop the server now? Players will be disconnected.");
        }
        QTRY_COMPARE_WITH_TIMEOUT(text(window, "lblState"), state, 20000);
        if (ownGame) {
            QCOMPARE(game->isRunning(), !confirmed);
            QCOMPARE(stop->isEnabled(), !confirmed);
            ::kill(game->pid(), SIGKILL);
            QTRY_VERIFY(!game->isRunning());
        }
        window->close();
    }
};

QTEST_MAIN(TestServerWindow)
#include "tst_serverwindow.moc"
