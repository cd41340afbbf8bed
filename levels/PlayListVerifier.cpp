#include "levels/PlayListVerifier.h"

#include "levels/GameLevels.h"
#include "levels/LevelCatalogue.h"
#include "levels/LevelListModel.h"
#include "support/AppError.h"
#include "support/ByteText.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>

namespace {

// The levels a Linux engine can open: it looks for maps/<name>.bsp by its exact name, then all in lower case, so
// only files ending in exactly ".bsp" count. A folder that is missing holds no levels; one that cannot be listed
// is an error, never an empty folder: the check would remove every level of the play list.
QSet<QString> openableLevelFiles(const QString& dir)
{
    QSet<QString> names;
    const QByteArray native = bytetext::encode(dir);
    DIR* d = ::opendir(native.constData());
    if (d == nullptr) {
        const int err = errno;
        if (err == ENOENT)
            return names;
        throw AppError(QStringLiteral("Cannot read the levels folder ") + dir + QStringLiteral(": ") +
                       QString::fromLocal8Bit(std::strerror(err)));
    }
    while (const dirent* entry = ::readdir(d)) {
        const size_t length = std::strlen(entry->d_name);
        if (length > 4 && std::strcmp(entry->d_name + length - 4, ".bsp") == 0)
            names.insert(bytetext::decode(QByteArray(entry->d_name, qsizetype(length) - 4)));
    }
    ::closedir(d);
    return names;
}

// The engines lower a name byte by byte, A to Z only.
QString asciiLower(const QString& name)
{
    QString lower = name;
    for (QChar& c : lower)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return lower;
}

} // namespace

LevelPresence::LevelPresence(QString mapsDir, QString mapsListPath, const levels::GameLevels* game)
    : m_mapsDir(std::move(mapsDir)), m_mapsListPath(std::move(mapsListPath)), m_game(game)
{
}

bool LevelPresence::isPresent(const QString& level)
{
    if (!levels::isUsableLevelName(level))
        return false;
    if (!m_files)
        m_files = openableLevelFiles(m_mapsDir);
    if (m_files->contains(level) || m_files->contains(asciiLower(level)))
        return true;
    if (m_game && m_game->find(level))
        return true;
    if (!m_listed) {
        QSet<QString> listed;
        const QStringList names = m_game ? m_game->readIdLevelNames() : levels::readIdLevelNames(m_mapsListPath);
        for (const QString& name : names)
            if (!name.isEmpty()) // a line without a blank names nothing
                listed.insert(name);
        m_listed = std::move(listed);
    }
    return m_listed->contains(level);
}

void verifyPlayList(LevelListModel& play, LevelPresence& presence, bool autoRemove, QString& verifyResult,
                    const AskMissingLevel& ask)
{
    verifyResult.clear();
    // Removals wait here and leave the list together, so a long list loses its missing levels in one step;
    // they are applied before every question, so the dialog is asked over the list as it then stands.
    const QStringList names = play.names();
    QList<int> pending; // rows of `names`
    int applied = 0;    // rows of `names` already gone from the list, all before the row being checked
    const auto applyRemovals = [&] {
        QList<int> rows;
        rows.reserve(pending.size());
        for (const int row : pending)
            rows.append(row - applied);
        play.removeRowList(rows);
        applied += int(pending.size());
        pending.clear();
    };

    try {
        for (int i = 0; i < names.size(); ++i) {
            const QString& level = names.at(i);
            if (presence.isPresent(level))
                continue;
            if (autoRemove) {
                pending.append(i);
                continue;
            }
            if (verifyResult == verify::Abort)
                break;
            if (verifyResult == verify::YesToAll) {
                pending.append(i);
                continue;
            }
            applyRemovals();
            ask(level, verifyResult);
            if (verifyResult == verify::Yes || verifyResult == verify::YesToAll)
                pending.append(i);
        }
    } catch (...) {
        applyRemovals();
        throw;
    }
    applyRemovals();
}
