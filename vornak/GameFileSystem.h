#pragma once
// The game's file system as a Quake 2 engine sees it: an ordered list of game folders, each with its loose
// files and the archives it holds. It answers which file a game path such as `maps/q2dm1.bsp` means, lists
// every level once with where it comes from, and reads one file's bytes. No Qt.
//
// What the engines do (yquake2 69599f5a src/common/filesystem.c, q2pro 3aa0d40b src/common/files.c):
// - Folders are searched in order, the first that has the file wins. Inside one folder both engines
//   search its archives before its loose files (an archive member wins over a loose file of the same
//   folder; a loose file wins over any archive of a later folder).
// - yquake2 takes the archive kinds pak, pk2, pk3, pkz and zip: first pak0..pak99 of each kind (file
//   names exactly so), then the folder's other `*.<kind>` files (the kind in lower case); a later one is
//   searched before an earlier one. It lists the others in the order the directory gives them; here they
//   are taken in byte order of their names.
// - q2pro takes only .pak (PACK) and .pkz (zip), the extension in any case, sorted pak<N> by number first,
//   then the rest by name without regard to case; a later one is searched first. It reads no .pk3.
// - Loose files: the path exactly, then the whole path in lower case.
// - Archive members: both engines compare names without regard to (ASCII) case; q2pro looks paths of
//   64 bytes or more up on disk only.
#include "ArchiveDirectory.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vornak {

enum class Engine {
    YamagiQuake2,
    Q2pro,
    AnyEngine, // every archive kind either engine reads, in yquake2's order
};

// Where a game path was found.
struct FileLocation {
    std::string folder;  // the game folder
    std::string archive; // the archive's full path; empty for a loose file
    std::string path;    // the loose file's full path, or the member's name as stored
    ArchiveFormat format = ArchiveFormat::Pak;
    ArchiveMember member; // for a member: its directory entry

    bool inArchive() const { return !archive.empty(); }
};

struct LevelEntry {
    std::string name; // as a play list names it: `maps/<name>.bsp`
    FileLocation location;
};

class GameFileSystem {
public:
    // One line per archive that is skipped or has broken entries; the text names the archive.
    using Report = std::function<void(const std::string& text)>;

    // Reads every folder's archive directories now. Folders that do not exist are left out silently.
    GameFileSystem(std::vector<std::string> folders, Engine engine, const Report& report = {});
    ~GameFileSystem();
    GameFileSystem(GameFileSystem&&) noexcept;
    GameFileSystem& operator=(GameFileSystem&&) noexcept;

    // The file the engine opens for `gamePath` (forward slashes, relative to a game folder).
    std::optional<FileLocation> find(std::string_view gamePath) const;
    // The same for `maps/<name>.bsp`.
    std::optional<FileLocation> findLevel(std::string_view name) const;
    // Every level the engine can find as `maps/<name>.bsp` with one name segment, each file once, by name.
    std::vector<LevelEntry> levels() const;

    const std::vector<std::string>& folders() const { return m_folders; }
    Engine engine() const { return m_engine; }

    // The archive files of a folder as the engine picks them, in search order (first searched first).
    static std::vector<std::string> archivesOf(const std::string& folder, Engine engine);

private:
    struct Folder;
    struct Members;
    std::vector<std::string> m_folders;
    Engine m_engine;
    std::vector<std::unique_ptr<Folder>> m_scanned;
    std::unique_ptr<Members> m_members; // every archive member by lower-case name, the first in search order
};

// A found file's bytes, capped; a member is read (and inflated) from its archive.
bool readFile(const FileLocation& location, std::string& bytes, std::string& problem, std::size_t cap = MemberSizeCap);

} // namespace vornak
