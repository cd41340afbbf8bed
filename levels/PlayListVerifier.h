#pragma once
// The check before a launch that every level of the play list is installed. No widgets here: the question
// for a missing level is asked through a function the caller gives.
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

class LevelListModel;
namespace levels {
class GameLevels;
}

// Answers "is this level installed?" as a Linux engine finds it: a file maps/<name>.bsp or maps/<lower-case
// name>.bsp by its exact name; with `game`, also what the engine finds in the game's folders, a member
// maps/<name>.bsp of a .pak or zip archive included (the engines compare member names without regard to
// ASCII case); or the first word of a maps.lst line (exactly; maps.lst read from an archive when there is
// no loose one). A maps directory that exists but cannot be listed throws AppError "Cannot read the levels
// folder <path>: <reason>". The directory is listed at the first question and maps.lst read at the first
// level that is found nowhere else, each at most once, which answers exactly as looking both up afresh for
// every level would.
class LevelPresence {
public:
    LevelPresence(QString mapsDir, QString mapsListPath, const levels::GameLevels* game = nullptr);

    // Throws AppError when maps.lst has to be read and cannot be.
    bool isPresent(const QString& level);

    bool mapsDirListed() const { return m_files.has_value(); }
    bool mapsListRead() const { return m_listed.has_value(); }

private:
    QString m_mapsDir;
    QString m_mapsListPath;
    const levels::GameLevels* m_game = nullptr;
    std::optional<QSet<QString>> m_files;
    std::optional<QSet<QString>> m_listed;
};

namespace verify {
// The answers of the missing-level dialog, as VerifyResult holds them.
inline const QString YesToAll = QStringLiteral("All");
inline const QString Yes = QStringLiteral("Yes");
inline const QString No = QStringLiteral("No");
inline const QString Abort = QStringLiteral("Abort");
} // namespace verify

// Asks about one missing level; the dialog's buttons write their answer into `verifyResult`, and closing it
// any other way leaves the answer given before.
using AskMissingLevel = std::function<void(const QString& level, QString& verifyResult)>;

// Walks the play list from first to last. A missing level is removed silently when `autoRemove`, or after
// "Yes to All" was given; otherwise, unless "Abort" was given (which ends the walk at the next missing
// level), the question is asked and "Yes" or "Yes to All" removes it. `verifyResult` starts empty.
// An AppError from `presence` ends the walk; the levels removed so far stay removed.
void verifyPlayList(LevelListModel& play, LevelPresence& presence, bool autoRemove, QString& verifyResult,
                    const AskMissingLevel& ask);
