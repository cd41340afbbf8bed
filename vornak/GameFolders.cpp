#include "GameFolders.h"

#include <climits>
#include <cstdlib>
#include <set>
#include <strings.h>
#include <sys/stat.h>

namespace vornak {

namespace {

constexpr const char* BaseGame = "baseq2";

bool isDirectory(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string absoluteIn(const std::string& workingDir, const std::string& path)
{
    if (path.empty() || path.front() == '/')
        return path;
    if (path == ".")
        return workingDir;
    return workingDir + '/' + path;
}

// The word after `option` on the command line, when given.
std::string optionValue(const std::vector<std::string>& arguments, const char* option)
{
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == option)
            return arguments[i + 1];
    }
    return {};
}

bool hasOption(const std::vector<std::string>& arguments, const char* option)
{
    for (const std::string& word : arguments) {
        if (word == option)
            return true;
    }
    return false;
}

std::string lastPart(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

std::string parentOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::vector<std::string> yamagiRoots(const EngineView& view)
{
    std::vector<std::string> roots;
    const std::vector<std::string>& args = view.arguments;
    if (!hasOption(args, "-portable") && !view.home.empty()) {
        const std::string cfgdir = optionValue(args, "-cfgdir");
        if (!cfgdir.empty()) {
            roots.push_back(view.home + '/' + cfgdir);
        } else if (isDirectory(view.home + "/.yq2")) {
            roots.push_back(view.home + "/.yq2");
        } else {
            const std::string data = view.xdgDataHome.empty() ? view.home + "/.local/share" : view.xdgDataHome;
            roots.push_back(data + "/YamagiQ2");
        }
    }
    roots.push_back(view.engineDir);
    std::string datadir = view.basedir;
    if (datadir.empty() || datadir == ".")
        datadir = optionValue(args, "-datadir");
    roots.push_back(absoluteIn(view.workingDir, datadir.empty() ? std::string(".") : datadir));
    // Loaded as <root>/<game>/game.so, so that root is one of the engine's, also when it is a
    // distribution's system folder that nothing else names.
    if (!view.moduleDir.empty() && lastPart(view.moduleDir) == (view.game.empty() ? BaseGame : view.game))
        roots.push_back(parentOf(view.moduleDir));
    if (!view.cddir.empty())
        roots.push_back(absoluteIn(view.workingDir, view.cddir));
    return roots;
}

} // namespace

std::vector<std::string> gameFolders(const EngineView& view)
{
    const bool mod = !view.game.empty() && ::strcasecmp(view.game.c_str(), BaseGame) != 0;
    std::vector<std::string> candidates;
    if (view.q2pro) {
        const std::string base = absoluteIn(view.workingDir, view.basedir.empty() ? "." : view.basedir);
        const std::string home = absoluteIn(view.workingDir, view.homedir);
        for (const std::string& game :
             mod ? std::vector<std::string>{view.game, BaseGame} : std::vector<std::string>{BaseGame}) {
            if (!home.empty())
                candidates.push_back(home + '/' + game);
            candidates.push_back(base + '/' + game);
        }
    } else {
        const std::vector<std::string> roots = yamagiRoots(view);
        if (mod) {
            for (const std::string& root : roots)
                candidates.push_back(root + '/' + view.game);
        }
        for (const std::string& root : roots)
            candidates.push_back(root + '/' + BaseGame);
    }
    std::vector<std::string> folders;
    std::set<std::string> seen;
    for (const std::string& folder : candidates) {
        if (!isDirectory(folder))
            continue;
        char real[PATH_MAX];
        const std::string key = ::realpath(folder.c_str(), real) ? std::string(real) : folder;
        if (seen.insert(key).second)
            folders.push_back(key);
    }
    return folders;
}

} // namespace vornak
