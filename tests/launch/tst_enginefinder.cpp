// Which executable a launch starts: trees of engines in the Quake 2 directory and on a PATH of the test's own.
#include "launch/EngineFinder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// "q2/q2ded" an executable file, "q2/q2ded!" one the user may not execute, "q2/q2ded/" a directory; "q2" is the
// Quake 2 directory, "bin1" and "bin2" the PATH in that order, "rel" a relative entry of it.
void build(const QString& root, const QStringList& entries)
{
    QDir r(root);
    for (const char* dir : {"q2", "bin1", "bin2", "rel"})
        QVERIFY(r.mkpath(QString::fromLatin1(dir)));
    for (const QString& entry : entries) {
        if (entry.endsWith(u'/')) {
            QVERIFY(r.mkpath(entry));
            continue;
        }
        const bool executable = !entry.endsWith(u'!');
        QFile f(r.filePath(executable ? entry : entry.chopped(1)));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        QVERIFY(f.setPermissions(executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                            : QFile::ReadOwner | QFile::WriteOwner));
    }
}

} // namespace

class TestEngineFinder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choice_data();
    void choice();
    void description_data();
    void description();
    void levelFolders_data();
    void levelFolders();
};

void TestEngineFinder::choice_data()
{
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<int>("serverType");
    QTest::addColumn<QString>("expected"); // relative to the tree; empty: none
    QTest::addColumn<bool>("anyEngine");   // false: the start-up warning

    const int listen = 0;
    const int dedicated = 1;
    QTest::newRow("q2ded, dedicated") << QStringList{"q2/q2ded"} << dedicated << "q2/q2ded" << true;
    QTest::newRow("q2ded cannot run a listen server") << QStringList{"q2/q2ded"} << listen << "" << true;
    QTest::newRow("q2proded before quake2")
        << QStringList{"q2/quake2", "q2/q2proded"} << dedicated << "q2/q2proded" << true;
    QTest::newRow("q2ded before q2proded") << QStringList{"q2/q2proded", "q2/q2ded"} << dedicated << "q2/q2ded" << true;
    QTest::newRow("dedicated: quake2 before q2pro")
        << QStringList{"q2/q2pro", "q2/quake2"} << dedicated << "q2/quake2" << true;
    QTest::newRow("dedicated: quake2.exe last") << QStringList{"q2/quake2.exe"} << dedicated << "q2/quake2.exe" << true;
    QTest::newRow("listen: quake2 first")
        << QStringList{"q2/quake2.exe", "q2/q2pro", "q2/quake2", "q2/q2ded"} << listen << "q2/quake2" << true;
    QTest::newRow("listen: q2pro before quake2.exe")
        << QStringList{"q2/quake2.exe", "q2/q2pro"} << listen << "q2/q2pro" << true;
    QTest::newRow("no server type is a listen server")
        << QStringList{"q2/q2ded", "q2/q2pro"} << -1 << "q2/q2pro" << true;
    QTest::newRow("not executable does not count")
        << QStringList{"q2/q2ded!", "q2/quake2"} << dedicated << "q2/quake2" << true;
    QTest::newRow("a directory named like an engine")
        << QStringList{"q2/q2ded/", "q2/quake2/", "q2/quake2.exe/"} << dedicated << "" << false;
    QTest::newRow("other names do not count")
        << QStringList{"q2/quake3", "q2/quake2.sh", "q2/Q2DED"} << dedicated << "" << false;
    QTest::newRow("nothing anywhere") << QStringList{} << listen << "" << false;
    QTest::newRow("on the PATH only") << QStringList{"bin2/q2ded"} << dedicated << "bin2/q2ded" << true;
    QTest::newRow("the Quake 2 directory before the PATH")
        << QStringList{"bin1/q2ded", "q2/quake2.exe"} << dedicated << "q2/quake2.exe" << true;
    QTest::newRow("the PATH when the directory's only one cannot run")
        << QStringList{"q2/q2ded!", "bin1/q2ded"} << dedicated << "bin1/q2ded" << true;
    QTest::newRow("a better name later on the PATH")
        << QStringList{"bin1/quake2", "bin2/q2ded"} << dedicated << "bin2/q2ded" << true;
    QTest::newRow("a relative PATH entry is not searched") << QStringList{"rel/q2ded"} << dedicated << "" << false;
    QTest::newRow("a listen server with q2ded on the PATH") << QStringList{"bin1/q2ded"} << listen << "" << true;
}

void TestEngineFinder::choice()
{
    QFETCH(QStringList, tree);
    QFETCH(int, serverType);
    QFETCH(QString, expected);
    QFETCH(bool, anyEngine);
    QTemporaryDir dir;
    const QString root = dir.path();
    build(root, tree);
    // The game runs from another directory than ours, so a relative entry would name another place there.
    const QByteArray searchPath = QFile::encodeName(root + "/bin1:" + root + "/bin2/:rel:");
    const QString cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root));
    const GameEngine engine = findGameEngine(root + "/q2", serverType, searchPath);
    const bool any = anyGameEngine(root + "/q2", searchPath);
    QDir::setCurrent(cwd);

    QCOMPARE(engine.path, expected.isEmpty() ? QString() : root + '/' + expected);
    QCOMPARE(engine.found(), !expected.isEmpty());
    QCOMPARE(engine.fromSearchPath, expected.startsWith("bin"));
    QCOMPARE(any, anyEngine);
    const QString name = expected.mid(expected.lastIndexOf('/') + 1);
    const QString where = root + '/' + expected.left(expected.lastIndexOf('/'));
    QCOMPARE(engineDescription(engine), expected.isEmpty() ? QString("No Quake 2 engine found")
                                                           : QString("Starts: " + name + " (in " + where + ")"));
}

void TestEngineFinder::description_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << ""
                          << "/home/op"
                          << "No Quake 2 engine found";
    QTest::newRow("inside the home") << "/home/op/quake2/q2ded"
                                     << "/home/op/"
                                     << "Starts: q2ded (in ~/quake2)";
    QTest::newRow("a name that only begins like it") << "/home/op2/quake2"
                                                     << "/home/op"
                                                     << "Starts: quake2 (in /home/op2)";
    QTest::newRow("outside it") << "/usr/local/bin/q2proded"
                                << "/home/op"
                                << "Starts: q2proded (in /usr/local/bin)";
}

void TestEngineFinder::description()
{
    QFETCH(QString, path);
    QFETCH(QString, home);
    QFETCH(QString, expected);
    GameEngine engine;
    engine.path = path;
    engine.name = path.mid(path.lastIndexOf('/') + 1);
    QCOMPARE(engineDescription(engine, home), expected);
}

// The levels a launch's server finds beyond the Quake 2 directory: those of the engine's own user folders.
void TestEngineFinder::levelFolders_data()
{
    QTest::addColumn<QString>("engine"); // relative to the tree; empty: none found
    QTest::addColumn<bool>("onPath");
    QTest::addColumn<QStringList>("found"); // of local, yq2home, xdghome, q2prohome

    QTest::newRow("q2ded: ~/.yq2") << "q2/q2ded" << false << QStringList{"local", "yq2home"};
    QTest::newRow("q2proded portable: no home folder") << "q2/q2proded" << false << QStringList{"local"};
    QTest::newRow("q2proded installed: ~/.q2pro") << "bin1/q2proded" << true << QStringList{"local", "q2prohome"};
    QTest::newRow("no engine: the Quake 2 directory") << "" << false << QStringList{"local"};
}

void TestEngineFinder::levelFolders()
{
    QFETCH(QString, engine);
    QFETCH(bool, onPath);
    QTemporaryDir tree;
    const QString q2 = tree.filePath(QStringLiteral("q2"));
    for (const char* level : {"q2/baseq2/maps/local.bsp", "home/.yq2/baseq2/maps/yq2home.bsp",
                              "home/.local/share/YamagiQ2/baseq2/maps/xdghome.bsp",
                              "home/.q2pro/Velstrom/maps/q2prohome.bsp"}) {
        const QString path = tree.filePath(QString::fromLatin1(level));
        QVERIFY(QDir().mkpath(path.left(path.lastIndexOf(u'/'))));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QByteArray home = qgetenv("HOME");
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", QFile::encodeName(tree.filePath(QStringLiteral("home"))));
    qunsetenv("XDG_DATA_HOME");
    GameEngine found;
    if (!engine.isEmpty())
        found = {engine.mid(engine.lastIndexOf(u'/') + 1), tree.filePath(engine), onPath};
    const levels::GameLevels game(q2, levelSearch(found, q2));
    qputenv("HOME", home);
    if (!xdg.isNull())
        qputenv("XDG_DATA_HOME", xdg);
    QStringList names;
    for (const char* name : {"local", "yq2home", "xdghome", "q2prohome"})
        if (game.find(QString::fromLatin1(name)))
            names.append(QString::fromLatin1(name));
    QTEST(names, "found");
}

QTEST_GUILESS_MAIN(TestEngineFinder)
#include "tst_enginefinder.moc"
