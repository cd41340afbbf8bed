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

// One more entity in use, as a game that spawned something.
void grow()
{
    if (ge.num_edicts < ge.max_edicts)
        ++ge.num_edicts;
}

void reportClient(const char* call, q2edict* ent)
{
    report(call +
           (" " + std::to_string((reinterpret_cast<char*>(ent) - reinterpret_cast<char*>(ge.edicts)) / ge.edict_size)));
    grow();
}

q2edict* newEdicts()
{
    return static_cast<q2edict*>(std::calloc(std::size_t(ge.max_edicts), std::size_t(ge.edict_size)));
}

void serverCommand()
{
    const std::string command = gi.argv(1);
    if (command == "endlevel") {
        gi.AddCommandString((std::string("gamemap \"") + gi.argv(2) + "\"\n").c_str());
    } else if (command == "command") {
        gi.AddCommandString(gi.argv(2));
    } else if (command == "move") {
        // Where the edicts live is the game's business: the engine must follow them to a new block.
        std::free(ge.edicts);
        ge.edicts = newEdicts();
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
    ge.apiversion = std::atoi(gi.cvar("standin_apiversion", "3", 0)->string);
    ge.edict_size = std::atoi(gi.cvar("standin_edict_size", "1144", 0)->string);
    ge.Init = [] {
        report("Init");
        ge.max_edicts = 64;
        ge.num_edicts = 9;
        ge.edicts = newEdicts();
    };
    ge.Shutdown = [] {
        report("Shutdown");
        std::free(ge.edicts);
        ge.edicts = nullptr;
    };
    ge.SpawnEntities = [](const char* map, const char*, const char*) {
        report(std::string("SpawnEntities ") + map);
        grow();
    };
    ge.ClientConnect = [](q2edict* ent, char* userinfo) {
        reportClient("ClientConnect", ent);
        return q2bool(std::strstr(userinfo, "banned") == nullptr);
    };
    ge.ClientBegin = [](q2edict* ent) { reportClient("ClientBegin", ent); };
    ge.ClientDisconnect = [](q2edict* ent) { reportClient("ClientDisconnect", ent); };
    ge.ClientThink = [](q2edict*, q2usercmd*) { grow(); };
    ge.RunFrame = grow;
    ge.ServerCommand = serverCommand;
    return &ge;
}

// The game's own table, for the test to hold against what the engine was given.
extern "C" __attribute__((visibility("default"))) q2game_export* StandInExports()
{
    return &ge;
}
