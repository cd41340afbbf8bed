// A stand-in for the stock game library: it reports every call on the engine console, moves its edicts
// about as a real game does, and ends a level by asking for `gamemap` when the engine tells it to.
#include "game/GameApi.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

q2game_import gi;
q2game_export ge;

void report(const std::string& what)
{
    gi.dprintf("standin: %s\n", what.c_str());
}

int number(const char* cvar, const char* fallback)
{
    return std::atoi(gi.cvar(cvar, fallback, 0)->string);
}

// One more entity in use, as a game that spawned something.
void grow()
{
    if (ge.num_edicts < ge.max_edicts)
        ++ge.num_edicts;
}

std::string index(q2edict* ent)
{
    return std::to_string((reinterpret_cast<char*>(ent) - reinterpret_cast<char*>(ge.edicts)) / ge.edict_size);
}

void init()
{
    report("Init");
    ge.max_edicts = 64;
    ge.edicts = static_cast<q2edict*>(std::calloc(std::size_t(ge.max_edicts), std::size_t(ge.edict_size)));
    ge.num_edicts = 9;
}

void shutdown()
{
    report("Shutdown");
    std::free(ge.edicts);
    ge.edicts = nullptr;
}

void spawnEntities(const char* map, const char*, const char*)
{
    report(std::string("SpawnEntities ") + map);
    grow();
}

q2bool clientConnect(q2edict* ent, char* userinfo)
{
    report("ClientConnect " + index(ent));
    grow();
    return std::strstr(userinfo, "banned") == nullptr;
}

void clientBegin(q2edict* ent)
{
    report("ClientBegin " + index(ent));
    grow();
}

void clientDisconnect(q2edict* ent)
{
    report("ClientDisconnect " + index(ent));
    grow();
}

void clientThink(q2edict*, q2usercmd*)
{
    grow();
}

void runFrame()
{
    grow();
}

void serverCommand()
{
    const std::string command = gi.argv(1);
    if (command == "endlevel") {
        gi.AddCommandString((std::string("gamemap \"") + gi.argv(2) + "\"\n").c_str());
    } else if (command == "command") {
        gi.AddCommandString(gi.argv(2));
    } else if (command == "move") {
        // Where the edicts live is the game's business: a new block, and the engine must follow.
        auto* moved = static_cast<q2edict*>(std::calloc(std::size_t(ge.max_edicts), std::size_t(ge.edict_size)));
        std::free(ge.edicts);
        ge.edicts = moved;
    }
    std::string line = "ServerCommand";
    for (int i = 1; i < gi.argc(); ++i)
        line += std::string(" ") + gi.argv(i);
    report(line);
    grow();
}

} // namespace

extern "C" __attribute__((visibility("default"))) q2game_export* GetGameAPI(q2game_import* import)
{
    gi = *import;
    ge = q2game_export{};
    ge.apiversion = number("standin_apiversion", "3");
    ge.edict_size = number("standin_edict_size", "1144");
    ge.Init = init;
    ge.Shutdown = shutdown;
    ge.SpawnEntities = spawnEntities;
    ge.ClientConnect = clientConnect;
    ge.ClientBegin = clientBegin;
    ge.ClientDisconnect = clientDisconnect;
    ge.ClientThink = clientThink;
    ge.RunFrame = runFrame;
    ge.ServerCommand = serverCommand;
    return &ge;
}

// The game's own table, for the test to compare with what the engine was given.
extern "C" __attribute__((visibility("default"))) q2game_export* StandInExports()
{
    return &ge;
}
