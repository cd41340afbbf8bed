// velstrom-cli as an operator runs it: a table of command lines with their exit codes and output, against a
// temporary Quake 2 installation and, for the server commands, a stand-in server answering with replies recorded
// from real ones. The unit `service install` writes is checked by systemd's own verifier.
#include "FileContents.h"

#include <QDir>
#include <QLockFile>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

using namespace velstrom::test;

namespace {

using Files = QList<std::pair<QString, QByteArray>>;

QByteArray ini(const QByteArrayList& lines)
{
    return "[Options]\r\n" + lines.join("\r\n") + "\r\n";
}

QByteArray recorded(const char* name)
{
    return fileContents(QStringLiteral(VELSTROM_TEST_DATA "/net/") + QLatin1String(name));
}

// Answers a status request with a recorded status, a console request with a recorded console reply chosen by
// its password, and keeps the last console request.
class StandInServer : public QObject {
public:
    StandInServer()
    {
        m_socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
        connect(&m_socket, &QUdpSocket::readyRead, this, [this] {
            while (m_socket.hasPendingDatagrams()) {
                const QNetworkDatagram request = m_socket.receiveDatagram();
                QByteArray reply = recorded("yquake2-status-2players.bin");
                if (request.data() != "\xff\xff\xff\xffstatus\n") {
                    lastRcon = request.data().mid(4);
                    reply = recorded(lastRcon.startsWith("rcon rc0n ") ? "yquake2-rcon-status.bin"
                                                                       : "yquake2-rcon-badpass.bin");
                }
                m_socket.writeDatagram(reply, request.senderAddress(), request.senderPort());
            }
        });
    }
    QByteArray port() const { return QByteArray::number(m_socket.localPort()); }
    QByteArray lastRcon;

private:
    QUdpSocket m_socket;
};

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs velstrom-cli to its end while this process's event loop keeps serving.
Run runCli(const QStringList& arguments, const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess cli;
    cli.setProcessEnvironment(environment);
    cli.start(QStringLiteral(VELSTROM_CLI), arguments);
    Run run;
    if (!cli.waitForStarted())
        return run;
    const bool ended = QTest::qWaitFor([&cli] { return cli.state() == QProcess::NotRunning; }, 20000);
    if (!ended) {
        cli.kill();
        cli.waitForFinished();
        return run;
    }
    run.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    run.out = cli.readAllStandardOutput();
    run.err = cli.readAllStandardError();
    return run;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commands_data();
    void commands();
    void serviceUnit();
};

void TestCli::commands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<Files>("files"); // in the program directory; "%PORT%" is the stand-in server's port
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // patterns
    QTest::addColumn<QString>("err");
    QTest::addColumn<QByteArray>("rcon"); // the console request the server got

    const QByteArray night = "night.ini";
    const QByteArray rcon = ini({"Port=%PORT%", "RemoteConsole=CHK", "RemotePassWord=rc0n"});
    const auto row = [](const char* name, const QStringList& arguments, const Files& files, int exitCode,
                        const QString& out, const QString& err = QString(), const QByteArray& rconRequest = {}) {
        QTest::newRow(name) << arguments << files << exitCode << out << err << rconRequest;
    };
    row("version", {"--version"}, {}, 0, "^velstrom-cli \\d+\\.\\d+\\n$");
    row("no command", {}, {}, 2, "^$", "no command given\\n.*--help");
    row("unknown command", {"launch"}, {}, 2, "^$", "unknown command \"launch\"");
    row("option of another command", {"profiles", "--json"}, {}, 2, "^$", "--json does not go with profiles");
    row("say without text", {"say"}, {}, 2, "^$", "wrong number of words for say");
    row("profiles, first run", {"profiles"}, {}, 0, "^\\* untitled\\n$");
    row("profiles", {"profiles"}, {{"velstrom.ini", ini({"CurrentUser=night"})}, {night, ""}, {"untitled.ini", ""}},
        0, "^\\* night\\n  untitled\\n$");
    row("show: no such profile", {"show", "--profile", "nosuch"}, {}, 1, "^$", "There is no profile \"nosuch\" in ");
    row("show: a name out of the directory", {"show", "--profile", "../x"}, {}, 2, "^$", "letters, digits");
    row("show",
        {"show", "--profile", "night"},
        {{night, ini({"FragLimit=30", "ServerType=1", "PassWord=secret"})}, {"night_maps.txt", "q2dm1\r\n"}}, 0,
        "Profile: night\\n.*\\nFrag Limit: +30\\n.*\\nServer Type: +Dedicated\\n.*\\nPlayer Access Password: +\\(set\\)"
        "\\n.*\\nLevels to Play \\(1\\):\\n  q2dm1\\n$");
    // Values as the window takes them (a track bar keeps 10 to 100), the play list without blanks and repeats.
    row("show --json", {"show", "--json"},
        {{"untitled.ini", ini({"KickBack=500", "HostName=Frag \"Fest\""})},
         {"untitled_maps.txt", "q2dm1\r\n\r\nQ2DM1\r\nnomap\r\n"}},
        0, "(?=.*\"profile\": \"untitled\")(?=.*\"HostName\": \"Frag \\\\\"Fest\\\\\"\")(?=.*\"KickBack\": \"100\")"
           "(?=.*\"playList\": \\[\\s*\"q2dm1\",\\s*\"nomap\"\\s*\\])");
    row("check: all installed", {"check"}, {{"untitled_maps.txt", "q2dm1\r\nbase1\r\n"}}, 0,
        "^All 2 levels to play are installed\\.\\n$");
    row("check: missing levels", {"check"}, {{"untitled_maps.txt", "nomap\r\nq2dm1\r\nQ2DM1x\r\n"}}, 1,
        "^nomap\\nQ2DM1x\\n$", "2 of the 3 levels to play are not installed");
    row("skip without a remote console", {"skip"}, {}, 1, "^$", "Remote Console is not checked in this profile");
    row("status: no answer", {"status", "--address", "127.0.0.1:9", "--timeout", "300"}, {}, 1, "^$",
        "No answer from 127\\.0\\.0\\.1:9\\.");
    row("status", {"status"}, {{"untitled.ini", ini({"Port=%PORT%"})}}, 0,
        "^Address: +127\\.0\\.0\\.1:\\d+\\nLevel: +q2dm2\\nHost name: +Velstrom Capture\\nPlayers: +2/\\d+\\n\\n"
        "Name +Frags +Ping\\nrigbot1 +0 +0\\nrigbot2 +0 +0\\n$");
    row("status --json --address", {"status", "--json", "--address", "localhost:%PORT%"}, {}, 0,
        "\"hostname\": \"Velstrom Capture\".*\"level\": \"q2dm2\".*\"players\": \\[\\s*\\{\\s*\"frags\": 0,"
        "\\s*\"name\": \"rigbot1\"");
    row("rcon", {"rcon", "status"}, {{"untitled.ini", rcon}}, 0, "rigbot1", "^$", "rcon rc0n status");
    row("skip", {"skip"}, {{"untitled.ini", rcon}}, 0, "", "^$", "rcon rc0n sv skip");
    row("say", {"say", "hello;", "all"}, {{"untitled.ini", rcon}}, 0, "", "^$", "rcon rc0n say \"hello; all\"");
    // go and run. A stand-in engine in the Quake 2 folder shows where it runs and with which words.
    const QByteArray dedicated = ini({"ServerType=1", "Port=27999"});
    const std::pair<QString, QByteArray> playList{"untitled_maps.txt", "q2dm1\r\n"};
    const auto engine = [](const QByteArray& body) {
        return std::pair<QString, QByteArray>{"../q2ded", "#!/bin/sh\n" + body + "\n"};
    };
    row("go: missing levels", {"go"}, {{"untitled_maps.txt", "q2dm1\r\nnomap\r\n"}, {"untitled.ini", dedicated}}, 1,
        "^nomap\\n$", "1 of the 2 levels to play are not installed\\. Nothing was written or started\\.");
    row("go: the window runs", {"go"}, {playList, {"LOCKED", ""}}, 1, "^$",
        "^velstrom-cli: Velstrom is already running from .*/quake2/Velstrom\\.\\n$");
    row("go: no engine", {"go"}, {playList, {"untitled.ini", dedicated}}, 1, "^$", "The file \\(quake2\\.exe .*\\+exec Velstrom\\.cfg.*\\) was not found\\.");
    row("go: the server stops at once", {"go"},
        {playList, {"untitled.ini", dedicated}, engine("echo 'Error: no game library'; exit 1")}, 1, "^$",
        "The server stopped right after it started \\(exit code 1\\)\\..*Error: no game library");
    row("go", {"go"}, {playList, {"untitled.ini", dedicated}, engine("echo up; exec sleep 3.5")}, 0,
        "^Started q2ded \\(process \\d+\\) from .*/quake2; its output goes to .*/server\\.log\\.\\n$", "^$");
    row("run", {"run"},
        {playList, {"untitled.ini", dedicated}, engine("pwd; echo \"$@\"; exit 7")}, 7,
        "^.*/quake2\\n\\+set dedicated 1 .*\\+set game Velstrom .*\\+exec Velstrom\\.cfg");
    row("rcon: wrong password", {"rcon", "status"},
        {{"untitled.ini", ini({"Port=%PORT%", "RemoteConsole=CHK", "RemotePassWord=wrong"})}}, 1,
        "^Bad rcon_password\\.\\n$");
}

void TestCli::commands()
{
    QFETCH(QStringList, arguments);
    QFETCH(Files, files);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QByteArray, rcon);

    StandInServer server;
    QTemporaryDir root;
    const QString programDir = root.filePath(QStringLiteral("quake2/Velstrom"));
    QVERIFY(QDir().mkpath(programDir));
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("quake2/baseq2/maps"))));
    putFile(root.filePath(QStringLiteral("quake2/baseq2/maps/q2dm1.bsp")), "IBSP");
    putFile(root.filePath(QStringLiteral("quake2/baseq2/maps.lst")), "base1 \"Outer Base\"\r\n");
    QLockFile window(programDir + QStringLiteral("/.velstrom.lock"));
    for (const auto& [name, contents] : files) {
        if (name == QStringLiteral("LOCKED")) {
            QVERIFY(window.tryLock(0));
            continue;
        }
        const QString path = programDir + u'/' + name;
        putFile(path, QByteArray(contents).replace("%PORT%", server.port()));
        if (contents.startsWith("#!"))
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    for (QString& argument : arguments)
        argument.replace(QStringLiteral("%PORT%"), QString::fromLatin1(server.port()));

    const Run run = runCli(arguments + QStringList{QStringLiteral("--dir"), programDir});
    const auto matches = [](const QString& pattern, const QByteArray& text) {
        return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption)
            .match(QString::fromUtf8(text))
            .hasMatch();
    };
    QVERIFY2(run.exitCode == exitCode, qPrintable(QStringLiteral("exit %1\n%2\n%3").arg(run.exitCode).arg(
                                           QString::fromUtf8(run.out), QString::fromUtf8(run.err))));
    QVERIFY2(matches(out, run.out), run.out.constData());
    QVERIFY2(matches(err, run.err), run.err.constData());
    if (!rcon.isEmpty())
        QCOMPARE(server.lastRcon, rcon);
}

void TestCli::serviceUnit()
{
    const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
    if (analyze.isEmpty())
        QFAIL("systemd-analyze is not installed (tools/install-deps.sh installs systemd)");
    QTemporaryDir root;
    const QString programDir = root.filePath(QStringLiteral("quake 2/Velstrom"));
    QVERIFY(QDir().mkpath(programDir));
    putFile(programDir + QStringLiteral("/night.ini"), ini({"Port=27999"}));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root.filePath(QStringLiteral("config")));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR")); // no user manager to talk to
    const QString unit = root.filePath(QStringLiteral("config/systemd/user/velstrom-night.service"));

    const Run install =
        runCli({QStringLiteral("service"), QStringLiteral("install"), QStringLiteral("--profile"),
                QStringLiteral("night"), QStringLiteral("--dir"), programDir},
               environment);
    QCOMPARE(install.exitCode, 0);
    QVERIFY(install.out.contains("systemctl --user enable velstrom-night.service\n"));
    QVERIFY(install.out.contains("systemctl --user start velstrom-night.service\n"));
    const QByteArray text = fileContents(unit);
    QVERIFY2(text.contains("Restart=on-failure\n"), text.constData());
    QVERIFY2(text.contains(" run --dir \"" + programDir.toUtf8() + "\" --profile night\n"), text.constData());

    QProcess verify;
    verify.start(analyze, {QStringLiteral("verify"), unit});
    QVERIFY(verify.waitForFinished(30000));
    QVERIFY2(verify.exitCode() == 0, verify.readAllStandardError().constData());

    const Run remove = runCli({QStringLiteral("service"), QStringLiteral("remove"), QStringLiteral("--profile"),
                               QStringLiteral("night"), QStringLiteral("--dir"), programDir},
                              environment);
    QCOMPARE(remove.exitCode, 0);
    QVERIFY(!QFileInfo::exists(unit));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
