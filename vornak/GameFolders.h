#pragma once
// The game folders an engine searches for a file, best first, from what is known of it: its variables (as
// the running engine has them, or as a launch sets them), its command line, its binary's place and the
// user's home. Read from the engines' own file-system code (yquake2 src/common/filesystem.c
// FS_BuildRawPath; q2pro src/common/files.c setup_base_paths/setup_game_paths).
#include <string>
#include <vector>

namespace vornak {

struct EngineView {
    bool q2pro = false;                 // the "version" variable starts with q2pro
    std::string game;                   // "game": the mod folder; empty or baseq2 for none
    std::string basedir;                // "basedir": yquake2's data folder when set, q2pro's base folder
    std::string homedir;                // q2pro's "homedir" (empty: none)
    std::string cddir;                  // yquake2's "cddir"
    std::string engineDir;              // the folder of the engine's binary
    std::string moduleDir;              // the folder this module was loaded from
    std::string workingDir;             // relative folders are relative to it
    std::string home;                   // $HOME
    std::string xdgDataHome;            // $XDG_DATA_HOME
    std::vector<std::string> arguments; // the engine's command line
};

// yquake2: for the mod, then for baseq2, each of its roots: the user's folder (~/.yq2, else
// $XDG_DATA_HOME/YamagiQ2 or ~/.local/share/YamagiQ2, or ~/<-cfgdir>; none with -portable), the binary's
// folder, the data folder (basedir, else -datadir, else the working directory), the root the module sits
// in (where a distribution's system folder would be), cddir.
// q2pro: homedir/<mod>, basedir/<mod>, homedir/baseq2, basedir/baseq2.
// Folders that do not exist are left out, and each folder is named once.
std::vector<std::string> gameFolders(const EngineView& view);

} // namespace vornak
