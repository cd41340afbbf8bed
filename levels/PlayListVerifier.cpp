#include "levels/PlayListVerifier.h"

#include "levels/LevelCatalogue.h"
#include "levels/LevelListModel.h"

LevelPresence::LevelPresence(QString mapsDir, QString mapsListPath)
    : m_mapsDir(std::move(mapsDir)), m_mapsListPath(std::move(mapsListPath))
{
}

bool LevelPresence::isPresent(const QString& level)
{
    if (!m_files) {
        const QStringList names = levels::listLevelFiles(m_mapsDir);
        m_files.emplace(names.cbegin(), names.cend());
    }
    if (m_files->contains(level))
        return true;
    if (!m_listed) {
        QSet<QString> listed;
        for (const QString& name : levels::readIdLevelNames(m_mapsListPath))
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
