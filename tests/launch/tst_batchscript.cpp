// velstrom.sh: its text, and /bin/sh running it to start the same game with the same words as the launcher.
#include "StandInGame.h"
#include "launch/BatchScript.h"
#include "launch/GameCommandLine.h"
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
    LaunchSettings s;
    s.servType = 1;
    s.port = QStringLiteral("27910");
    s.configFile = QStringLiteral("[None]");
    s.quake2Dir = QStringLiteral("/games/quake 2");
    const QByteArray script = BatchScript(s.quake2Dir, GameCommandLine(s, NoCdDrive), QStringLiteral("./quake2"));
    QCOMPARE(script, QByteArray("#!/bin/sh\n"
                                "cd '/games/quake 2' || exit 1\n"
                                "exec './quake2' '+set' 'dedicated' '1' '+deathmatch' '1' '+set' 'port' '27910' "
                                "'+set' 'game' 'Velstrom' '+set' 'basedir' '/games/quake 2' "
                                "'+exec' 'Velstrom.cfg'\n"));
}

void TestBatchScript::gameProgram_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("expected");
    QTest::newRow("quake2.exe") << QStringList{"quake2.exe"} << "./quake2.exe";
    QTest::newRow("native build") << QStringList{"quake2"} << "./quake2";
    QTest::newRow("both: quake2.exe first") << QStringList{"quake2", "quake2.exe"} << "./quake2.exe";
    QTest::newRow("none yet") << QStringList{} << "./quake2";
}

void TestBatchScript::gameProgram()
{
    QFETCH(QStringList, files);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    for (const QString& name : files)
        installStandInGame(dir.path(), name);
    QCOMPARE(batchGameProgram(dir.path()), expected);
}

void TestBatchScript::startsWhatTheLauncherStarts_data()
{
    QTest::addColumn<QString>("dirName");
    QTest::addColumn<QString>("configFile");
    QTest::addColumn<QString>("game");

    QTest::newRow("plain") << "quake2"
                           << "server.cfg"
                           << "quake2";
    QTest::newRow("blanks") << "My Quake 2"
                            << "[None]"
                            << "quake2.exe";
    QTest::newRow("quotes and substitutions in the directory")
        << "it's $(touch pwned1) `touch pwned2`; touch pwned3 & $HOME"
        << "server.cfg"
        << "quake2";
    QTest::newRow("shell characters in the script name") << "q2"
                                                         << "x;touch${IFS}pwned4;'$(touch pwned5)'`touch pwned6`&&.cfg"
                                                         << "quake2";
    QTest::newRow("a script name that is a pattern") << "q2"
                                                     << "*"
                                                     << "quake2";
    QTest::newRow("a script name with a blank is two words for both") << "q2"
                                                                      << "$(touch pwned7).cfg"
                                                                      << "quake2";
}

void TestBatchScript::startsWhatTheLauncherStarts()
{
    QFETCH(QString, dirName);
    QFETCH(QString, configFile);
    QFETCH(QString, game);

    QTemporaryDir root;
    const QString quake2Dir = root.path() + u'/' + dirName;
    QVERIFY(QDir().mkpath(quake2Dir + QStringLiteral("/Velstrom")));
    installStandInGame(quake2Dir, game);

    LaunchSettings s;
    s.servType = 1;
    s.logFile = Qt::Checked;
    s.configFile = configFile;
    s.quake2Dir = quake2Dir;
    const QString commandLine = GameCommandLine(s, FindCdDrive());

    // What Go! does: start the command line from the Quake 2 directory.
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(quake2Dir));
    const int code = startCommandLine(commandLine);
    QDir::setCurrent(cwd);
    QVERIFY2(code > 31, qPrintable(QString::number(code)));
    QTRY_COMPARE(launchEntriesIn(quake2Dir).size(), 1);

    // The script, run from somewhere else.
    const QString scriptPath = quake2Dir + QStringLiteral("/Velstrom/velstrom.sh");
    QFile script(scriptPath);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(BatchScript(quake2Dir, commandLine, batchGameProgram(quake2Dir)));
    script.close();
    QProcess sh;
    sh.setWorkingDirectory(root.path());
    sh.start(QStringLiteral("/bin/sh"), {scriptPath});
    QVERIFY(sh.waitForFinished(20000));
    QCOMPARE(sh.exitCode(), 0);
    QCOMPARE(sh.readAllStandardError(), QByteArray());

    const QStringList entries = launchEntriesIn(quake2Dir);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[1], entries[0]);
    // Each word of the command line arrived as one argument, the directory and the script name untouched.
    const QStringList words = splitCommandLine(commandLine);
    QCOMPARE(entries[1], launchEntry(quake2Dir, words.mid(1)));
    QVERIFY(words.contains(quake2Dir));
    if (configFile != QStringLiteral("[None]") && !configFile.contains(u' '))
        QVERIFY(words.contains(configFile));
    QCOMPARE(pwnedFiles(root.path()), QStringList());
    QCOMPARE(pwnedFiles(cwd), QStringList());
}

QTEST_GUILESS_MAIN(TestBatchScript)
#include "tst_batchscript.moc"
