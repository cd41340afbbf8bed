#pragma once
// The levels a server can load as the engine finds them: loose level files and the members of the .pak and
// zip archives in the game's folders (the program's own game folder, then baseq2), read through the level
// finder. No widgets here.
#include "vornak/GameFileSystem.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace levels {

// Where a server looks for levels: whose rules (which archives it opens, in which order) and its game folders,
// best first. No folders: the Quake 2 directory's own, the program's game folder and then baseq2.
struct LevelSearch {
    LevelSearch(vornak::Engine rules = vornak::Engine::AnyEngine, std::vector<std::string> folders = {})
        : rules(rules), folders(std::move(folders))
    {
    }
    vornak::Engine rules;
    std::vector<std::string> folders;
};

class GameLevels {
public:
    // No folders: every question is answered from loose files alone.
    GameLevels() = default;
    // Reads the archive directories of the search's folders now. Broken archives are left out; problems() says
    // which.
    GameLevels(const QString& quake2Dir, const LevelSearch& search);

    bool isEmpty() const { return m_files == nullptr; }
    vornak::Engine engine() const { return m_files ? m_files->engine() : vornak::Engine::AnyEngine; }

    // The names of the levels the engine finds outside baseq2/maps (inside archives, or in the game folder),
    // each file once; names the game cannot be given are left out, and so are the names of `idLevels` (the
    // game's own levels, which a retail install keeps in pak0.pak: they are listed with the id levels).
    QStringList extraLevelNames(const QStringList& idLevels = {}) const;
    // The file the engine opens for maps/<name>.bsp: members compared without regard to case, loose files by
    // the exact name and then in lower case.
    std::optional<vornak::FileLocation> find(const QString& name) const;
    // The archive that holds the level, relative to the Quake 2 directory ("baseq2/pak0.pak"); empty for a
    // loose level and for one the engine cannot find.
    QString archiveOf(const QString& name) const;
    // Where the level comes from, for a tooltip: "maps/<member> in baseq2/pak0.pak" or "baseq2/maps/<file>",
    // below the home folder "~/.yq2/baseq2/..."; empty when the engine cannot find it.
    QString sourceOf(const QString& name) const;

    // The names of maps.lst (as readIdLevelNames): the loose <quake2Dir>/baseq2/maps.lst when there is one,
    // else the maps.lst the engine finds inside an archive. Throws AppError when neither can be read.
    QStringList readIdLevelNames() const;

    // The level's title as the game shows it, read from the file or archive member the engine opens; nothing
    // when it has none or cannot be found or read.
    std::optional<QString> title(const QString& name) const;
    // What the label under a list shows: the level's title, or its name; followed by "(in <archive file>)" for
    // a level inside an archive.
    QString description(const QString& name) const;

    // One line per archive that was left out or had broken entries.
    const QStringList& problems() const { return m_problems; }

private:
    QString relative(const std::string& path) const;

    QString m_quake2Dir;
    QString m_canonicalDir; // m_quake2Dir with its links resolved, as the folders may name it
    std::shared_ptr<const vornak::GameFileSystem> m_files;
    QStringList m_problems;
};

} // namespace levels
