// The game module as a server runs it: this test is the engine. It loads the built module from a
// temporary Quake 2 tree, beside a stand-in stock game, and drives it through the game interface.
#include "FileContents.h"
#include "game/GameApi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using velstrom::test::fileContents;
using velstrom::test::putFile;

namespace {

// What the engine saw of the game: console lines, centre-prints by edict index, commands, errors.
struct Record {
    QList<QByteArray> console;
    QList<QPair<qsizetype, QByteArray>> centre;
    QList<QByteArray> commands;
    QByteArray error;
    QList<QByteArray> args;
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

void centerprintf(q2edict* ent, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    const qsizetype index =
        (reinterpret_cast<char*>(ent) - reinterpret_cast<char*>(rec->ge->edicts)) / rec->ge->edict_size;
    rec->centre.append({index, format(fmt, ap)});
    va_end(ap);
}

void error(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    rec->error += format(fmt, ap);
    va_end(ap);
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

} // namespace

class tst_game_module : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tree; // a fresh tree per test: the loader knows libraries by path
    Record m_rec;
    q2game_import m_import{};
    void* m_module = nullptr;
    q2game_export* m_ge = nullptr;

    QString path(const QString& relative) const { return m_tree->filePath(relative); }
    static QByteArray gamemap(const QByteArray& level) { return "gamemap \"" + level + "\"\n"; }

    // The Quake 2 tree an engine would find: Velstrom/<name> and, unless told otherwise, baseq2/<name>.
    void plant(const QString& name, const QString& stockAt)
    {
        QDir(m_tree->path()).mkpath(QStringLiteral("Velstrom"));
        QVERIFY(QFile::copy(QStringLiteral(VELSTROM_GAME_MODULE), path(QStringLiteral("Velstrom/") + name)));
        if (!stockAt.isEmpty()) {
            QDir(m_tree->path()).mkpath(QFileInfo(path(stockAt)).path());
            QVERIFY(QFile::copy(QStringLiteral(VELSTROM_STANDIN_GAME), path(stockAt)));
        }
    }

    void load(const QString& name = QStringLiteral("game.so"))
    {
        m_module =
            dlopen(QFile::encodeName(path(QStringLiteral("Velstrom/") + name)).constData(), RTLD_NOW | RTLD_LOCAL);
        QVERIFY2(m_module, dlerror());
        auto getGameApi = reinterpret_cast<q2get_game_api>(dlsym(m_module, "GetGameAPI"));
        QVERIFY(getGameApi);
        m_ge = m_rec.ge = getGameApi(&m_import);
    }

    // A running server on `level` with the stand-in stock game.
    void start(const QByteArray& level = "q2dm1")
    {
        if (!QFile::exists(path(QStringLiteral("Velstrom/game.so"))))
            plant(QStringLiteral("game.so"), QStringLiteral("baseq2/game.so"));
        load();
        QVERIFY2(m_ge, m_rec.error.constData());
        m_ge->Init();
        m_ge->SpawnEntities(level.constData(), "", "");
    }

    void sv(const QList<QByteArray>& args)
    {
        m_rec.args = QList<QByteArray>{"sv"} + args;
        m_ge->ServerCommand();
    }

    q2edict* edict(int index) const
    {
        return reinterpret_cast<q2edict*>(reinterpret_cast<char*>(m_ge->edicts) + index * m_ge->edict_size);
    }

    q2game_export* stockExports() const
    {
        void* stock =
            dlopen(QFile::encodeName(path(QStringLiteral("baseq2/game.so"))).constData(), RTLD_NOW | RTLD_NOLOAD);
        auto exports = stock ? reinterpret_cast<q2game_export* (*)()>(dlsym(stock, "StandInExports")) : nullptr;
        if (stock)
            dlclose(stock);
        return exports ? exports() : nullptr;
    }

    bool consoleHas(const QByteArray& text) const
    {
        for (const QByteArray& line : m_rec.console) {
            if (line.contains(text))
                return true;
        }
        return false;
    }

    void putLevels(const QByteArray& levels)
    {
        if (levels == "<fifo>")
            QCOMPARE(::mkfifo(QFile::encodeName(path(QStringLiteral("Velstrom/QLevels.TXT"))).constData(), 0600), 0);
        else if (!levels.isNull())
            putFile(path(QStringLiteral("Velstrom/QLevels.TXT")), levels);
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
        QTest::addColumn<QByteArray>("asked"); // what the stock game asks for at each level end
        QTest::addColumn<QList<QByteArray>>("played");
        const QByteArray three = "q2dm1\r\nq2dm2\r\nq2dm3\r\n";
        QTest::newRow("order, then wrap") << three << QByteArray("q2dm1") << QByteArray("base2")
                                          << QList<QByteArray>{"q2dm2", "q2dm3", "q2dm1", "q2dm2"};
        QTest::newRow("case ignored") << three << QByteArray("Q2DM2") << QByteArray("base2")
                                      << QList<QByteArray>{"q2dm3"};
        QTest::newRow("current not listed")
            << three << QByteArray("base1") << QByteArray("base2") << QList<QByteArray>{"q2dm1", "q2dm2"};
        QTest::newRow("empty name asked") << three << QByteArray("q2dm1") << QByteArray() << QList<QByteArray>{"q2dm2"};
        QTest::newRow("listed twice") << QByteArray("q2dm1\r\nq2dm2\r\nq2dm1\r\nq2dm3\r\n") << QByteArray("q2dm1")
                                      << QByteArray("base2") << QList<QByteArray>{"q2dm2", "q2dm1", "q2dm3", "q2dm1"};
        QTest::newRow("no file: game's choice")
            << QByteArray() << QByteArray("q2dm1") << QByteArray("base2") << QList<QByteArray>{"base2"};
        QTest::newRow("empty file: game's choice")
            << QByteArray("") << QByteArray("q2dm1") << QByteArray("base2") << QList<QByteArray>{"base2"};
        QTest::newRow("fifo: game's choice")
            << QByteArray("<fifo>") << QByteArray("q2dm1") << QByteArray("base2") << QList<QByteArray>{"base2"};
        QTest::newRow("double quote skipped") << QByteArray("q2dm1\r\nq2\"dm7\r\nq2dm2\r\n") << QByteArray("q2dm1")
                                              << QByteArray("base2") << QList<QByteArray>{"q2dm2"};
        QTest::newRow("semicolon skipped") << QByteArray("q2dm1\r\nq2dm7;quit\r\nq2dm2\r\n") << QByteArray("q2dm1")
                                           << QByteArray("base2") << QList<QByteArray>{"q2dm2"};
        QTest::newRow("control byte skipped") << QByteArray("q2dm1\r\nq2\tdm7\r\nq2dm2\r\n") << QByteArray("q2dm1")
                                              << QByteArray("base2") << QList<QByteArray>{"q2dm2"};
        QTest::newRow("LF alone ends a line")
            << QByteArray("q2dm1\nq2dm2\n") << QByteArray("q2dm2") << QByteArray("base2") << QList<QByteArray>{"q2dm1"};
        QTest::newRow("only skipped lines") << QByteArray("a;b\r\n\"c\"\r\n\r\n") << QByteArray("q2dm1")
                                            << QByteArray("base2") << QList<QByteArray>{"base2"};
        QTest::newRow("lone CR ends a line") << QByteArray("q2dm1\rq2dm2\r") << QByteArray("q2dm1")
                                             << QByteArray("base2") << QList<QByteArray>{"q2dm2", "q2dm1"};
        QTest::newRow("byte 26 ends the file") << QByteArray("q2dm1\r\nq2dm2\r\n\x1aq2dm3\r\n") << QByteArray("q2dm2")
                                               << QByteArray("base2") << QList<QByteArray>{"q2dm1"};
    }

    void rotation()
    {
        QFETCH(QByteArray, levels);
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, asked);
        QFETCH(QList<QByteArray>, played);
        plant(QStringLiteral("game.so"), QStringLiteral("baseq2/game.so"));
        putLevels(levels);
        start(first);
        for (const QByteArray& next : played) {
            m_rec.commands.clear();
            sv({"endlevel", asked});
            QCOMPARE(m_rec.commands, QList<QByteArray>{gamemap(next == "base2" ? asked : next)});
            m_ge->SpawnEntities(next.constData(), "", "");
        }
        QCOMPARE(consoleHas("not a regular file"), levels == "<fifo>");
    }

    void listReadAtEveryLevelEnd()
    {
        start();
        putFile(path(QStringLiteral("Velstrom/QLevels.TXT")), "q2dm1\r\nq2dm2\r\n");
        sv({"endlevel", "base2"});
        putFile(path(QStringLiteral("Velstrom/QLevels.TXT")), "q2dm1\r\nq2dm5\r\n");
        sv({"endlevel", "base2"});
        QCOMPARE(m_rec.commands, (QList<QByteArray>{gamemap("q2dm2"), gamemap("q2dm5")}));
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
        plant(QStringLiteral("game.so"), QStringLiteral("baseq2/game.so"));
        putLevels("q2dm1\r\nq2dm2\r\n");
        start();
        sv({"command", command});
        QCOMPARE(m_rec.commands, QList<QByteArray>{command});
    }

    void skip_data()
    {
        QTest::addColumn<QByteArray>("before"); // qskipped.txt; null: none, "<dir>": a directory in its place
        QTest::addColumn<QByteArray>("levels");
        QTest::addColumn<QByteArray>("level");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("after");
        const QByteArray list = "q2dm1\r\nq2dm2\r\n";
        QTest::newRow("new file") << QByteArray() << list << QByteArray("q2dm1") << QByteArray("skip")
                                  << QByteArray("q2dm1\r\n");
        QTest::newRow("appended") << QByteArray("base1\r\n") << list << QByteArray("q2dm2") << QByteArray("skip")
                                  << QByteArray("base1\r\nq2dm2\r\n");
        QTest::newRow("name as played") << QByteArray() << list << QByteArray("Q2DM1") << QByteArray("SKIP")
                                        << QByteArray("Q2DM1\r\n");
        QTest::newRow("no play list") << QByteArray() << QByteArray() << QByteArray("q2dm1") << QByteArray("skip")
                                      << QByteArray("q2dm1\r\n");
        QTest::newRow("file unwritable") << QByteArray("<dir>") << list << QByteArray("q2dm1") << QByteArray("skip")
                                         << QByteArray("<unreadable>");
    }

    void skip()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, levels);
        QFETCH(QByteArray, level);
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, after);
        plant(QStringLiteral("game.so"), QStringLiteral("baseq2/game.so"));
        const QString skipped = path(QStringLiteral("Velstrom/qskipped.txt"));
        if (before == "<dir>")
            QVERIFY(QDir().mkpath(skipped));
        else if (!before.isNull())
            putFile(skipped, before);
        putLevels(levels);
        start(level);
        sv({command});
        QCOMPARE(fileContents(skipped), after);
        const QByteArray next = level.toLower() == "q2dm1" ? "q2dm2" : "q2dm1";
        QCOMPARE(m_rec.commands, levels.isNull() ? QList<QByteArray>{} : QList<QByteArray>{gamemap(next)});
        QVERIFY(!consoleHas("standin: ServerCommand"));
        QCOMPARE(consoleHas("cannot write"), before == "<dir>");
    }

    void otherServerCommandsPassedOn_data()
    {
        QTest::addColumn<QList<QByteArray>>("args");
        QTest::newRow("addip") << QList<QByteArray>{"addip", "10.0.0.1"};
        QTest::newRow("skipped") << QList<QByteArray>{"skipped"};
        QTest::newRow("skip as argument") << QList<QByteArray>{"listip", "skip"};
    }

    void otherServerCommandsPassedOn()
    {
        QFETCH(QList<QByteArray>, args);
        start();
        sv(args);
        QVERIFY(consoleHas("standin: ServerCommand " + args.join(' ') + '\n'));
        QVERIFY(m_rec.commands.isEmpty());
        QCOMPARE(fileContents(path(QStringLiteral("Velstrom/qskipped.txt"))), QByteArray("<unreadable>"));
    }

    void message_data()
    {
        QTest::addColumn<QByteArray>("file"); // null: no file
        QTest::addColumn<QList<QByteArray>>("shown");
        QTest::newRow("CR LF is a line break")
            << QByteArray("Welcome\r\nto q2dm1\r\n") << QList<QByteArray>{"Welcome\nto q2dm1"};
        QTest::newRow("high bytes as they stand")
            << QByteArray("\xc8\xe9\x1d\x1e\x1f\r\n") << QList<QByteArray>{"\xc8\xe9\x1d\x1e\x1f"};
        QTest::newRow("no format") << QByteArray("100%s %d%%\r\n") << QList<QByteArray>{"100%s %d%%"};
        QTest::newRow("cut at 1000") << QByteArray(1200, 'a') << QList<QByteArray>{QByteArray(1000, 'a')};
        QTest::newRow("1000 whole") << QByteArray(1000, 'a') + "\r\n" << QList<QByteArray>{QByteArray(1000, 'a')};
        QTest::newRow("byte 26 ends it") << QByteArray("Hi\x1azz") << QList<QByteArray>{"Hi"};
        QTest::newRow("no file") << QByteArray() << QList<QByteArray>{};
    }

    void message()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<QByteArray>, shown);
        plant(QStringLiteral("game.so"), QStringLiteral("baseq2/game.so"));
        if (!file.isNull())
            putFile(path(QStringLiteral("Velstrom/SERVRMSG.TXT")), file);
        start();
        char userinfo[] = "\\name\\player";
        QVERIFY(m_ge->ClientConnect(edict(3), userinfo));
        m_ge->ClientBegin(edict(3));
        QList<QByteArray> seen;
        for (const auto& [index, text] : m_rec.centre) {
            QCOMPARE(index, qsizetype(3));
            seen.append(text);
        }
        QCOMPARE(seen, shown);
    }

    void messageOncePerConnection_data()
    {
        // c: connect, r: connect refused, b: begin, d: disconnect, each followed by the client; s: next level
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
        plant(QStringLiteral("game.so"), QStringLiteral("baseq2/game.so"));
        putFile(path(QStringLiteral("Velstrom/SERVRMSG.TXT")), "Hello\r\n");
        start();
        for (const QByteArray& event : events.split(' ')) {
            char userinfo[64];
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
        QList<qsizetype> seen;
        for (const auto& shown : m_rec.centre)
            seen.append(shown.first);
        QCOMPARE(seen, shownTo);
    }

    void edictFieldsFollowTheGame_data()
    {
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<QByteArray>("edictSize");
        for (const char* call : {"GetGameAPI", "Init", "SpawnEntities", "ClientConnect", "ClientBegin",
                                 "ClientDisconnect", "ClientThink", "RunFrame", "ServerCommand", "edicts moved"})
            QTest::newRow(call) << QByteArray(call) << QByteArray("1120");
        QTest::newRow("Init, other edict size") << QByteArray("Init") << QByteArray("1144");
    }

    void edictFieldsFollowTheGame()
    {
        QFETCH(QByteArray, call);
        QFETCH(QByteArray, edictSize);
        cvarSet("standin_edict_size", edictSize.constData());
        plant(QStringLiteral("game.so"), QStringLiteral("baseq2/game.so"));
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
        else if (call == "ServerCommand")
            sv({"listip"});
        else if (call == "edicts moved")
            sv({"move"});
        if (call != "GetGameAPI")
            QVERIFY(std::memcmp(&before, stock, sizeof before) != 0);
        QCOMPARE(m_ge->edicts, stock->edicts);
        QCOMPARE(m_ge->edict_size, edictSize.toInt());
        QCOMPARE(m_ge->num_edicts, stock->num_edicts);
        QCOMPARE(m_ge->max_edicts, stock->max_edicts);
        QCOMPARE(m_ge->apiversion, 3);
    }

    void loads_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("stockAt");
        QTest::addColumn<QByteArray>("chosen"); // velstrom_gamelib
        QTest::newRow("yquake2's name") << QStringLiteral("game.so") << QStringLiteral("baseq2/game.so")
                                        << QByteArray();
        QTest::newRow("q2pro's name") << QStringLiteral(VELSTROM_GAME_CPU_NAME)
                                      << QStringLiteral("baseq2/" VELSTROM_GAME_CPU_NAME) << QByteArray();
        QTest::newRow("velstrom_gamelib")
            << QStringLiteral("game.so") << QStringLiteral("mods/stock.so") << QByteArray("mods/stock.so");
    }

    void loads()
    {
        QFETCH(QString, name);
        QFETCH(QString, stockAt);
        QFETCH(QByteArray, chosen);
        plant(name, stockAt);
        if (!chosen.isEmpty()) {
            // The stock game's usual place holds junk: the variable must win over it.
            QDir(m_tree->path()).mkpath(QStringLiteral("baseq2"));
            putFile(path(QStringLiteral("baseq2/game.so")), "not a library");
            cvarSet("velstrom_gamelib", QFile::encodeName(path(QString::fromUtf8(chosen))).constData());
        }
        cvarSet("kickback", "500");
        cvarSet("usevweap", "1");
        load(name);
        QVERIFY2(m_ge, m_rec.error.constData());
        QVERIFY(m_rec.console.isEmpty()); // q2pro tells games apart by what they print first
        m_ge->Init();
        QCOMPARE(m_rec.console, QList<QByteArray>{"standin: Init\n"});
        m_ge->SpawnEntities("q2dm1", "", "");
        QCOMPARE(m_rec.console.last(),
                 "Velstrom: kickback 500, empathyfactor (not set), usevweap 1: not applied by this game\n");
    }

    void refused_data()
    {
        QTest::addColumn<QString>("stockAt"); // where the stand-in goes; empty: nowhere
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<QStringList>("named");
        QTest::addColumn<QByteArray>("reason");
        const QString exeBaseq2 = QCoreApplication::applicationDirPath() + QStringLiteral("/baseq2/game.so");
        QTest::newRow("no stock game") << QString() << QByteArray()
                                       << QStringList{QStringLiteral("baseq2/game.so"), exeBaseq2}
                                       << QByteArray("No such file");
        QTest::newRow("chosen one missing")
            << QStringLiteral("baseq2/game.so") << QByteArray("choose missing")
            << QStringList{QStringLiteral("mods/none.so")} << QByteArray("No such file");
        QTest::newRow("chosen one is itself")
            << QString() << QByteArray("choose itself") << QStringList{QStringLiteral("Velstrom/game.so")}
            << QByteArray("this module itself");
        QTest::newRow("baseq2 links to it")
            << QString() << QByteArray("link") << QStringList{QStringLiteral("baseq2/game.so")}
            << QByteArray("this module itself");
        QTest::newRow("wrong version") << QStringLiteral("baseq2/game.so") << QByteArray("version")
                                       << QStringList{QStringLiteral("baseq2/game.so")} << QByteArray("version 4");
        QTest::newRow("not a library") << QString() << QByteArray("junk")
                                       << QStringList{QStringLiteral("baseq2/game.so")} << QByteArray("cannot load");
    }

    void refused()
    {
        QFETCH(QString, stockAt);
        QFETCH(QByteArray, setup);
        QFETCH(QStringList, named);
        QFETCH(QByteArray, reason);
        plant(QStringLiteral("game.so"), stockAt);
        QDir(m_tree->path()).mkpath(QStringLiteral("baseq2"));
        if (setup == "choose missing")
            cvarSet("velstrom_gamelib", QFile::encodeName(path(QStringLiteral("mods/none.so"))).constData());
        else if (setup == "choose itself")
            cvarSet("velstrom_gamelib", QFile::encodeName(path(QStringLiteral("Velstrom/game.so"))).constData());
        else if (setup == "link")
            QVERIFY(QFile::link(QStringLiteral("../Velstrom/game.so"), path(QStringLiteral("baseq2/game.so"))));
        else if (setup == "version")
            cvarSet("standin_apiversion", "4");
        else if (setup == "junk")
            putFile(path(QStringLiteral("baseq2/game.so")), "not a library");
        load();
        QVERIFY(!m_ge);
        QVERIFY2(m_rec.error.contains(reason), m_rec.error.constData());
        for (const QString& place : named) {
            const QString full = QFileInfo(place).isAbsolute() ? place : path(place);
            QVERIFY2(m_rec.error.contains(QFile::encodeName(full)), m_rec.error.constData());
        }
        QVERIFY(m_rec.console.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_game_module)
#include "tst_game_module.moc"
