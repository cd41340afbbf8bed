// The game library the server loads from Velstrom's own folder. It loads the stock deathmatch game,
// hands the engine that game's entry points with a few of them wrapped, and adds Velstrom's play list,
// skip command and message on top. Nothing here may throw into the engine.
#include "GameApi.h"
#include "GameFolders.h"
#include "RegularFile.h"
#include "TextRules.h"

#include "GameFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <optional>
#include <set>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace velstrom::game;

constexpr const char* LevelRotationFile = "QLevels.TXT";
constexpr const char* ServerMessageFile = "SERVRMSG.TXT";
constexpr const char* SkippedLevelsFile = "qskipped.txt";
constexpr const char* GameLibraryVariable = "velstrom_gamelib";
// q2pro drops a longer centre-print without a word.
constexpr std::size_t MessageLimit = 1000;
constexpr std::size_t PlayListLimit = 1 << 20;
// Entries looked at for one level change before the current level is kept.
constexpr std::size_t EntriesTriedLimit = 4096;
// Every line break shrinks to one byte at most, so this much of the file fills the message.
constexpr std::size_t MessageReadLimit = 4 * MessageLimit;

struct Module {
    q2game_import engine{};  // the engine's services as it gave them
    q2game_import forGame{}; // the same, with AddCommandString ours, for the stock game
    q2game_export* stock = nullptr;
    q2game_export forEngine{}; // the stock game's entry points, some wrapped; the engine holds this one
    void* library = nullptr;
    std::string programDir;
    std::string currentLevel;
    std::size_t played = SIZE_MAX;          // play-list place of the level chosen last
    std::vector<unsigned char> greetingDue; // by edict index: connected, message not shown yet
    std::set<std::string> reported;         // broken archives, each named once per server run
};

Module g;

void print(const std::string& line)
{
    if (g.engine.dprintf)
        g.engine.dprintf("%s", line.c_str());
}

// Our own work around a forwarded call: a failure is reported on the console, never thrown at the engine.
template <class Work> void guarded(Work&& work) noexcept
{
    try {
        work();
    } catch (...) {
        try {
            print("Velstrom: out of memory\n");
        } catch (...) {
        }
    }
}

void syncEdictFields()
{
    if (!g.stock)
        return;
    g.forEngine.edicts = g.stock->edicts;
    g.forEngine.edict_size = g.stock->edict_size;
    g.forEngine.num_edicts = g.stock->num_edicts;
    g.forEngine.max_edicts = g.stock->max_edicts;
}

std::string inProgramDir(const char* name)
{
    return g.programDir + '/' + name;
}

std::optional<std::size_t> edictIndex(const q2edict* ent)
{
    if (!ent || !g.stock || !g.stock->edicts || g.stock->edict_size <= 0)
        return std::nullopt;
    const auto at = reinterpret_cast<std::uintptr_t>(ent);
    const auto base = reinterpret_cast<std::uintptr_t>(g.stock->edicts);
    const auto size = static_cast<std::uintptr_t>(g.stock->edict_size);
    if (at < base || (at - base) % size != 0)
        return std::nullopt;
    const std::size_t index = (at - base) / size;
    if (g.stock->max_edicts > 0 && index >= static_cast<std::size_t>(g.stock->max_edicts))
        return std::nullopt;
    return index;
}

void setGreetingDue(const q2edict* ent, bool due)
{
    const std::optional<std::size_t> index = edictIndex(ent);
    if (!index)
        return;
    if (*index >= g.greetingDue.size()) {
        if (!due)
            return;
        g.greetingDue.resize(*index + 1, 0);
    }
    g.greetingDue[*index] = due ? 1 : 0;
}

bool takeGreetingDue(const q2edict* ent)
{
    const std::optional<std::size_t> index = edictIndex(ent);
    if (!index || *index >= g.greetingDue.size() || !g.greetingDue[*index])
        return false;
    g.greetingDue[*index] = 0;
    return true;
}

std::string fileError(const std::string& path, int err)
{
    return "Velstrom: cannot read " + path + ": " + (err == EINVAL ? "not a regular file" : std::strerror(err)) + "\n";
}

std::string variable(const char* name)
{
    const q2cvar* var = g.engine.cvar ? g.engine.cvar(name, "", 0) : nullptr;
    return var && var->string ? var->string : "";
}

std::string engineDirectory(); // below, with the other questions about where things are

std::vector<std::string> commandLine()
{
    std::string data;
    std::vector<std::string> words;
    if (readRegularFile("/proc/self/cmdline", 1 << 16, data) == 0) {
        std::size_t start = 0;
        for (std::size_t end; (end = data.find('\0', start)) != std::string::npos; start = end + 1)
            words.push_back(data.substr(start, end - start));
    }
    return words;
}

// The game's file system as the running engine sees it, read afresh: levels come and go while it runs.
vornak::GameFileSystem engineFiles()
{
    vornak::EngineView view;
    view.q2pro = ::strncasecmp(variable("version").c_str(), "q2pro", 5) == 0;
    view.game = variable("game");
    view.basedir = variable("basedir");
    if (view.q2pro)
        view.homedir = variable("homedir");
    else
        view.cddir = variable("cddir");
    view.engineDir = engineDirectory();
    view.moduleDir = g.programDir;
    char cwd[PATH_MAX];
    view.workingDir = ::getcwd(cwd, sizeof cwd) ? cwd : ".";
    if (const char* home = std::getenv("HOME"))
        view.home = home;
    if (const char* data = std::getenv("XDG_DATA_HOME"))
        view.xdgDataHome = data;
    if (!view.q2pro)
        view.arguments = commandLine();
    return vornak::GameFileSystem(vornak::gameFolders(view),
                                  view.q2pro ? vornak::Engine::Q2pro : vornak::Engine::YamagiQuake2,
                                  [](const std::string& text) {
                                      if (g.reported.insert(text).second)
                                          print("Velstrom: " + text + "\n");
                                  });
}

struct NextChoice {
    std::string level;
    std::size_t index = SIZE_MAX;
    bool restart = false; // no entry can be played: the current level again
};

// What to play after the current level: the next play-list entry the server can load, passing over the
// others with a line each; nothing when there is no list to follow.
std::optional<NextChoice> nextFromPlayList()
{
    const std::string path = inProgramDir(LevelRotationFile);
    std::string data;
    if (const int err = readRegularFile(path, PlayListLimit, data)) {
        if (err != ENOENT)
            print(fileError(path, err));
        return std::nullopt;
    }
    const std::vector<std::string> entries = playListEntries(splitLines(data));
    const std::optional<NextLevel> first = nextLevel(entries, g.currentLevel, g.played);
    if (!first)
        return std::nullopt;
    std::optional<vornak::GameFileSystem> files;
    const std::size_t tries = std::min(entries.size(), EntriesTriedLimit);
    for (std::size_t k = 0; k < tries; ++k) {
        const std::size_t i = (first->index + k) % entries.size();
        const std::string& entry = entries[i];
        std::string fault = levelEntryFault(entry);
        if (fault.empty()) {
            if (!files)
                files.emplace(engineFiles());
            if (!files->findLevel(entry))
                fault = "no maps/" + entry + ".bsp in the game's folders or their archives";
        }
        if (fault.empty())
            return NextChoice{entry, i, false};
        print("Velstrom: skipping " + entry + ": " + fault + "\n");
    }
    print("Velstrom: " + std::string(LevelRotationFile) + " names no level the server can load; " + g.currentLevel +
          " starts again\n");
    return NextChoice{g.currentLevel, g.played, true};
}

std::string gamemapCommand(const std::string& level)
{
    return "gamemap \"" + level + "\"\n";
}

// The stock game ends a level by asking for `gamemap "<its choice>"`; the play list decides instead.
void addCommandString(const char* text)
{
    bool replaced = false;
    guarded([&] {
        if (!text || !isGamemapCommand(text))
            return;
        if (const std::optional<NextChoice> next = nextFromPlayList(); next && !next->level.empty()) {
            g.played = next->index;
            g.engine.AddCommandString(gamemapCommand(next->level).c_str());
            replaced = true;
        }
    });
    if (!replaced)
        g.engine.AddCommandString(text);
}

void skipLevel()
{
    if (g.currentLevel.empty()) {
        print("Velstrom: no level is running, nothing to skip\n");
        return;
    }
    const std::string skipped = inProgramDir(SkippedLevelsFile);
    if (const int err = appendToRegularFile(skipped, g.currentLevel + "\r\n")) {
        print("Velstrom: cannot write " + skipped + ": " + (err == EINVAL ? "not a regular file" : std::strerror(err)) +
              "\n");
    }
    const std::optional<NextChoice> next = nextFromPlayList();
    if (!next) {
        print("Velstrom: " + std::string(LevelRotationFile) + " names no level to go to; " + g.currentLevel +
              " goes on\n");
        return;
    }
    if (!next->restart)
        print("Velstrom: skipping " + g.currentLevel + ", next is " + next->level + "\n");
    g.played = next->index;
    g.engine.AddCommandString(gamemapCommand(next->level).c_str());
}

std::string variableText(const char* name)
{
    const std::string value = variable(name);
    return value.empty() ? std::string(name) + " (not set)" : std::string(name) + ' ' + value;
}

void showMessage(q2edict* ent)
{
    const std::string path = inProgramDir(ServerMessageFile);
    std::string data;
    if (const int err = readRegularFile(path, MessageReadLimit, data)) {
        if (err != ENOENT)
            print(fileError(path, err));
        return;
    }
    const std::string text = centrePrintText(data, MessageLimit);
    if (!text.empty() && g.engine.centerprintf)
        g.engine.centerprintf(ent, "%s", text.c_str());
}

std::string number(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}

// ---- the entry points the engine calls ----

void init()
{
    if (g.stock->Init)
        g.stock->Init();
    syncEdictFields();
}

void shutdown()
{
    if (g.stock->Shutdown)
        g.stock->Shutdown();
    syncEdictFields();
    // The engines load the game afresh on `map`; the stock game goes with us.
    g.stock = nullptr;
    if (g.library)
        ::dlclose(g.library);
    g.library = nullptr;
    g.forEngine.edicts = nullptr;
    g.forEngine.num_edicts = 0;
    g.greetingDue.clear();
}

void spawnEntities(const char* mapname, const char* entstring, const char* spawnpoint)
{
    guarded([&] { g.currentLevel = mapname ? mapname : ""; });
    g.stock->SpawnEntities(mapname, entstring, spawnpoint);
    syncEdictFields();
    guarded([] {
        print("Velstrom: " + variableText("kickback") + ", " + variableText("empathyfactor") + ", " +
              variableText("usevweap") + ": not applied by this game\n");
    });
}

q2bool clientConnect(q2edict* ent, char* userinfo)
{
    const q2bool accepted = g.stock->ClientConnect(ent, userinfo);
    syncEdictFields();
    guarded([&] { setGreetingDue(ent, accepted != 0); });
    return accepted;
}

void clientBegin(q2edict* ent)
{
    g.stock->ClientBegin(ent);
    syncEdictFields();
    guarded([&] {
        if (takeGreetingDue(ent))
            showMessage(ent);
    });
}

void clientDisconnect(q2edict* ent)
{
    guarded([&] { setGreetingDue(ent, false); });
    g.stock->ClientDisconnect(ent);
    syncEdictFields();
}

// The engine hands every `sv <command>` to the game; `sv skip` is ours.
void serverCommand()
{
    const char* command = g.engine.argc && g.engine.argv && g.engine.argc() > 1 ? g.engine.argv(1) : nullptr;
    if (command && ::strcasecmp(command, "skip") == 0) {
        guarded(skipLevel);
        return;
    }
    g.stock->ServerCommand();
    syncEdictFields();
}

void runFrame()
{
    g.stock->RunFrame();
    syncEdictFields();
}

// The rest go straight through; the copy afterwards keeps the engine's view of the edicts current.
void writeGame(const char* filename, q2bool autosave)
{
    g.stock->WriteGame(filename, autosave);
    syncEdictFields();
}

void readGame(const char* filename)
{
    g.stock->ReadGame(filename);
    syncEdictFields();
}

void writeLevel(const char* filename)
{
    g.stock->WriteLevel(filename);
    syncEdictFields();
}

void readLevel(const char* filename)
{
    g.stock->ReadLevel(filename);
    syncEdictFields();
}

void clientUserinfoChanged(q2edict* ent, char* userinfo)
{
    g.stock->ClientUserinfoChanged(ent, userinfo);
    syncEdictFields();
}

void clientCommand(q2edict* ent)
{
    g.stock->ClientCommand(ent);
    syncEdictFields();
}

void clientThink(q2edict* ent, q2usercmd* cmd)
{
    g.stock->ClientThink(ent, cmd);
    syncEdictFields();
}

// ---- finding and loading the stock game ----

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

// The engine may name a file relative to its working directory, which need not stay where it is.
std::string absolutePath(std::string path)
{
    while (path.starts_with("./"))
        path.erase(0, 2);
    if (path.starts_with('/'))
        return path;
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) + '/' + path : path;
}

void anchor() {}

std::string ownFile()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&anchor), &info) == 0 || !info.dli_fname)
        return {};
    return absolutePath(info.dli_fname);
}

std::string engineDirectory()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return directoryOf(std::string(buffer, static_cast<std::size_t>(n)));
}

// Where the stock game may be, best first: the operator's choice, else baseq2 of this Quake 2 tree,
// else baseq2 beside the engine (an engine installed apart from the game data keeps its game there),
// else baseq2 in q2pro's library folder (its system-wide install).
std::vector<std::string> stockCandidates(const std::string& self)
{
    const q2cvar* chosen = g.engine.cvar ? g.engine.cvar(GameLibraryVariable, "", 0) : nullptr;
    if (chosen && chosen->string && *chosen->string)
        return {absolutePath(chosen->string)};
    const std::string name = fileNameOf(self);
    std::vector<std::string> places{directoryOf(directoryOf(self)) + "/baseq2/" + name};
    const auto add = [&places](const std::string& place) {
        if (std::find(places.begin(), places.end(), place) == places.end())
            places.push_back(place);
    };
    const std::string engineDir = engineDirectory();
    if (!engineDir.empty())
        add(absolutePath(engineDir + "/baseq2/" + name));
    // q2pro installed system-wide keeps its game libraries in a library folder of its own.
    if (const std::string libdir = variable("libdir"); !libdir.empty())
        add(absolutePath(libdir + "/baseq2/" + name));
    return places;
}

// Why loading failed, for the engine's error function. That function does not come back on a real server, so
// it is called only once every frame that owns memory has been left.
char failureText[4096];

q2game_export* fail(const char* why) noexcept
{
    std::snprintf(failureText, sizeof failureText, "Velstrom game module: %s", why);
    return nullptr;
}

q2game_export* fail(const std::string& why)
{
    return fail(why.c_str());
}

void installWrappers()
{
    q2game_export& e = g.forEngine;
    e = *g.stock;
    e.Init = init;
    e.Shutdown = shutdown;
    if (e.SpawnEntities)
        e.SpawnEntities = spawnEntities;
    if (e.WriteGame)
        e.WriteGame = writeGame;
    if (e.ReadGame)
        e.ReadGame = readGame;
    if (e.WriteLevel)
        e.WriteLevel = writeLevel;
    if (e.ReadLevel)
        e.ReadLevel = readLevel;
    if (e.ClientConnect)
        e.ClientConnect = clientConnect;
    if (e.ClientBegin)
        e.ClientBegin = clientBegin;
    if (e.ClientUserinfoChanged)
        e.ClientUserinfoChanged = clientUserinfoChanged;
    if (e.ClientDisconnect)
        e.ClientDisconnect = clientDisconnect;
    if (e.ClientCommand)
        e.ClientCommand = clientCommand;
    if (e.ClientThink)
        e.ClientThink = clientThink;
    if (e.RunFrame)
        e.RunFrame = runFrame;
    if (e.ServerCommand)
        e.ServerCommand = serverCommand;
    syncEdictFields();
}

q2game_export* load(q2game_import* import)
{
    g.engine = *import;
    g.forGame = *import;
    g.forGame.AddCommandString = addCommandString;
    g.stock = nullptr;
    g.forEngine = q2game_export{};
    g.currentLevel.clear();
    g.played = SIZE_MAX;
    g.greetingDue.clear();

    const std::string self = ownFile();
    if (self.empty())
        return fail("cannot tell where this module was loaded from");
    g.programDir = directoryOf(self);
    struct stat own {};
    if (::stat(self.c_str(), &own) != 0)
        return fail(self + ": " + std::strerror(errno));

    std::string tried;
    for (const std::string& place : stockCandidates(self)) {
        struct stat st {};
        if (::stat(place.c_str(), &st) != 0) {
            tried += (tried.empty() ? "" : ", ") + place + " (" + std::strerror(errno) + ")";
            continue;
        }
        if (st.st_dev == own.st_dev && st.st_ino == own.st_ino)
            return fail(place + " is this module itself, not the stock game; point " + GameLibraryVariable +
                        " at the stock game library");
        void* library = ::dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* reason = ::dlerror();
            return fail("cannot load " + place + ": " + (reason ? reason : "unknown reason"));
        }
        const auto getGameApi = reinterpret_cast<q2get_game_api>(::dlsym(library, "GetGameAPI"));
        if (!getGameApi) {
            ::dlclose(library);
            return fail(place + " is not a game library: it has no GetGameAPI");
        }
        q2game_export* stock = getGameApi(&g.forGame);
        if (!stock) {
            ::dlclose(library);
            return fail(place + " returned no game interface");
        }
        if (stock->apiversion != Q2_GAME_API_VERSION) {
            const int version = stock->apiversion;
            ::dlclose(library);
            return fail(place + " has game API version " + number(version) + ", this module needs " +
                        number(Q2_GAME_API_VERSION));
        }
        g.library = library;
        g.stock = stock;
        installWrappers();
        return &g.forEngine;
    }
    return fail("no stock game library found; tried " + tried);
}

} // namespace

extern "C" __attribute__((visibility("default"))) q2game_export* GetGameAPI(q2game_import* import)
{
    if (!import)
        return nullptr;
    q2game_export* exports = nullptr;
    try {
        exports = load(import);
    } catch (...) {
        exports = fail("out of memory");
    }
    if (!exports && import->error)
        import->error("%s", failureText);
    return exports;
}
