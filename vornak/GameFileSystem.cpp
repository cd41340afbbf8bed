#include "GameFileSystem.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <strings.h>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vornak {

namespace {

constexpr std::string_view LevelFolder = "maps/";
constexpr std::string_view LevelSuffix = ".bsp";
// q2pro looks longer paths up on disk only.
constexpr std::size_t Q2proArchivePathLimit = 64;
// yquake2 tries pak0 to pak99 of each kind by name.
constexpr int NumberedArchives = 100;
// A folder holding more names than this is not listed further.
constexpr std::size_t FolderEntryCap = std::size_t{1} << 20;

std::string asciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool endsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && equalsIgnoringCase(text.substr(text.size() - tail.size()), tail);
}

bool isRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The regular files directly in `folder` whose names `wanted` accepts.
template <class Wanted> std::vector<std::string> listFiles(const std::string& folder, Wanted&& wanted)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    std::size_t seen = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (++seen > FolderEntryCap)
            break;
        const std::string_view name(entry->d_name);
        if (name == "." || name == ".." || !wanted(name))
            continue;
        const bool regular = entry->d_type == DT_REG || ((entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) &&
                                                         isRegularFile(folder + '/' + entry->d_name));
        if (regular)
            names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

const char* const YamagiKinds[] = {"pak", "pk2", "pk3", "pkz", "zip"};

std::vector<std::string> yamagiArchives(const std::string& folder)
{
    const std::vector<std::string> names = listFiles(folder, [](std::string_view name) {
        return std::any_of(std::begin(YamagiKinds), std::end(YamagiKinds),
                           [&](const char* kind) { return endsWith(name, "." + std::string(kind)); });
    });
    const std::set<std::string> present(names.begin(), names.end());
    std::vector<std::string> added; // in the order the engine adds them; it searches the last first
    for (const char* kind : YamagiKinds) {
        for (int n = 0; n < NumberedArchives; ++n) {
            const std::string name = "pak" + std::to_string(n) + '.' + kind;
            if (present.count(name))
                added.push_back(name);
        }
    }
    for (const char* kind : YamagiKinds) {
        const std::string suffix = '.' + std::string(kind);
        for (const std::string& name : present) {
            if (!endsWith(name, suffix))
                continue;
            bool numbered = false;
            for (int n = 0; n < NumberedArchives && !numbered; ++n)
                numbered = equalsIgnoringCase(name, "pak" + std::to_string(n) + suffix);
            if (!numbered)
                added.push_back(name);
        }
    }
    std::reverse(added.begin(), added.end());
    return added;
}

// q2pro's order: pak<N> by number (then by name), before every other name (by name), case ignored.
bool q2proBefore(const std::string& a, const std::string& b)
{
    const bool pakA = a.size() >= 3 && ::strncasecmp(a.c_str(), "pak", 3) == 0;
    const bool pakB = b.size() >= 3 && ::strncasecmp(b.c_str(), "pak", 3) == 0;
    if (pakA != pakB)
        return pakA;
    const char* restA = a.c_str();
    const char* restB = b.c_str();
    if (pakA) {
        char* endA = nullptr;
        char* endB = nullptr;
        const unsigned long numberA = std::strtoul(restA + 3, &endA, 10);
        const unsigned long numberB = std::strtoul(restB + 3, &endB, 10);
        if (numberA != numberB)
            return numberA < numberB;
        restA = endA;
        restB = endB;
    }
    const int order = ::strcasecmp(restA, restB);
    return order != 0 ? order < 0 : a < b;
}

std::vector<std::string> q2proArchives(const std::string& folder)
{
    std::vector<std::string> names = listFiles(folder, [](std::string_view name) {
        return name.front() != '.' && (endsWithIgnoringCase(name, ".pak") || endsWithIgnoringCase(name, ".pkz"));
    });
    std::sort(names.begin(), names.end(), q2proBefore);
    std::reverse(names.begin(), names.end());
    return names;
}

ArchiveFormat formatOf(std::string_view name, Engine engine)
{
    if (engine == Engine::Q2pro)
        return endsWithIgnoringCase(name, ".pkz") ? ArchiveFormat::Zip : ArchiveFormat::Pak;
    return endsWith(name, ".pak") ? ArchiveFormat::Pak : ArchiveFormat::Zip;
}

// The level name inside `maps/<name>.bsp`, when the path is one (folder and suffix compared without case,
// as archive members are), with one name segment.
std::optional<std::string_view> levelNameOf(std::string_view path)
{
    if (path.size() <= LevelFolder.size() + LevelSuffix.size() ||
        !equalsIgnoringCase(path.substr(0, LevelFolder.size()), LevelFolder) ||
        !endsWithIgnoringCase(path, LevelSuffix))
        return std::nullopt;
    const std::string_view name =
        path.substr(LevelFolder.size(), path.size() - LevelFolder.size() - LevelSuffix.size());
    if (name.find('/') != std::string_view::npos)
        return std::nullopt;
    return name;
}

// Paths the finder answers: relative, forward slashes, no empty, `.` or `..` segment.
bool plainPath(std::string_view path)
{
    if (path.empty() || path.find('\\') != std::string_view::npos || path.find('\0') != std::string_view::npos)
        return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        if (segment.empty() || segment == "." || segment == "..")
            return false;
        start = end + 1;
    }
    return true;
}

bool printable(std::string_view path)
{
    return std::all_of(path.begin(), path.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 32 && b < 127;
    });
}

} // namespace

struct GameFileSystem::Folder {
    struct Archive {
        std::string path;
        ArchiveFormat format = ArchiveFormat::Pak;
        std::vector<ArchiveMember> members;
    };
    std::string path;
    std::vector<Archive> archives;               // search order
    std::unordered_set<std::string> looseLevels; // file names in maps/ ending in .bsp
};

namespace {

// Where a path resolved to, before it becomes a FileLocation.
struct Hit {
    std::size_t folder = 0;
    std::size_t archive = SIZE_MAX; // SIZE_MAX: loose
    std::size_t member = 0;
    std::string loosePath; // relative to the folder
};

} // namespace

struct GameFileSystem::Members {
    std::unordered_map<std::string, Hit> first;
};

GameFileSystem::GameFileSystem(std::vector<std::string> folders, Engine engine, const Report& report)
    : m_folders(std::move(folders)), m_engine(engine), m_members(std::make_unique<Members>())
{
    for (const std::string& path : m_folders) {
        auto folder = std::make_unique<Folder>();
        folder->path = path;
        if (isDirectory(path)) {
            for (const std::string& name : archivesOf(path, engine)) {
                Folder::Archive archive;
                archive.path = path + '/' + name;
                archive.format = formatOf(name, engine);
                FileSource source(archive.path);
                if (!source.isOpen()) {
                    if (report)
                        report(archive.path + ": skipped: " + source.openError());
                    continue;
                }
                ArchiveDirectory dir = readDirectory(source, archive.format);
                if (!dir.ok()) {
                    if (report)
                        report(archive.path + ": skipped: " + dir.problem);
                    continue;
                }
                if (dir.skipped && report)
                    report(archive.path + ": " + std::to_string(dir.skipped) + " broken " +
                           (dir.skipped == 1 ? "entry" : "entries") + " left out (" + dir.firstSkipReason + ")");
                archive.members = std::move(dir.members);
                folder->archives.push_back(std::move(archive));
            }
            std::vector<std::string> loose = listFiles(
                path + '/' + std::string(LevelFolder.substr(0, LevelFolder.size() - 1)),
                [](std::string_view name) { return endsWith(name, LevelSuffix) && name.size() > LevelSuffix.size(); });
            if (loose.size() > MemberCountCap)
                loose.resize(MemberCountCap);
            folder->looseLevels.insert(loose.begin(), loose.end());
        }
        m_scanned.push_back(std::move(folder));
    }
    // One look-up answers for every archive: the first member of a name in search order is the one found.
    for (std::size_t f = 0; f < m_scanned.size(); ++f) {
        const Folder& folder = *m_scanned[f];
        for (std::size_t a = 0; a < folder.archives.size(); ++a) {
            const std::vector<ArchiveMember>& members = folder.archives[a].members;
            for (std::size_t i = 0; i < members.size(); ++i)
                m_members->first.emplace(asciiLower(members[i].name), Hit{f, a, i, {}});
        }
    }
}

GameFileSystem::~GameFileSystem() = default;
GameFileSystem::GameFileSystem(GameFileSystem&&) noexcept = default;
GameFileSystem& GameFileSystem::operator=(GameFileSystem&&) noexcept = default;

std::vector<std::string> GameFileSystem::archivesOf(const std::string& folder, Engine engine)
{
    return engine == Engine::Q2pro ? q2proArchives(folder) : yamagiArchives(folder);
}

namespace {

// The engine's search for one path. `members` finds the first archive member of a lower-case name;
// `looseExists` answers for a loose file relative to a folder.
template <class Folders, class Members, class LooseExists>
std::optional<Hit> resolve(const Folders& folders, const Members& members, Engine engine, std::string_view gamePath,
                           LooseExists&& looseExists)
{
    if (!plainPath(gamePath))
        return std::nullopt;
    const std::string lower = asciiLower(gamePath);
    const Hit* member = nullptr;
    if (engine != Engine::Q2pro || gamePath.size() < Q2proArchivePathLimit) {
        const auto found = members.find(lower);
        member = found != members.end() ? &found->second : nullptr;
    }
    const bool onDisk = engine != Engine::Q2pro || printable(gamePath);
    for (std::size_t f = 0; f < folders.size(); ++f) {
        const auto& folder = *folders[f];
        // A folder's archives come before its loose files.
        if (member && member->folder == f)
            return *member;
        if (!onDisk)
            continue;
        if (looseExists(folder, std::string(gamePath)))
            return Hit{f, SIZE_MAX, 0, std::string(gamePath)};
        if (lower != gamePath && looseExists(folder, lower))
            return Hit{f, SIZE_MAX, 0, lower};
    }
    return std::nullopt;
}

template <class Folders> FileLocation locationOf(const Folders& folders, const Hit& hit)
{
    const auto& folder = *folders[hit.folder];
    FileLocation location;
    location.folder = folder.path;
    if (hit.archive == SIZE_MAX) {
        location.path = folder.path + '/' + hit.loosePath;
    } else {
        const auto& archive = folder.archives[hit.archive];
        location.archive = archive.path;
        location.format = archive.format;
        location.member = archive.members[hit.member];
        location.path = location.member.name;
    }
    return location;
}

} // namespace

std::optional<FileLocation> GameFileSystem::find(std::string_view gamePath) const
{
    const auto onDisk = [](const Folder& folder, const std::string& relative) {
        const std::string path = folder.path + '/' + relative;
        return isRegularFile(path) && ::access(path.c_str(), R_OK) == 0;
    };
    const std::optional<Hit> hit = resolve(m_scanned, m_members->first, m_engine, gamePath, onDisk);
    if (!hit)
        return std::nullopt;
    return locationOf(m_scanned, *hit);
}

std::optional<FileLocation> GameFileSystem::findLevel(std::string_view name) const
{
    std::string path;
    path.reserve(LevelFolder.size() + name.size() + LevelSuffix.size());
    path.append(LevelFolder).append(name).append(LevelSuffix);
    return find(path);
}

std::vector<LevelEntry> GameFileSystem::levels() const
{
    // Every spelling some file offers, in search order; each resolved as the engine would, and each file
    // kept under the first spelling that reaches it.
    std::vector<std::string> candidates;
    std::unordered_set<std::string> offered;
    for (const auto& folder : m_scanned) {
        for (const Folder::Archive& archive : folder->archives) {
            for (const ArchiveMember& member : archive.members) {
                if (const auto name = levelNameOf(member.name); name && offered.emplace(*name).second)
                    candidates.emplace_back(*name);
            }
        }
        std::vector<std::string> loose(folder->looseLevels.begin(), folder->looseLevels.end());
        std::sort(loose.begin(), loose.end());
        for (const std::string& file : loose) {
            std::string name = file.substr(0, file.size() - LevelSuffix.size());
            if (offered.insert(name).second)
                candidates.push_back(std::move(name));
        }
    }
    const auto listed = [](const Folder& folder, const std::string& relative) {
        return relative.starts_with(LevelFolder) && folder.looseLevels.count(relative.substr(LevelFolder.size()));
    };
    std::set<std::tuple<std::size_t, std::size_t, std::size_t, std::string>> reached;
    std::vector<LevelEntry> levels;
    for (const std::string& name : candidates) {
        const std::string path = std::string(LevelFolder) + name + std::string(LevelSuffix);
        const std::optional<Hit> hit = resolve(m_scanned, m_members->first, m_engine, path, listed);
        if (!hit || !reached.emplace(hit->folder, hit->archive, hit->member, hit->loosePath).second)
            continue;
        levels.push_back(LevelEntry{name, locationOf(m_scanned, *hit)});
    }
    std::sort(levels.begin(), levels.end(), [](const LevelEntry& a, const LevelEntry& b) { return a.name < b.name; });
    return levels;
}

bool readFile(const FileLocation& location, std::string& bytes, std::string& problem, std::size_t cap)
{
    bytes.clear();
    const std::string& path = location.inArchive() ? location.archive : location.path;
    FileSource source(path);
    if (!source.isOpen()) {
        problem = source.openError();
        return false;
    }
    if (location.inArchive())
        return readMember(source, location.format, location.member, bytes, problem, cap);
    if (source.size() > cap) {
        problem = "larger than " + std::to_string(cap) + " bytes";
        return false;
    }
    try {
        bytes.resize(static_cast<std::size_t>(source.size()));
    } catch (const std::bad_alloc&) {
        problem = "out of memory";
        return false;
    }
    if (!bytes.empty() && !source.readAt(0, bytes.data(), bytes.size())) {
        bytes.clear();
        problem = "cannot read the file";
        return false;
    }
    return true;
}

} // namespace vornak
