#include "levels/GameLevels.h"

#include "levels/LevelCatalogue.h"
#include "levels/LevelTitle.h"
#include "support/AppError.h"
#include "support/ByteText.h"
#include "support/Quake2Paths.h"
#include "support/TextFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace levels {

namespace {

std::string native(const QString& text)
{
    return bytetext::encode(text).toStdString();
}

QString fromNative(const std::string& text)
{
    return bytetext::decode(QByteArray::fromStdString(text));
}

QString fileName(const QString& path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

GameLevels::GameLevels(const QString& quake2Dir, const LevelSearch& search)
    : m_quake2Dir(quake2Dir), m_canonicalDir(QFileInfo(quake2Dir).canonicalFilePath())
{
    std::vector<std::string> folders = search.folders;
    if (folders.empty())
        folders = {native(quake2Dir + u'/' + q2::GameName), native(quake2Dir + QStringLiteral("/baseq2"))};
    m_files = std::make_shared<const vornak::GameFileSystem>(
        std::move(folders), search.rules, [this](const std::string& text) { m_problems.append(fromNative(text)); });
}

QStringList GameLevels::extraLevelNames(const QStringList& idLevels) const
{
    QStringList names;
    if (!m_files)
        return names;
    const LevelKeyFolder fold;
    QSet<QString> ids;
    for (const QString& id : idLevels)
        ids.insert(fold(id));
    const std::string baseq2 = native(m_quake2Dir + QStringLiteral("/baseq2"));
    const std::string canonicalBaseq2 = native(m_canonicalDir + QStringLiteral("/baseq2"));
    for (const vornak::LevelEntry& level : m_files->levels()) {
        // The loose files of baseq2/maps are listed as the directory gives them, by the catalogue itself.
        if (!level.location.inArchive() &&
            (level.location.folder == baseq2 || level.location.folder == canonicalBaseq2))
            continue;
        QString name = fromNative(level.name);
        if (isUsableLevelName(name) && !ids.contains(fold(name)))
            names.append(std::move(name));
    }
    return names;
}

std::optional<vornak::FileLocation> GameLevels::find(const QString& name) const
{
    if (!m_files || !isUsableLevelName(name))
        return std::nullopt;
    return m_files->findLevel(native(name));
}

QString GameLevels::relative(const std::string& path) const
{
    const QString full = fromNative(path);
    for (const QString& dir : {m_quake2Dir, m_canonicalDir}) {
        if (!dir.isEmpty() && full.startsWith(dir + u'/'))
            return full.mid(dir.size() + 1);
    }
    // The engine's user folder (~/.yq2, ~/.q2pro) as its users write it.
    const QString home = QDir::homePath();
    if (home != QDir::rootPath() && full.startsWith(home + u'/'))
        return u'~' + full.mid(home.size());
    return full;
}

QString GameLevels::archiveOf(const QString& name) const
{
    const std::optional<vornak::FileLocation> location = find(name);
    return location && location->inArchive() ? relative(location->archive) : QString();
}

QString GameLevels::sourceOf(const QString& name) const
{
    const std::optional<vornak::FileLocation> location = find(name);
    if (!location)
        return QString();
    if (location->inArchive())
        return fromNative(location->path) + QStringLiteral(" in ") + relative(location->archive);
    return relative(location->path);
}

QStringList GameLevels::readIdLevelNames() const
{
    const QString loose = m_quake2Dir + q2::MapsList;
    if (m_files && !QFileInfo::exists(loose) && !QFileInfo(loose).isSymLink()) {
        if (const std::optional<vornak::FileLocation> location = m_files->find("maps.lst");
            location && location->inArchive()) {
            std::string bytes;
            std::string problem;
            if (!vornak::readFile(*location, bytes, problem))
                throw AppError(relative(location->archive) + QStringLiteral(": maps.lst: ") + fromNative(problem));
            QStringList names;
            for (const QByteArray& line : textfile::splitLines(QByteArray::fromStdString(bytes)))
                names.append(idLevelName(line));
            return names;
        }
    }
    return levels::readIdLevelNames(loose);
}

std::optional<QString> GameLevels::title(const QString& name) const
{
    const std::optional<vornak::FileLocation> location = find(name);
    std::optional<QByteArray> title;
    if (!location || !location->inArchive()) {
        // A loose level: its file, found as before (also when only the name's letter case differs).
        title = readLevelTitle(location ? fromNative(location->path) : levelFilePath(m_quake2Dir, name));
    } else {
        std::string bytes;
        std::string problem;
        if (vornak::readFile(*location, bytes, problem))
            title = readLevelTitleInMemory(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())));
    }
    if (!title)
        return std::nullopt;
    return titleForDisplay(*title);
}

QString GameLevels::description(const QString& name) const
{
    const QString shown = title(name).value_or(name);
    const QString archive = archiveOf(name);
    return archive.isEmpty() ? shown : shown + QStringLiteral(" (in ") + fileName(archive) + u')';
}

} // namespace levels
