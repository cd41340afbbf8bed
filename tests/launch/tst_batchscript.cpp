// velstrom.sh: its text, the engine it names, and /bin/sh running it to start the same game with the same words as
// the launcher.
#include "StandInGame.h"
#include "launch/BatchScript.h"
#include "launch/GameCommandLine.h"
#include "profiles/Profile.h"
#include "support/Shell.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace velstrom::test;

namespace {

// Every file under `root` whose name starts with "pwned": what a shell running part of a word would leave.
QStringList pwnedFiles(const QString& root)
{
    QStringList found;
    QDirIterator it(root, {QStringLiteral("pwned*")}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(it.next());
    return found;
}

} // namespace

class TestBatchScript : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void quoting_data();
    void quoting();
    void scriptText();
    void gameProgram_data();
    void gameProgram();
    void startsWhatTheLauncherStarts_data();
    void startsWhatTheLauncherStarts();
};

void TestBatchScript::quoting_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("plain") << "+set"
                           << "'+set'";
    QTest::newRow("empty") << ""
                           << "''";
    QTest::newRow("blank") << "My Games"
                           << "'My Games'";
    QTest::newRow("single quote") << "it's"
                                  << "'it'\\''s'";
    QTest::newRow("only quotes") << "''"
                                 << "''\\'''\\'''";
    QTest::newRow("command substitution") << "$(touch x)"
                                          << "'$(touch x)'";
    QTest::newRow("double quote and backslash") << "a\"b\\c"
                                                << "'a\"b\\c'";
}

void TestBatchScript::quoting()
{
    QFETCH(QString, word);
    QFETCH(QString, quoted);
    QCOMPARE(shellQuote(word), quoted);
}

void TestBatchScript::scriptText()
{
    Profile p;
    p.servType = 1;
    p.port = QStringLiteral("27910");
    p.configFile = QStringLiteral("[None]");
    const QString quake2Dir = QStringLiteral("/games/quake 2");
    const QByteArray script =
        batchScript(quake2Dir, QStringLiteral("./q2ded"),
                    gameArguments(p, quake2Dir, NoCdDrive, quake2Dir + QStringLiteral("/Velstrom/")));
    QCOMPARE(script, QByteArray("#!/bin/sh\n"
                                "cd '/games/quake 2' || exit 1\n"
                                "exec './q2ded' '+set' 'dedicated' '1' '+deathmatch' '1' '+set' 'port' '27910' "
                                "'+set' 'net_port' '27910' '+set' 'game' 'Velstrom' '+set' 'basedir' '/games/quake 2' "
                                "'+set' 'sys_forcegamelib' '/games/quake 2/Velstrom/" VELSTROM_GAME_CPU_NAME "' "
                                "'+exec' 'Velstrom.cfg'\n"));
}

void TestBatchScript::gameProgram_data()
{
    QTest::addColumn<QStringList>("files"); // in the Quake 2 directory; "bin/..." on the PATH
    QTest::addColumn<int>("serverType");
    QTest::addColumn<QString>("expected"); // "{root}" the tree
    QTest::newRow("quake2.exe") << QStringList{"quake2.exe"} << 0 << "./quake2.exe";
    QTest::newRow("native build") << QStringList{"quake2"} << 0 << "./quake2";
    QTest::newRow("both: the native build first") << QStringList{"quake2", "quake2.exe"} << 0 << "./quake2";
    QTest::newRow("dedicated server") << QStringList{"quake2", "q2ded"} << 1 << "./q2ded";
    QTest::newRow("from the PATH, by its full path") << QStringList{"bin/q2proded"} << 1 << "{root}/bin/q2proded";
    QTest::newRow("none yet") << QStringList{} << 1 << "./quake2";
}

void TestBatchScript::gameProgram()
{
    QFETCH(QStringList, files);
    QFETCH(int, serverType);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath("q2/bin"));
    QVERIFY(QDir(root.path()).mkpath("bin"));
    for (const QString& name : files) {
        const QString path = root.path() + (name.startsWith("bin/") ? "/" : "/q2/") + name;
        installStandInGame(path.left(path.lastIndexOf('/')), path.mid(path.lastIndexOf('/') + 1));
    }
    const GameEngine engine = findGameEngine(root.path() + "/q2", serverType, QFile::encodeName(root.path() + "/bin"));
    QCOMPARE(batchGameProgram(engine), QString(expected).replace("{root}", root.path()));
}

void TestBatchScript::startsWhatTheLauncherStarts_data()
{
    QTest::addColumn<QString>("dirName");
    QTest::addColumn<QString>("configFile");
    QTest::addColumn<QString>("game"); // "bin/..." on the PATH

    QTest::newRow("plain") << "quake2"
                           << "server.cfg"
                           << "quake2";
    QTest::newRow("blanks") << "My Quake 2"
                            << "[None]"
                            << "quake2.exe";
    QTest::newRow("quotes and substitutions in the directory")
        << "it's $(touch pwned1) `touch pwned2`; touch pwned3 & $HOME"
        << "server.cfg"
        << "q2ded";
    QTest::newRow("a double quote in the directory") << "my \"q2\""
                                                     << "server.cfg"
                                                     << "q2proded";
    QTest::newRow("shell characters in the script name") << "q2"
                                                         << "x;touch${IFS}pwned4;'$(touch pwned5)'`touch pwned6`&&.cfg"
                                                         << "quake2";
    QTest::newRow("a script name that is a pattern") << "q2"
                                                     << "*"
                                                     << "quake2";
    QTest::newRow("a script name with a blank is one word for both") << "q2"
                                                                     << "$(touch pwned7) my.cfg"
                                                                     << "quake2";
    QTest::newRow("an engine from the PATH") << "q2 \"dir\""
                                             << "server.cfg"
                                             << "bin/q2ded";
}

void TestBatchScript::startsWhatTheLauncherStarts()
{
    QFETCH(QString, dirName);
    QFETCH(QString, configFile);
    QFETCH(QString, game);

    QTemporaryDir root;
    const QString quake2Dir = root.path() + u'/' + dirName;
    const QString binDir = root.path() + QStringLiteral("/bin");
    QVERIFY(QDir().mkpath(quake2Dir + QStringLiteral("/Velstrom")));
    QVERIFY(QDir().mkpath(binDir));
    const bool onPath = game.startsWith("bin/");
    installStandInGame(onPath ? binDir : quake2Dir, onPath ? game.mid(4) : game);

    Profile p;
    p.servType = 1;
    p.logFile = Qt::Checked;
    p.port = QStringLiteral("27911");
    p.configFile = configFile;
    const GameEngine engine = findGameEngine(quake2Dir, p.servType, QFile::encodeName(binDir));
    QVERIFY(engine.found());
    QCOMPARE(engine.fromSearchPath, onPath);
    const GameCommand command =
        launchCommand(p, engine, quake2Dir, findCdDrive(), quake2Dir + QStringLiteral("/Velstrom"));
    const QString logDir = onPath ? binDir : quake2Dir;

    // What Go! does: start the engine in the Quake 2 directory, ours staying where it is.
    const QString cwd = QDir::currentPath();
    const StartedProgram started = startProgram(command.program, command.arguments, quake2Dir);
    QVERIFY2(started.started(), qPrintable(QString::number(started.result.error)));
    QCOMPARE(QDir::currentPath(), cwd);
    QTRY_COMPARE(launchEntriesIn(logDir).size(), 1);

    // The script, run from somewhere else.
    const QString scriptPath = quake2Dir + QStringLiteral("/Velstrom/velstrom.sh");
    QFile script(scriptPath);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(batchScript(quake2Dir, batchGameProgram(engine), command.arguments));
    script.close();
    QProcess sh;
    sh.setWorkingDirectory(root.path());
    sh.start(QStringLiteral("/bin/sh"), {scriptPath});
    QVERIFY(sh.waitForFinished(20000));
    QCOMPARE(sh.exitCode(), 0);
    QCOMPARE(sh.readAllStandardError(), QByteArray());

    const QStringList entries = launchEntriesIn(logDir);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[1], entries[0]);
    // Each word arrived as one argument, the directory and the script name untouched.
    QCOMPARE(entries[1], launchEntry(quake2Dir, command.arguments));
    QVERIFY(command.arguments.contains(quake2Dir));
    QCOMPARE(command.arguments.contains(configFile), configFile != QStringLiteral("[None]"));
    QCOMPARE(pwnedFiles(root.path()), QStringList());
    QCOMPARE(pwnedFiles(cwd), QStringList());
}

QTEST_GUILESS_MAIN(TestBatchScript)
#include "tst_batchscript.moc"
