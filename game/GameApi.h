#pragma once
// The Quake 2 server/game interface, version 3, as the engines call it: the table of services the
// engine hands to the game and the table of entry points the game hands back. Member order and types
// are fixed by the engines; anything this module never looks into stays opaque.

#ifdef __cplusplus
extern "C" {
#endif

enum { Q2_GAME_API_VERSION = 3 };

typedef int q2bool;
typedef struct q2edict q2edict;     /* the engine reads only its leading part; we only take addresses */
typedef struct q2usercmd q2usercmd; /* a player's input for one frame */
typedef struct q2pmove q2pmove;     /* player movement state */
typedef struct q2trace q2trace;     /* returned by value by the trace service */
typedef float q2vec3[3];

/* A server variable as the engine keeps it. */
typedef struct q2cvar {
    char* name;
    char* string;
    char* latched_string;
    int flags;
    q2bool modified;
    float value;
    struct q2cvar* next;
} q2cvar;

/* What the engine offers the game: 44 services. */
typedef struct q2game_import {
    void (*bprintf)(int printlevel, const char* fmt, ...);
    void (*dprintf)(const char* fmt, ...);
    void (*cprintf)(q2edict* ent, int printlevel, const char* fmt, ...);
    void (*centerprintf)(q2edict* ent, const char* fmt, ...);
    void (*sound)(q2edict* ent, int channel, int soundindex, float volume, float attenuation, float timeofs);
    void (*positioned_sound)(q2vec3 origin, q2edict* ent, int channel, int soundindex, float volume, float attenuation,
                             float timeofs);
    void (*configstring)(int num, const char* string);
    void (*error)(const char* fmt, ...);
    int (*modelindex)(const char* name);
    int (*soundindex)(const char* name);
    int (*imageindex)(const char* name);
    void (*setmodel)(q2edict* ent, const char* name);
    q2trace (*trace)(q2vec3 start, q2vec3 mins, q2vec3 maxs, q2vec3 end, q2edict* passent, int contentmask);
    int (*pointcontents)(q2vec3 point);
    q2bool (*inPVS)(q2vec3 p1, q2vec3 p2);
    q2bool (*inPHS)(q2vec3 p1, q2vec3 p2);
    void (*SetAreaPortalState)(int portalnum, q2bool open);
    q2bool (*AreasConnected)(int area1, int area2);
    void (*linkentity)(q2edict* ent);
    void (*unlinkentity)(q2edict* ent);
    int (*BoxEdicts)(q2vec3 mins, q2vec3 maxs, q2edict** list, int maxcount, int areatype);
    void (*Pmove)(q2pmove* pmove);
    void (*multicast)(q2vec3 origin, int to);
    void (*unicast)(q2edict* ent, q2bool reliable);
    void (*WriteChar)(int c);
    void (*WriteByte)(int c);
    void (*WriteShort)(int c);
    void (*WriteLong)(int c);
    void (*WriteFloat)(float f);
    void (*WriteString)(const char* s);
    void (*WritePosition)(q2vec3 pos);
    void (*WriteDir)(q2vec3 pos);
    void (*WriteAngle)(float f);
    void* (*TagMalloc)(int size, int tag);
    void (*TagFree)(void* block);
    void (*FreeTags)(int tag);
    q2cvar* (*cvar)(const char* name, const char* value, int flags);
    q2cvar* (*cvar_set)(const char* name, const char* value);
    q2cvar* (*cvar_forceset)(const char* name, const char* value);
    int (*argc)(void);
    const char* (*argv)(int n);
    const char* (*args)(void);
    void (*AddCommandString)(const char* text);
    void (*DebugGraph)(float value, int color);
} q2game_import;

/* What the game offers the engine. The engine reads the four edict fields straight from this table. */
typedef struct q2game_export {
    int apiversion;
    void (*Init)(void);
    void (*Shutdown)(void);
    void (*SpawnEntities)(const char* mapname, const char* entstring, const char* spawnpoint);
    void (*WriteGame)(const char* filename, q2bool autosave);
    void (*ReadGame)(const char* filename);
    void (*WriteLevel)(const char* filename);
    void (*ReadLevel)(const char* filename);
    q2bool (*ClientConnect)(q2edict* ent, char* userinfo);
    void (*ClientBegin)(q2edict* ent);
    void (*ClientUserinfoChanged)(q2edict* ent, char* userinfo);
    void (*ClientDisconnect)(q2edict* ent);
    void (*ClientCommand)(q2edict* ent);
    void (*ClientThink)(q2edict* ent, q2usercmd* cmd);
    void (*RunFrame)(void);
    void (*ServerCommand)(void);
    q2edict* edicts;
    int edict_size;
    int num_edicts;
    int max_edicts;
} q2game_export;

typedef q2game_export* (*q2get_game_api)(q2game_import* import);

#ifdef __cplusplus
}
#endif
