// The game module as a server runs it: this test is the engine. It loads the built module from a
// temporary Quake 2 tree, beside a stand-in stock game, and drives it through the game interface.
#include "ArchiveWriter.h"
#include "FileContents.h"
#include "game/GameApi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>

using velstrom::test::fileContents;
using velstrom::test::pakArchive;
using velstrom::test::putFile;
using velstrom::test::zipArchive;
using Bytes = QList<QByteArray>;

namespace {

// What the engine saw of the game, and what it answers the game with.
struct Record {
    Bytes console, commands, args;
    QList<qsizetype> centreTo; // edict index of each centre-print
    Bytes centre;
    QByteArray error;
    std::map<std::string, std::pair<std::unique_ptr<q2cvar>, std::string>> cvars;
    q2game_export* ge = nullptr;
};
Record* rec = nullptr;

QByteArray format(const char* fmt, va_list ap)
{
    char buffer[8192];
    std::vsnprintf(buffer, sizeof buffer, fmt, ap);
    return buffer;
}

void dprintf(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    rec->console.append(format(fmt, ap));
    va_end(ap);
}

void error(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    rec->error.append(format(fmt, ap));
    va_end(ap);
}

void centerprintf(q2edict* ent, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    rec->centre.append(format(fmt, ap));
    va_end(ap);
    rec->centreTo.append((reinterpret_cast<char*>(ent) - reinterpret_cast<char*>(rec->ge->edicts)) /
                         rec->ge->edict_size);
}

q2cvar* cvarSet(const char* name, const char* value)
{
    auto& [var, text] = rec->cvars[name];
    if (!var)
        var = std::make_unique<q2cvar>();
    text = value;
    var->string = text.data();
    return var.get();
}

q2cvar* cvar(const char* name, const char* value, int)
{
    const auto found = rec->cvars.find(name);
    return found != rec->cvars.end() ? found->second.first.get() : cvarSet(name, value);
}

int argc()
{
    return int(rec->args.size());
}
const char* argv(int n)
{
    return n < rec->args.size() ? rec->args[n].constData() : "";
}
void addCommandString(const char* text)
{
    rec->commands.append(text);
}

QByteArray gamemap(const QByteArray& level)
{
    return "gamemap \"" + level + "\"\n";
}

} // namespace

class tst_game_module : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tree; // a fresh tree per test: the loader knows libraries by path
    Record m_rec;
    q2game_import m_import{};
    void* m_module = nullptr;
    q2game_export* m_ge = nullptr;

    QString at(const QString& relative) const { return m_tree->filePath(relative); }
    QByteArray nativeAt(const QString& relative) const { return QFile::encodeName(at(relative)); }

    void load(const QString& name = QStringLiteral("game.so"), bool relative = false)
    {
        const QString file = QStringLiteral("Velstrom/") + name;
        m_module =
            dlopen(relative ? QFile::encodeName(QStringLiteral("./") + file).constData() : nativeAt(file).constData(),
                   RTLD_NOW | RTLD_LOCAL);
        QVERIFY2(m_module, dlerror());
        auto getGameApi = reinterpret_cast<q2get_game_api>(dlsym(m_module, "GetGameAPI"));
        QVERIFY(getGameApi);
        m_ge = m_rec.ge = getGameApi(&m_import);
    }

    // A running server on `level`.
    void start(const QByteArray& level = "q2dm1")
    {
        load();
        QVERIFY2(m_ge, m_rec.error.constData());
        m_ge->Init();
        m_ge->SpawnEntities(level.constData(), "", "");
    }

    void sv(const Bytes& args)
    {
        m_rec.args = Bytes{"sv"} + args;
        m_ge->ServerCommand();
    }

    q2edict* edict(int index) const
    {
        return reinterpret_cast<q2edict*>(reinterpret_cast<char*>(m_ge->edicts) + index * m_ge->edict_size);
    }

    // The stand-in game's own table, to hold against the engine's.
    q2game_export* stockExports() const
    {
        void* stock = dlopen(nativeAt(QStringLiteral("baseq2/game.so")).constData(), RTLD_NOW | RTLD_NOLOAD);
        auto exports = stock ? reinterpret_cast<q2game_export* (*)()>(dlsym(stock, "StandInExports")) : nullptr;
        if (stock)
            dlclose(stock);
        return exports ? exports() : nullptr;
    }

    bool consoleHas(const QByteArray& text) const
    {
        return std::any_of(m_rec.console.begin(), m_rec.console.end(), [&](const auto& l) { return l.contains(text); });
    }

    // Files below the tree, each "<path>=<kind>": kind level, junk, or pak:<member> / zip:<member> for an
    // archive holding that one member.
    void putFiles(const Bytes& files)
    {
        for (const QByteArray& file : files) {
            const QString path = at(QString::fromUtf8(file.left(file.indexOf('='))));
            const QByteArray kind = file.mid(file.indexOf('=') + 1);
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            putFile(path, kind.startsWith("pak:")   ? pakArchive({{kind.mid(4), "IBSP"}})
                          : kind.startsWith("zip:") ? zipArchive({{kind.mid(4), "IBSP", true}})
                          : kind == "junk"          ? QByteArray("PACK")
                                                    : QByteArray("IBSP"));
        }
    }

    qsizetype consoleCount(const QByteArray& text) const
    {
        return std::count_if(m_rec.console.begin(), m_rec.console.end(),
                             [&](const auto& l) { return l.contains(text); });
    }

    void putLevels(const QByteArray& levels)
    {
        if (levels == "<fifo>")
            QCOMPARE(::mkfifo(nativeAt(QStringLiteral("Velstrom/QLevels.TXT")).constData(), 0600), 0);
        else if (!levels.isNull())
            putFile(at(QStringLiteral("Velstrom/QLevels.TXT")), levels);
    }

private Q_SLOTS:
    void init()
    {
        m_tree = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tree->isValid());
        m_rec = Record{};
        rec = &m_rec;
        m_import = q2game_import{};
        m_import.dprintf = dprintf;
        m_import.centerprintf = centerprintf;
        m_import.error = error;
        m_import.cvar = cvar;
        m_import.cvar_set = cvarSet;
        m_import.argc = argc;
        m_import.argv = argv;
        m_import.AddCommandString = addCommandString;
        // The tree an engine finds: the module in Velstrom/, the stock game in baseq2/, under one name.
        QVERIFY(QDir(m_tree->path()).mkpath(QStringLiteral("Velstrom")));
        QVERIFY(QDir(m_tree->path()).mkpath(QStringLiteral("baseq2")));
        QVERIFY(QFile::copy(QStringLiteral(VELSTROM_GAME_MODULE), at(QStringLiteral("Velstrom/game.so"))));
        QVERIFY(QFile::copy(QStringLiteral(VELSTROM_STANDIN_GAME), at(QStringLiteral("baseq2/game.so"))));
        // As the program starts the server; the levels the tests play are loose files of baseq2.
        cvarSet("basedir", QFile::encodeName(m_tree->path()).constData());
        cvarSet("game", "Velstrom");
        qputenv("HOME", QFile::encodeName(at(QStringLiteral("user"))));
        for (const char* level : {"q2dm1", "q2dm2", "q2dm3", "q2dm5", "base1", "base2"})
            putFiles({"baseq2/maps/" + QByteArray(level) + ".bsp=level"});
    }

    void cleanup()
    {
        if (m_ge)
            m_ge->Shutdown();
        m_ge = nullptr;
        if (m_module)
            dlclose(m_module);
        m_module = nullptr;
        m_tree.reset();
    }

    void rotation_data()
    {
        QTest::addColumn<QByteArray>("levels"); // the play list; null: no file
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("asked"); // by the stock game at each level end
        QTest::addColumn<QByteArray>("played");
        const QByteArray three = "q2dm1\r\nq2dm2\r\nq2dm3\r\n";
        auto row = [](const char* name, const QByteArray& levels, const char* first, const char* played,
                      const char* asked = "base2") {
            QTest::newRow(name) << levels << QByteArray(first) << QByteArray(asked) << QByteArray(played);
        };
        row("order, then wrap", three, "q2dm1", "q2dm2 q2dm3 q2dm1 q2dm2");
        row("case ignored", three, "Q2DM2", "q2dm3");
        row("current not listed", three, "base1", "q2dm1 q2dm2");
        row("empty name asked", three, "q2dm1", "q2dm2", "");
        row("listed twice", "q2dm1\r\nq2dm2\r\nq2dm1\r\nq2dm3\r\n", "q2dm1", "q2dm2 q2dm1 q2dm3 q2dm1");
        row("no file: game's choice", QByteArray(), "q2dm1", "base2");
        row("empty file: game's choice", "", "q2dm1", "base2");
        row("fifo: game's choice", "<fifo>", "q2dm1", "base2");
        row("double quote skipped", "q2dm1\r\nq2\"dm7\r\nq2dm2\r\n", "q2dm1", "q2dm2");
        row("semicolon skipped", "q2dm1\r\nq2dm7;quit\r\nq2dm2\r\n", "q2dm1", "q2dm2");
        row("control byte skipped", "q2dm1\r\nq2\tdm7\r\nq2dm2\r\n", "q2dm1", "q2dm2");
        row("nothing playable: the level again", "a;b\r\n\"c\"\r\n\r\nnosuchmap\r\n", "q2dm1", "q2dm1 q2dm1");
        row("lone CR ends a line", "q2dm1\rq2dm2\r", "q2dm1", "q2dm2 q2dm1");
        row("LF alone ends a line", "q2dm1\nq2dm2\n", "q2dm2", "q2dm1");
        row("byte 26 last is no byte", "q2dm1\r\nq2dm2\x1a", "q2dm1", "q2dm2 q2dm1");
        row("byte 26 inside is a control byte",
            "q2dm1\r\nq2\x1a"
            "dm3\r\nq2dm2\r\n",
            "q2dm1", "q2dm2");
    }

    void rotation()
    {
        QFETCH(QByteArray, levels);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, asked);
        QFETCH(QByteArray, played);
        putLevels(levels);
        start(first);
        for (const QByteArray& next : played.split(' ')) {
            m_rec.commands.clear();
            sv({"endlevel", asked});
            QCOMPARE(m_rec.commands, Bytes{gamemap(next == "base2" ? asked : next)});
            m_ge->SpawnEntities(next.constData(), "", "");
        }
        QCOMPARE(consoleHas("not a regular file"), levels == "<fifo>");
    }

    void listReadAtEveryLevelEnd()
    {
        start();
        putLevels("q2dm1\r\nq2dm2\r\n");
        sv({"endlevel", "base2"});
        putLevels("q2dm1\r\nq2dm5\r\n");
        sv({"endlevel", "base2"});
        QCOMPARE(m_rec.commands, (Bytes{gamemap("q2dm2"), gamemap("q2dm5")}));
    }

    void passedOver_data()
    {
        QTest::addColumn<QByteArray>("entry"); // between q2dm1 and q2dm2 in the play list
        QTest::addColumn<Bytes>("files");
        QTest::addColumn<Bytes>("variables");  // "<name>=<value>", {tree} standing for the tree
        QTest::addColumn<QByteArray>("fault"); // in the line that passes the entry over; empty: it is played
        const QByteArray longest(63 - 9, 'l');
        const Bytes q2pro{"version=q2pro r3000 Dec  1 2026 x86_64"};
        QTest::newRow("missing") << QByteArray("nosuchmap") << Bytes{} << Bytes{}
                                 << QByteArray("no maps/nosuchmap.bsp");
        QTest::newRow("blank") << QByteArray("   ") << Bytes{} << Bytes{} << QByteArray("blank");
        QTest::newRow("63-byte path") << longest << Bytes{"baseq2/maps/" + longest + ".bsp=level"} << Bytes{}
                                      << QByteArray();
        QTest::newRow("64-byte path") << longest + 'l' << Bytes{"baseq2/maps/" + longest + "l.bsp=level"} << Bytes{}
                                      << QByteArray("too long: maps/" + longest +
                                                    "l.bsp has 64 bytes, the engine takes 63");
        QTest::newRow("a chain to the engine")
            << QByteArray("q2dm3+q2dm5") << Bytes{"baseq2/maps/q2dm3+q2dm5.bsp=level"} << Bytes{}
            << QByteArray("holds a +");
        QTest::newRow("found in lower case") << QByteArray("Q2DM3") << Bytes{} << Bytes{} << QByteArray();
        QTest::newRow("file in upper case") << QByteArray("upper") << Bytes{"baseq2/maps/UPPER.bsp=level"} << Bytes{}
                                            << QByteArray("no maps/upper.bsp");
        QTest::newRow("in the game's folder")
            << QByteArray("ours") << Bytes{"Velstrom/maps/ours.bsp=level"} << Bytes{} << QByteArray();
        QTest::newRow("only inside pak0.pak")
            << QByteArray("base3") << Bytes{"baseq2/pak0.pak=pak:maps/base3.bsp"} << Bytes{} << QByteArray();
        QTest::newRow("beside a broken archive")
            << QByteArray("base3") << Bytes{"baseq2/pak0.pak=pak:maps/base3.bsp", "baseq2/pak1.pak=junk"} << Bytes{}
            << QByteArray();
        QTest::newRow("yquake2 reads a pk3")
            << QByteArray("ctf1") << Bytes{"baseq2/ctf.pk3=zip:maps/ctf1.bsp"} << Bytes{} << QByteArray();
        QTest::newRow("q2pro reads no pk3") << QByteArray("ctf1") << Bytes{"baseq2/ctf.pk3=zip:maps/ctf1.bsp"} << q2pro
                                            << QByteArray("no maps/ctf1.bsp");
        QTest::newRow("q2pro reads a pkz")
            << QByteArray("ctf1") << Bytes{"baseq2/ctf.pkz=zip:maps/ctf1.bsp"} << q2pro << QByteArray();
        QTest::newRow("q2pro homedir") << QByteArray("mine") << Bytes{"home/baseq2/maps/mine.bsp=level"}
                                       << q2pro + Bytes{"homedir={tree}/home"} << QByteArray();
        QTest::newRow("yquake2 home") << QByteArray("mine") << Bytes{"user/.yq2/baseq2/maps/mine.bsp=level"} << Bytes{}
                                      << QByteArray();
        QTest::newRow("yquake2 home, q2pro running")
            << QByteArray("mine") << Bytes{"user/.yq2/baseq2/maps/mine.bsp=level"} << q2pro
            << QByteArray("no maps/mine.bsp");
    }

    // At a level's end and at `sv skip` alike, the entry is played or passed over with a line saying why.
    void passedOver()
    {
        QFETCH(QByteArray, entry);
        QFETCH(Bytes, files);
        QFETCH(Bytes, variables);
        QFETCH(QByteArray, fault);
        putFiles(files);
        for (QByteArray variable : variables) {
            variable.replace("{tree}", QFile::encodeName(m_tree->path()));
            cvarSet(variable.left(variable.indexOf('=')).constData(),
                    variable.mid(variable.indexOf('=') + 1).constData());
        }
        putLevels("q2dm1\r\n" + entry + "\r\nq2dm2\r\n");
        start();
        sv({"endlevel", "base2"});
        m_ge->SpawnEntities("q2dm1", "", "");
        sv({"skip"});
        const QByteArray next = fault.isEmpty() ? entry : "q2dm2";
        QCOMPARE(m_rec.commands, (Bytes{gamemap(next), gamemap(next)}));
        const QByteArray passed = "Velstrom: skipping " + entry + ": ";
        QCOMPARE(consoleCount(passed), fault.isEmpty() ? 0 : 2);
        if (!fault.isEmpty())
            QVERIFY2(consoleHas(passed + fault), m_rec.console.join().constData());
        QCOMPARE(consoleCount("pak1.pak: skipped: too short"), files.contains("baseq2/pak1.pak=junk") ? 1 : 0);
    }

    void otherCommandsUntouched_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("map") << QByteArray("map q2dm5\n");
        QTest::newRow("gamemap and more") << QByteArray("gamemap \"q2dm5\"\nquit\n");
        QTest::newRow("gamemapx") << QByteArray("gamemapx \"q2dm5\"\n");
    }

    void otherCommandsUntouched()
    {
        QFETCH(QByteArray, command);
        putLevels("q2dm1\r\nq2dm2\r\n");
        start();
        sv({"command", command});
        QCOMPARE(m_rec.commands, Bytes{command});
    }

    void serverCommand_data()
    {
        QTest::addColumn<QByteArray>("command"); // after "sv"
        QTest::addColumn<QByteArray>("before");  // qskipped.txt; null: none, "<dir>": a directory in its place
        QTest::addColumn<QByteArray>("levels");
        QTest::addColumn<QByteArray>("level");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArray>("next");
        const QByteArray list = "q2dm1\r\nq2dm2\r\n";
        auto row = [](const char* name, const char* command, const QByteArray& before, const QByteArray& levels,
                      const char* level, const char* after, const char* next) {
            QTest::newRow(name) << QByteArray(command) << before << levels << QByteArray(level) << QByteArray(after)
                                << QByteArray(next);
        };
        row("skip: new file", "skip", QByteArray(), list, "q2dm1", "q2dm1\r\n", "q2dm2");
        row("skip: appended", "skip", "base1\r\n", list, "q2dm2", "base1\r\nq2dm2\r\n", "q2dm1");
        row("skip: name as played", "SKIP", QByteArray(), list, "Q2DM1", "Q2DM1\r\n", "q2dm2");
        row("skip: no play list", "skip", QByteArray(), QByteArray(), "q2dm1", "q2dm1\r\n", "");
        row("skip: file unwritable", "skip", "<dir>", list, "q2dm1", "<unreadable>", "q2dm2");
        row("addip passed on", "addip 10.0.0.1", QByteArray(), list, "q2dm1", "<unreadable>", "");
        row("skipped passed on", "skipped", QByteArray(), list, "q2dm1", "<unreadable>", "");
        row("skip as argument passed on", "listip skip", QByteArray(), list, "q2dm1", "<unreadable>", "");
    }

    void serverCommand()
    {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, levels);
        QFETCH(QByteArray, level);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, next);
        const QString skipped = at(QStringLiteral("Velstrom/qskipped.txt"));
        if (before == "<dir>")
            QVERIFY(QDir().mkpath(skipped));
        else if (!before.isNull())
            putFile(skipped, before);
        putLevels(levels);
        start(level);
        sv(command.split(' '));
        QCOMPARE(fileContents(skipped), after);
        QCOMPARE(m_rec.commands, next.isEmpty() ? Bytes{} : Bytes{gamemap(next)});
        QCOMPARE(consoleHas("standin: ServerCommand " + command + '\n'), command.toLower() != "skip");
        QCOMPARE(consoleHas("cannot write"), before == "<dir>");
    }

    void message_data()
    {
        QTest::addColumn<QByteArray>("file"); // null: no file
        QTest::addColumn<Bytes>("shown");
        QTest::newRow("CR LF is a line break") << QByteArray("Welcome\r\nto q2dm1\r\n") << Bytes{"Welcome\nto q2dm1"};
        QTest::newRow("bytes as they stand") << QByteArray("\xc8\xe9\x1d\x1e\x1f\r\n") << Bytes{"\xc8\xe9\x1d\x1e\x1f"};
        QTest::newRow("no format") << QByteArray("100%s %d%%\r\n") << Bytes{"100%s %d%%"};
        QTest::newRow("cut at 1000") << QByteArray(1200, 'a') << Bytes{QByteArray(1000, 'a')};
        QTest::newRow("1000 whole") << QByteArray(1000, 'a') + "\r\n" << Bytes{QByteArray(1000, 'a')};
        QTest::newRow("byte 26 last is no byte") << QByteArray("Hi\x1a") << Bytes{"Hi"};
        QTest::newRow("byte 26 inside stays") << QByteArray("Hi\x1azz") << Bytes{"Hi\x1azz"};
        QTest::newRow("no file") << QByteArray() << Bytes{};
    }

    void message()
    {
        QFETCH(QByteArray, file);
        QFETCH(Bytes, shown);
        if (!file.isNull())
            putFile(at(QStringLiteral("Velstrom/SERVRMSG.TXT")), file);
        start();
        char userinfo[] = "\\name\\player";
        QVERIFY(m_ge->ClientConnect(edict(3), userinfo));
        m_ge->ClientBegin(edict(3));
        QCOMPARE(m_rec.centre, shown);
        QCOMPARE(m_rec.centreTo, QList<qsizetype>(shown.size(), 3));
    }

    void messageOncePerConnection_data()
    {
        // c: connect, r: connect refused, b: begin, d: disconnect, each with the client; s: next level
        QTest::addColumn<QByteArray>("events");
        QTest::addColumn<QList<qsizetype>>("shownTo");
        QTest::newRow("entering") << QByteArray("c1 b1") << QList<qsizetype>{1};
        QTest::newRow("level changes") << QByteArray("c1 b1 s b1 s b1") << QList<qsizetype>{1};
        QTest::newRow("reconnect") << QByteArray("c1 b1 d1 c1 b1 s b1") << QList<qsizetype>{1, 1};
        QTest::newRow("refused") << QByteArray("r1 b1") << QList<qsizetype>{};
        QTest::newRow("two players") << QByteArray("c1 c2 b2 b1 s b1 b2") << QList<qsizetype>{2, 1};
        QTest::newRow("left before entering") << QByteArray("c2 d2 b2") << QList<qsizetype>{};
    }

    void messageOncePerConnection()
    {
        QFETCH(QByteArray, events);
        QFETCH(QList<qsizetype>, shownTo);
        putFile(at(QStringLiteral("Velstrom/SERVRMSG.TXT")), "Hello\r\n");
        start();
        for (const QByteArray& event : events.split(' ')) {
            char userinfo[32];
            std::snprintf(userinfo, sizeof userinfo, "\\name\\%s", event[0] == 'r' ? "banned" : "player");
            q2edict* ent = event.size() > 1 ? edict(event[1] - '0') : nullptr;
            if (event[0] == 'c' || event[0] == 'r')
                QCOMPARE(m_ge->ClientConnect(ent, userinfo), q2bool(event[0] == 'c'));
            else if (event[0] == 'b')
                m_ge->ClientBegin(ent);
            else if (event[0] == 'd')
                m_ge->ClientDisconnect(ent);
            else
                m_ge->SpawnEntities("q2dm2", "", "");
        }
        QCOMPARE(m_rec.centreTo, shownTo);
    }

    void edictFieldsFollowTheGame_data()
    {
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<int>("edictSize");
        for (const char* call : {"GetGameAPI", "Init", "SpawnEntities", "ClientConnect", "ClientBegin",
                                 "ClientDisconnect", "ClientThink", "RunFrame", "ServerCommand", "edicts moved"})
            QTest::newRow(call) << QByteArray(call) << 1120;
        QTest::newRow("Init, other edict size") << QByteArray("Init") << 1144;
    }

    void edictFieldsFollowTheGame()
    {
        QFETCH(QByteArray, call);
        QFETCH(int, edictSize);
        cvarSet("standin_edict_size", QByteArray::number(edictSize).constData());
        load();
        QVERIFY(m_ge);
        if (call != "GetGameAPI" && call != "Init") {
            m_ge->Init();
            m_ge->SpawnEntities("q2dm1", "", "");
        }
        const q2game_export* stock = stockExports();
        QVERIFY(stock);
        const q2game_export before = *stock;
        char userinfo[] = "";
        if (call == "Init")
            m_ge->Init();
        else if (call == "SpawnEntities")
            m_ge->SpawnEntities("q2dm2", "", "");
        else if (call == "ClientConnect")
            m_ge->ClientConnect(edict(1), userinfo);
        else if (call == "ClientBegin")
            m_ge->ClientBegin(edict(1));
        else if (call == "ClientDisconnect")
            m_ge->ClientDisconnect(edict(1));
        else if (call == "ClientThink")
            m_ge->ClientThink(edict(1), nullptr);
        else if (call == "RunFrame")
            m_ge->RunFrame();
        else if (call != "GetGameAPI")
            sv({call == "edicts moved" ? "move" : "listip"});
        if (call != "GetGameAPI")
            QVERIFY(std::memcmp(&before, stock, sizeof before) != 0); // the call changed what it should
        QCOMPARE(m_ge->edicts, stock->edicts);
        QCOMPARE(m_ge->edict_size, edictSize);
        QCOMPARE(m_ge->num_edicts, stock->num_edicts);
        QCOMPARE(m_ge->max_edicts, stock->max_edicts);
        QCOMPARE(m_ge->apiversion, 3);
    }

    void loads_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("chosen"); // velstrom_gamelib
        QTest::newRow("yquake2's name") << QStringLiteral("game.so") << QString();
        QTest::newRow("q2pro's name") << QStringLiteral(VELSTROM_GAME_CPU_NAME) << QString();
        QTest::newRow("velstrom_gamelib") << QStringLiteral("game.so") << QStringLiteral("mods/stock.so");
        QTest::newRow("q2pro's libdir") << QStringLiteral(VELSTROM_GAME_CPU_NAME)
                                        << QStringLiteral("lib/baseq2/" VELSTROM_GAME_CPU_NAME);
    }

    void loads()
    {
        QFETCH(QString, name);
        QFETCH(QString, chosen);
        // Only the place under test holds the stock game; the usual one holds junk.
        const QString stock = chosen.isEmpty() ? QStringLiteral("baseq2/") + name : chosen;
        QVERIFY(QDir(m_tree->path()).mkpath(QStringLiteral("mods")));
        QVERIFY(QDir(m_tree->path()).mkpath(QStringLiteral("lib/baseq2")));
        if (stock != QStringLiteral("baseq2/game.so"))
            QVERIFY(QFile::rename(at(QStringLiteral("baseq2/game.so")), at(stock)));
        if (name != QStringLiteral("game.so"))
            QVERIFY(QFile::rename(at(QStringLiteral("Velstrom/game.so")), at(QStringLiteral("Velstrom/") + name)));
        if (chosen.startsWith(QStringLiteral("lib/"))) {
            cvarSet("libdir", nativeAt(QStringLiteral("lib")).constData());
        } else if (!chosen.isEmpty()) {
            putFile(at(QStringLiteral("baseq2/game.so")), "not a library");
            cvarSet("velstrom_gamelib", nativeAt(chosen).constData());
        }
        cvarSet("kickback", "500");
        cvarSet("usevweap", "1");
        load(name);
        QVERIFY2(m_ge, m_rec.error.constData());
        QVERIFY(m_rec.console.isEmpty()); // q2pro tells games apart by what they print first
        m_ge->Init();
        QCOMPARE(m_rec.console, Bytes{"standin: Init\n"});
        m_ge->SpawnEntities("q2dm1", "", "");
        QCOMPARE(m_rec.console.last(),
                 "Velstrom: kickback 500, empathyfactor (not set), usevweap 1: not applied by this game\n");
    }

    void relativePath()
    {
        // q2pro names the module relative to its working directory, which need not stay where it was.
        putFile(at(QStringLiteral("Velstrom/SERVRMSG.TXT")), "Hello\r\n");
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_tree->path()));
        load(QStringLiteral("game.so"), true);
        QVERIFY(QDir::setCurrent(before));
        QVERIFY2(m_ge, m_rec.error.constData());
        m_ge->Init();
        m_ge->SpawnEntities("q2dm1", "", "");
        char userinfo[] = "";
        QVERIFY(m_ge->ClientConnect(edict(1), userinfo));
        m_ge->ClientBegin(edict(1));
        QCOMPARE(m_rec.centre, Bytes{"Hello"});
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<QStringList>("named"); // places the error must name
        QTest::addColumn<QByteArray>("reason");
        const QString besideEngine = QCoreApplication::applicationDirPath() + QStringLiteral("/baseq2/game.so");
        const QString baseq2 = QStringLiteral("baseq2/game.so");
        QTest::newRow("no stock game") << QByteArray("none") << QStringList{baseq2, besideEngine}
                                       << QByteArray("No such file");
        QTest::newRow("chosen one missing")
            << QByteArray("choose mods/none.so") << QStringList{QStringLiteral("mods/none.so")}
            << QByteArray("No such file");
        QTest::newRow("chosen one is itself")
            << QByteArray("choose Velstrom/game.so") << QStringList{QStringLiteral("Velstrom/game.so")}
            << QByteArray("this module itself");
        QTest::newRow("baseq2 links to it")
            << QByteArray("link") << QStringList{baseq2} << QByteArray("this module itself");
        QTest::newRow("wrong version") << QByteArray("version") << QStringList{baseq2} << QByteArray("version 4");
        QTest::newRow("not a library") << QByteArray("junk") << QStringList{baseq2} << QByteArray("cannot load");
    }

    void refused()
    {
        QFETCH(QByteArray, setup);
        QFETCH(QStringList, named);
        QFETCH(QByteArray, reason);
        const QString stock = at(QStringLiteral("baseq2/game.so"));
        if (setup.startsWith("choose "))
            cvarSet("velstrom_gamelib", nativeAt(QString::fromUtf8(setup.mid(7))).constData());
        else if (setup == "version")
            cvarSet("standin_apiversion", "4");
        else
            QVERIFY(QFile::remove(stock));
        if (setup == "link")
            QVERIFY(QFile::link(QStringLiteral("../Velstrom/game.so"), stock));
        else if (setup == "junk")
            putFile(stock, "not a library");
        load();
        QVERIFY(!m_ge);
        QVERIFY2(m_rec.error.contains(reason), m_rec.error.constData());
        for (const QString& place : named)
            QVERIFY2(m_rec.error.contains(QFile::encodeName(QDir(m_tree->path()).filePath(place))),
                     m_rec.error.constData());
        QVERIFY(m_rec.console.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_game_module)
#include "tst_game_module.moc"
