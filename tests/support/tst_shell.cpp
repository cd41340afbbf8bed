#include "support/ErrorReport.h"
#include "support/MessageBoxes.h"
#include "support/Shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>

namespace {

// The failures as the tables hold them.
constexpr int NotFound = int(StartResult::Failure::FileNotFound);
constexpr int NoPath = int(StartResult::Failure::PathNotFound);
constexpr int NotAProgram = int(StartResult::Failure::NotAProgram);

void put(const QString& path, const QByteArray& data, mode_t mode = 0644)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(data), data.size());
    f.close();
    QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
}

// A stand-in program: writes its own name, its working directory and its arguments, one a line, to
// launch.log beside itself (renamed into place, so a reader never sees half of it).
void putRecorder(const QString& path)
{
    put(path,
        "#!/bin/sh\n"
        "log=\"$(dirname \"$0\")/launch.log\"\n"
        "{ basename \"$0\"; pwd -P; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$log.tmp\"\n"
        "mv \"$log.tmp\" \"$log\"\n",
        0755);
}

QStringList logLines(const QString& log)
{
    QFile f(log);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Restores the current directory and PATH when a test ends, however it ends.
class Surroundings {
public:
    Surroundings() : m_dir(QDir::currentPath()), m_path(qgetenv("PATH")) {}
    ~Surroundings()
    {
        QDir::setCurrent(m_dir);
        qputenv("PATH", m_path);
    }
    Surroundings(const Surroundings&) = delete;
    Surroundings& operator=(const Surroundings&) = delete;

private:
    QString m_dir;
    QByteArray m_path;
};

// root/game      game.sh, quake2 (stand-ins), readme.txt (not executable), garbage (executable, no format)
// root/my game   run it.sh
// root/both      quake2.exe and quake2
// root/bin       onpath.sh, both.sh          (put first on PATH)
// root/work      local.sh, both.sh, quake2, sub/rel.sh  (the current directory)
void buildTree(const QString& root)
{
    const QDir r(root);
    for (const char* d : {"game", "my game", "both", "bin", "work", "work/sub"})
        QVERIFY(r.mkpath(d));
    for (const char* f :
         {"game/game.sh", "game/quake2", "my game/run it.sh", "both/quake2.exe", "both/quake2", "bin/onpath.sh",
          "bin/both.sh", "work/local.sh", "work/both.sh", "work/quake2", "work/sub/rel.sh"})
        putRecorder(r.filePath(f));
    put(r.filePath("game/readme.txt"), "#!/bin/sh\necho not executable\n", 0644);
    put(r.filePath("game/garbage"), "this is not a program\n", 0755);
}

QString expand(QString text, const QString& root)
{
    return text.replace("{root}", root);
}

// A fresh tree of buildTree's, with the current directory in its "work" folder; the current directory and PATH
// come back when it goes.
class StartTree {
public:
    StartTree() : m_root(QDir(m_dir.path()).canonicalPath())
    {
        if (!m_dir.isValid())
            return;
        buildTree(m_root);
        m_entered = QDir::setCurrent(m_root + "/work");
    }
    bool entered() const { return m_entered; }
    const QString& root() const { return m_root; }

private:
    QTemporaryDir m_dir;
    QString m_root;
    Surroundings m_keep;
    bool m_entered = false;
};

} // namespace

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

class TestShell : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void splitCommandLine_data();
    void splitCommandLine();
    void start_data();
    void start();
    void startFailure_data();
    void startFailure();
    void bareNameOnSearchPath_data();
    void bareNameOnSearchPath();
    void runCommandLine_data();
    void runCommandLine();
    void startProgram_data();
    void startProgram();
    void startProgramFailure_data();
    void startProgramFailure();
    void runProgramNamesTheEngine();
    void gameProcess_data();
    void gameProcess();
    void gameOutput_data();
    void gameOutput();
    void outputGoesOnWithoutUs();
    void openDocument();

private:
    // Games a test started; whatever still runs of them is ended in cleanup(), also after a failed check.
    QList<pid_t> m_games;
};

void TestShell::init()
{
    msgbox::script();
}

void TestShell::cleanup()
{
    msgbox::unscript();
    for (pid_t pid : std::as_const(m_games)) {
        ::kill(pid, SIGKILL);
        // Its helper reaps it at once.
        QVERIFY(QTest::qWaitFor([pid] { return ::kill(pid, 0) != 0; }, 5000));
    }
    m_games.clear();
}

void TestShell::splitCommandLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("blanks only") << "   \t " << QStringList{};
    QTest::newRow("game line") << "quake2.exe +set dedicated 1 +exec Velstrom.CFG"
                               << QStringList{"quake2.exe", "+set", "dedicated", "1", "+exec", "Velstrom.CFG"};
    QTest::newRow("runs of blanks and tabs") << "  a \t  b  " << QStringList{"a", "b"};
    QTest::newRow("quoted program with options")
        << "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome \"%1\""
        << QStringList{"C:\\Program Files\\Internet Explorer\\iexplore.exe", "-nohome", "%1"};
    QTest::newRow("quoted value") << "+set hostname \"My Server\"" << QStringList{"+set", "hostname", "My Server"};
    QTest::newRow("no association then document")
        << "\"\" \"/opt/q2/Velstrom/readme.txt\"" << QStringList{"", "/opt/q2/Velstrom/readme.txt"};
    QTest::newRow("association with trailing blank")
        << "\"C:\\WINDOWS\\NOTEPAD.EXE \" \"readme.txt\"" << QStringList{"C:\\WINDOWS\\NOTEPAD.EXE ", "readme.txt"};
    QTest::newRow("quotes inside a word") << "a\"b c\"d" << QStringList{"ab cd"};
    QTest::newRow("backslashes are ordinary")
        << "C:\\dir\\ a\\\\b \\\"x\"" << QStringList{"C:\\dir\\", "a\\\\b", "\\x"};
    QTest::newRow("unclosed quote runs to the end") << "prog \"a b  " << QStringList{"prog", "a b  "};
    QTest::newRow("four quotes make one empty word") << "\"\"\"\"" << QStringList{""};
    QTest::newRow("UTF-8 text") << QStringLiteral("jeu \u00e9t\u00e9")
                                << QStringList{"jeu", QStringLiteral("\u00e9t\u00e9")};
}

void TestShell::splitCommandLine()
{
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QCOMPARE(::splitCommandLine(line), words);
}

void TestShell::start_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("logDir");
    QTest::addColumn<QStringList>("expected"); // program name, then the arguments

    QTest::newRow("absolute path") << "{root}/game/game.sh +set dedicated 1 +exec Velstrom.CFG"
                                   << "game"
                                   << QStringList{"game.sh", "+set", "dedicated", "1", "+exec", "Velstrom.CFG"};
    QTest::newRow("quoted path and arguments with blanks")
        << "\"{root}/my game/run it.sh\" \"+set hostname\" \"My Server\""
        << "my game" << QStringList{"run it.sh", "+set hostname", "My Server"};
    QTest::newRow("empty argument kept") << "{root}/game/game.sh \"\" x"
                                         << "game" << QStringList{"game.sh", "", "x"};
    QTest::newRow("trailing blanks of the program dropped") << "\"{root}/game/game.sh  \" readme.txt"
                                                            << "game" << QStringList{"game.sh", "readme.txt"};
    QTest::newRow("bare name on the search path") << "onpath.sh b"
                                                  << "bin" << QStringList{"onpath.sh", "b"};
    QTest::newRow("relative path") << "sub/rel.sh c"
                                   << "work/sub" << QStringList{"rel.sh", "c"};
    QTest::newRow("path up from the current directory") << "../game/game.sh d"
                                                        << "game" << QStringList{"game.sh", "d"};
    QTest::newRow("quake2.exe falls back to quake2") << "{root}/game/quake2.exe +set game Velstrom"
                                                     << "game" << QStringList{"quake2", "+set", "game", "Velstrom"};
    QTest::newRow("relative quake2.exe falls back") << "../game/quake2.exe +map q2dm1"
                                                    << "game" << QStringList{"quake2", "+map", "q2dm1"};
    QTest::newRow("quake2.exe when it is there") << "{root}/both/quake2.exe"
                                                 << "both" << QStringList{"quake2.exe"};
    QTest::newRow("UTF-8 argument") << QStringLiteral("{root}/game/game.sh caf\u00e9") << "game"
                                    << QStringList{"game.sh", QStringLiteral("caf\u00e9")};
}

void TestShell::start()
{
    QFETCH(QString, line);
    QFETCH(QString, logDir);
    QFETCH(QStringList, expected);
    StartTree tree;
    QVERIFY(tree.entered());
    const QString root = tree.root();
    qputenv("PATH", QFile::encodeName(root + "/bin") + ':' + qgetenv("PATH"));

    QVERIFY(startCommandLine(expand(line, root)).started());

    const QString log = root + '/' + logDir + "/launch.log";
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 10000);
    QStringList lines = logLines(log);
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines.at(1), root + "/work"); // the program runs in our current directory
    lines.removeAt(1);
    QCOMPARE(lines, expected);
    // Nothing else was started.
    for (const char* other : {"game", "my game", "both", "bin", "work", "work/sub"})
        if (logDir != QLatin1String(other))
            QVERIFY2(!QFile::exists(root + '/' + other + "/launch.log"), other);
}

void TestShell::startFailure_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("error"); // the errno the result carries
    QTest::newRow("empty line") << "" << NotFound << ENOENT;
    QTest::newRow("empty program") << "\"\" \"{root}/game/readme.txt\"" << NotFound << ENOENT;
    QTest::newRow("blank program") << "\"   \" x" << NotFound << ENOENT;
    QTest::newRow("bare name found nowhere") << "velstrom-no-such-program" << NotFound << ENOENT;
    QTest::newRow("missing file") << "{root}/game/nothing.sh" << NotFound << ENOENT;
    QTest::newRow("no quake2.exe and no quake2") << "{root}/bin/quake2.exe +set game Velstrom" << NotFound << ENOENT;
    QTest::newRow("missing directory") << "{root}/nowhere/game.sh" << NoPath << ENOENT;
    QTest::newRow("missing directories") << "{root}/no/where/game.sh" << NoPath << ENOENT;
    QTest::newRow("file in place of a directory") << "{root}/game/game.sh/x" << NoPath << ENOENT;
    QTest::newRow("relative missing directory") << "nowhere/game.sh" << NoPath << ENOENT;
    QTest::newRow("not executable") << "{root}/game/readme.txt" << NotAProgram << EACCES;
    QTest::newRow("no program format") << "{root}/game/garbage" << NotAProgram << ENOEXEC;
    QTest::newRow("a directory") << "{root}/game" << NotAProgram << EACCES;
}

void TestShell::startFailure()
{
    QFETCH(QString, line);
    QFETCH(int, code);
    QFETCH(int, error);
    StartTree tree;
    QVERIFY(tree.entered());
    const QString root = tree.root();
    const StartResult result = startCommandLine(expand(line, root));
    QCOMPARE(int(result.failure), code);
    QCOMPARE(result.error, error);
}

void TestShell::bareNameOnSearchPath_data()
{
    QTest::addColumn<QString>("path"); // PATH before the system's own directories; ours is {root}/work
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("logDir"); // empty: nothing may start
    QTest::newRow("absolute entry") << "{root}/bin"
                                    << "both.sh"
                                    << "bin";
    QTest::newRow("empty entry is not the current directory") << ":{root}/bin"
                                                              << "both.sh"
                                                              << "bin";
    QTest::newRow("dot entry skipped") << ".:{root}/bin"
                                       << "both.sh"
                                       << "bin";
    QTest::newRow("relative entry skipped") << "../work:{root}/bin"
                                            << "both.sh"
                                            << "bin";
    QTest::newRow("only in the current directory") << "{root}/bin:"
                                                   << "local.sh"
                                                   << "";
    QTest::newRow("the system's directories only") << ""
                                                   << "local.sh"
                                                   << "";
    QTest::newRow("bare quake2.exe falls back on the path") << "{root}/game"
                                                            << "quake2.exe"
                                                            << "game";
    QTest::newRow("bare quake2.exe not from the current directory") << ""
                                                                    << "quake2.exe"
                                                                    << "";
    QTest::newRow("absolute path taken as it is") << ""
                                                  << "{root}/work/local.sh"
                                                  << "work";
}

// A program dropped in the directory the program was started from never runs for a bare name.
void TestShell::bareNameOnSearchPath()
{
    QFETCH(QString, path);
    QFETCH(QString, line);
    QFETCH(QString, logDir);
    StartTree tree;
    QVERIFY(tree.entered());
    const QString root = tree.root();
    // The stand-ins need the system's tools.
    qputenv("PATH", QFile::encodeName(expand(path, root)) + ':' + qgetenv("PATH"));

    const StartResult result = startCommandLine(expand(line, root));
    if (logDir.isEmpty()) {
        QCOMPARE(int(result.failure), NotFound);
    } else {
        QVERIFY(result.started());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(root + '/' + logDir + "/launch.log"), 10000);
    }
    if (logDir != "work")
        QVERIFY(!QFile::exists(root + "/work/launch.log"));
}

void TestShell::runCommandLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("started");
    QTest::newRow("started") << "{root}/game/game.sh +set dedicated 1"
                             << "" << true;
    QTest::newRow("file not found") << "\"\" \"{root}/readme.txt\""
                                    << "The file (\"\" \"{root}/readme.txt\") was not found." << false;
    QTest::newRow("path not found") << "{root}/nowhere/quake2.exe +set game Velstrom"
                                    << "The path ({root}/nowhere/quake2.exe +set game Velstrom) was not found."
                                    << false;
    QTest::newRow("invalid program") << "{root}/game/garbage"
                                     << "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image)." << false;
}

void TestShell::runCommandLine()
{
    QFETCH(QString, line);
    QFETCH(QString, message);
    QFETCH(bool, started);
    StartTree tree;
    QVERIFY(tree.entered());
    const QString root = tree.root();

    QCOMPARE(::runCommandLine(expand(line, root)), started);
    const QList<msgbox::Shown> shown = msgbox::shown();
    if (message.isEmpty()) {
        QCOMPARE(shown.size(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(root + "/game/launch.log"), 10000);
        return;
    }
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text, expand(message, root));
    QCOMPARE(shown[0].caption, applicationTitle());
    QCOMPARE(int(shown[0].icon), int(msgbox::Icon::None));
    QCOMPARE(shown[0].buttons, QList<msgbox::Button>{msgbox::Button::Ok});
}

void TestShell::startProgram_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("workingDir");
    QTest::addColumn<QString>("logDir");

    QTest::newRow("words as they are") << "{root}/game/game.sh"
                                       << QStringList{"+set", "basedir", "/a \"quoted\" dir", "", "it's $HOME"}
                                       << "{root}/my game"
                                       << "game";
    QTest::newRow("no arguments, our directory") << "{root}/my game/run it.sh" << QStringList{} << ""
                                                 << "my game";
    QTest::newRow("relative to our directory, not to its own") << "local.sh" << QStringList{"a"} << "{root}/game"
                                                               << "work";
    QTest::newRow("no splitting of a blank")
        << "{root}/game/quake2" << QStringList{"+exec my server.cfg"} << "{root}/both"
        << "game";
}

void TestShell::startProgram()
{
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, workingDir);
    QFETCH(QString, logDir);
    StartTree tree;
    QVERIFY(tree.entered());
    const QString root = tree.root();

    const StartedProgram started = ::startProgram(expand(program, root), arguments, expand(workingDir, root));

    QVERIFY(started.started());
    QVERIFY(!started.process); // unwatched
    const QString log = root + '/' + logDir + "/launch.log";
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 10000);
    const QStringList lines = logLines(log);
    QCOMPARE(lines.value(0), QFileInfo(program).fileName());
    QCOMPARE(lines.value(1), workingDir.isEmpty() ? root + "/work" : expand(workingDir, root));
    QCOMPARE(lines.mid(2), arguments);
    // Ours stays where it was.
    QCOMPARE(QDir::currentPath(), root + "/work");
}

void TestShell::startProgramFailure_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("workingDir");
    QTest::addColumn<int>("code");
    QTest::newRow("no program") << ""
                                << "" << NotFound;
    QTest::newRow("missing file") << "{root}/game/nothing.sh"
                                  << "" << NotFound;
    QTest::newRow("no search on the PATH") << "onpath.sh"
                                           << "" << NotFound;
    QTest::newRow("missing directory") << "{root}/nowhere/game.sh"
                                       << "" << NoPath;
    QTest::newRow("not executable") << "{root}/game/readme.txt"
                                    << "" << NotAProgram;
    QTest::newRow("missing working directory") << "{root}/game/game.sh"
                                               << "{root}/gone" << NotFound;
}

void TestShell::startProgramFailure()
{
    QFETCH(QString, program);
    QFETCH(QString, workingDir);
    QFETCH(int, code);
    StartTree tree;
    QVERIFY(tree.entered());
    const QString root = tree.root();
    const StartedProgram started = ::startProgram(expand(program, root), {"x"}, expand(workingDir, root), Watch::Yes);
    QCOMPARE(int(started.result.failure), code);
    QVERIFY(!started.process);
    QVERIFY(!QFile::exists(root + "/game/launch.log"));
}

void TestShell::runProgramNamesTheEngine()
{
    StartTree tree;
    QVERIFY(tree.entered());
    const QString root = tree.root();
    qputenv("PATH", QFile::encodeName(root + "/game"));
    const StartedProgram started =
        runProgram(root + "/bin/quake2.exe", {"+set", "basedir", "/my \"q2\""}, root, "quake2.exe", Watch::Yes);
    QVERIFY(!started.started());
    QCOMPARE(msgbox::shown().size(), 1);
    // The words as they are, no quotes added; neither the native build beside it nor the PATH is tried.
    QCOMPARE(msgbox::shown()[0].text, "The file (quake2.exe +set basedir /my \"q2\") was not found.");
    QCOMPARE(msgbox::shown()[0].caption, applicationTitle());
}

void TestShell::gameProcess_data()
{
    QTest::addColumn<QByteArray>("game");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("killed"); // SIGTERM was not enough
    // A game to be stopped says when it is ready, so the signal does not arrive before its trap is set.
    QTest::newRow("ends by itself") << QByteArray("exit 3") << false << 3 << false;
    QTest::newRow("stopped") << QByteArray(": > ready; exec tail -f /dev/null") << true << 128 + SIGTERM << false;
    QTest::newRow("ignores SIGTERM, killed")
        << QByteArray("trap '' TERM; : > ready; exec tail -f /dev/null") << true << 128 + SIGKILL << true;
}

void TestShell::gameProcess()
{
    QFETCH(QByteArray, game);
    QFETCH(bool, stop);
    QFETCH(int, exitCode);
    QFETCH(bool, killed);
    QTemporaryDir dir;
    const QString path = dir.filePath("game");
    put(path, "#!/bin/sh\n" + game + '\n', 0755);

    StartedProgram started = ::startProgram(path, {}, dir.path(), Watch::Yes);
    QVERIFY(started.started());
    QVERIFY(started.process);
    GameProcess& process = *started.process;
    QVERIFY(process.pid() > 0);
    m_games.append(process.pid());
    QList<int> finished;
    connect(&process, &GameProcess::finished, this, [&finished](int code) { finished.append(code); });
    QElapsedTimer clock;
    if (stop) {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("ready")), 10000);
        QVERIFY(process.isRunning());
        QCOMPARE(::kill(process.pid(), 0), 0); // the pid is the game's own
        clock.start();
        process.stop();
    }

    QTRY_VERIFY_WITH_TIMEOUT(!process.isRunning(), 15000);
    QCOMPARE(process.exitCode(), std::optional<int>(exitCode));
    QCOMPARE(finished, QList<int>{exitCode});
    // SIGKILL follows only after the grace period.
    if (killed)
        QVERIFY2(clock.elapsed() >= 4500, qPrintable(QString::number(clock.elapsed())));
    process.stop(); // nothing left to stop
    QCOMPARE(finished.size(), 1);
}

void TestShell::gameOutput_data()
{
    QTest::addColumn<QByteArray>("game");
    QTest::addColumn<QByteArray>("output");
    QTest::addColumn<bool>("endsByItself");
    QTest::newRow("both streams as written, the old log replaced")
        << QByteArray("echo one; echo two >&2; printf 'no end'") << QByteArray("one\ntwo\nno end") << true;
    QTest::newRow("no input, a plain terminal")
        << QByteArray("echo \"$TERM\" \"$COLORTERM\"; cat; echo \"in: $?\"") << QByteArray("dumb \nin: 0\n") << true;
    // perl's standard output buffers whole blocks on a pipe and lines on a terminal.
    QTest::newRow("each line as it comes")
        << QByteArray("exec perl -e 'print \"ready\\n\"; sleep 60'") << QByteArray("ready\n") << false;
}

void TestShell::gameOutput()
{
    QFETCH(QByteArray, game);
    QFETCH(QByteArray, output);
    QFETCH(bool, endsByItself);
    QTemporaryDir dir;
    const QString path = dir.filePath("game");
    put(path, "#!/bin/sh\n" + game + '\n', 0755);
    const QString log = dir.filePath("server.log");
    put(log, QByteArray(4096, 'x'));
    qputenv("COLORTERM", "truecolor");

    StartedProgram started = ::startProgram(path, {}, dir.path(), Watch::Yes, log);
    qunsetenv("COLORTERM");
    QVERIFY(started.process);
    GameProcess& process = *started.process;
    m_games.append(process.pid());
    QByteArray signalled;
    connect(&process, &GameProcess::output, this, [&signalled](const QByteArray& bytes) { signalled += bytes; });

    QTRY_COMPARE_WITH_TIMEOUT(process.recentOutput(), output, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(process.isRunning(), !endsByItself, 10000);
    QCOMPARE(signalled, output);
    QFile kept(log);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), output);
}

void TestShell::outputGoesOnWithoutUs()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("game");
    // Far more than a pipe holds, after we have stopped reading.
    put(path, "#!/bin/sh\necho first\nwhile [ ! -e go ]; do sleep 0.1; done\nseq 100000\necho last\n", 0755);
    const QString log = dir.filePath("server.log");
    StartedProgram started = ::startProgram(path, {}, dir.path(), Watch::Yes, log);
    QVERIFY(started.process);
    const pid_t pid = started.process->pid();
    m_games.append(pid);
    QTRY_COMPARE_WITH_TIMEOUT(started.process->recentOutput(), QByteArray("first\n"), 10000);

    started.process.reset();
    put(dir.filePath("go"), "");

    // The game ends by itself, neither blocked nor killed by a pipe nobody reads, and its log is whole.
    QTRY_VERIFY_WITH_TIMEOUT(::kill(pid, 0) != 0, 10000);
    QFile kept(log);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    const QByteArray bytes = kept.readAll();
    QVERIFY(bytes.startsWith("first\n1\n2\n"));
    QVERIFY(bytes.endsWith("\n99999\n100000\nlast\n"));
}

void TestShell::openDocument()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    put(dir.filePath("VELSTROM.html"), "<html></html>");
    put(dir.filePath("readme.txt"), "read me");
    UrlRecorder files;
    UrlRecorder web;
    QDesktopServices::setUrlHandler("file", &files, "open");
    QDesktopServices::setUrlHandler("https", &web, "open");
    Surroundings keep;
    QVERIFY(QDir::setCurrent(dir.path()));

    ::openDocument(dir.filePath("VELSTROM.html"));
    ::openDocument("readme.txt");
    ::openDocument("https://example.org/velstrom");
    ::openDocument(dir.filePath("missing.html"));
    const StartResult opened = openWithDesktop("VELSTROM.html", dir.path());
    const StartResult missing = openWithDesktop("missing.html", dir.path());

    QDesktopServices::unsetUrlHandler("file");
    QDesktopServices::unsetUrlHandler("https");
    QCOMPARE(files.urls, (QList<QUrl>{QUrl::fromLocalFile(dir.filePath("VELSTROM.html")),
                                      QUrl::fromLocalFile(dir.filePath("readme.txt")),
                                      QUrl::fromLocalFile(dir.filePath("VELSTROM.html"))}));
    QCOMPARE(web.urls, QList<QUrl>{QUrl("https://example.org/velstrom")});
    QVERIFY(opened.started());
    QCOMPARE(int(missing.failure), NotFound);
    QCOMPARE(msgbox::shown().size(), 0); // the desktop's failures are not ours to report
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
