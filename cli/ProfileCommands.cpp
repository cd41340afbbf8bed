// profiles, show and check: what is stored in the program directory, read by the window's own rules.
#include "cli/CliContext.h"

#include "launch/EngineFinder.h"
#include "levels/GameLevels.h"
#include "levels/LevelCatalogue.h"
#include "levels/LevelListModel.h"
#include "levels/LevelLists.h"
#include "levels/PlayListVerifier.h"
#include "profiles/PageRules.h"
#include "profiles/ProfileNames.h"
#include "profiles/ProfileStore.h"
#include "profiles/SettingKeys.h"
#include "support/AppError.h"
#include "support/ByteText.h"
#include "support/Quake2Paths.h"
#include "support/TextFile.h"

#include <QFileInfo>
#include <QHash>
#include <QItemSelectionModel>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {

namespace {

QStringList profileList(const Installation& inst)
{
    return profileEntries(listMatchingEntries(inst.programDir() + QStringLiteral("*.ini")), inst.exeBaseName());
}

bool hasFiles(const Installation& inst, const QString& name)
{
    return QFileInfo::exists(inst.iniPath(name)) || QFileInfo::exists(levels::profileLevelsPath(name));
}

// The play list as the window builds it from the profile's level file.
QStringList playListFrom(const QStringList& lines)
{
    LevelListModel available(LevelListModel::Order::Sorted);
    LevelListModel play(LevelListModel::Order::Insertion);
    QItemSelectionModel availableSelection(&available);
    QItemSelectionModel playSelection(&play);
    LevelLists lists(available, availableSelection, play, playSelection);
    lists.appendPlayList(lines);
    return play.names();
}

// The settings as a person reads them: the window's captions.
const QHash<QString, QString>& captions()
{
    static const QHash<QString, QString> table = {
        {QStringLiteral("SoundDisable"), QStringLiteral("Disable Velstrom sound events")},
        {QStringLiteral("AutoRemove"), QStringLiteral("Remove missing levels from the play list")},
        {QStringLiteral("AllowHealth"), QStringLiteral("Allow Health")},
        {QStringLiteral("AllowPowerups"), QStringLiteral("Allow Powerups")},
        {QStringLiteral("AllowArmor"), QStringLiteral("Allow Armor")},
        {QStringLiteral("AllowExit"), QStringLiteral("Allow Exit")},
        {QStringLiteral("InstPower"), QStringLiteral("Instant Powerups")},
        {QStringLiteral("SameMap"), QStringLiteral("Same Map")},
        {QStringLiteral("SpawnFarthest"), QStringLiteral("Spawn Farthest")},
        {QStringLiteral("ForceRespawn"), QStringLiteral("Force Respawn")},
        {QStringLiteral("WeaponStay"), QStringLiteral("Weapons Stay")},
        {QStringLiteral("FallingDamage"), QStringLiteral("Falling Damage")},
        {QStringLiteral("InfiniteAmmo"), QStringLiteral("Infinite Ammo")},
        {QStringLiteral("AllowCheat"), QStringLiteral("Allow Cheats")},
        {QStringLiteral("FixedFov"), QStringLiteral("Fixed FOV")},
        {QStringLiteral("QuadDrop"), QStringLiteral("Quad Drop")},
        {QStringLiteral("FriendlyFire"), QStringLiteral("Friendly Fire")},
        {QStringLiteral("ShowOriginalLevels"), QStringLiteral("Show id Quake 2 Levels")},
        {QStringLiteral("FragLimit"), QStringLiteral("Frag Limit")},
        {QStringLiteral("TimeLimit"), QStringLiteral("Time Limit")},
        {QStringLiteral("Teamplay"), QStringLiteral("Teamplay")},
        {QStringLiteral("ServerType"), QStringLiteral("Server Type")},
        {QStringLiteral("RemoteConsole"), QStringLiteral("Enable Remote Console")},
        {QStringLiteral("BeginnerEmpathy"), QStringLiteral("Player handicapping")},
        {QStringLiteral("SkipKey"), QStringLiteral("Skip Level key")},
        {QStringLiteral("Usevweap"), QStringLiteral("Use VWep patch")},
        {QStringLiteral("RemotePassWord"), QStringLiteral("Rcon Password")},
        {QStringLiteral("HostName"), QStringLiteral("Host Name")},
        {QStringLiteral("MaxClients"), QStringLiteral("Max. Clients")},
        {QStringLiteral("PassWord"), QStringLiteral("Player Access Password")},
        {QStringLiteral("Port"), QStringLiteral("Server Port")},
        {QStringLiteral("TimeOut"), QStringLiteral("Time Out")},
        {QStringLiteral("LogFile"), QStringLiteral("Write to Logfile")},
        {QStringLiteral("KickBack"), QStringLiteral("Weapon Impact Force")},
        {QStringLiteral("Empathy"), QStringLiteral("Empathy Level")},
        {QStringLiteral("ConfigFile"), QStringLiteral("Exec This Config File")},
    };
    return table;
}

QString readableValue(const Profile& profile, const SettingKey& key)
{
    const QString stored = settingkeys::storedValue(profile, key);
    if (key.key == QStringLiteral("RemotePassWord") || key.key == QStringLiteral("PassWord"))
        return stored.isEmpty() ? QStringLiteral("(none)") : QStringLiteral("(set)");
    switch (key.kind) {
    case SettingKind::Check: {
        const Qt::CheckState state = profile.*std::get<CheckMember>(key.member);
        return state == Qt::Checked ? QStringLiteral("yes") : state == Qt::Unchecked ? QStringLiteral("no")
                                                                                      : QStringLiteral("greyed (no)");
    }
    case SettingKind::Index: {
        const int index = profile.*std::get<IntMember>(key.member);
        const QStringList items = key.key == QStringLiteral("Teamplay")
                                      ? QStringList{QStringLiteral("Disabled"), QStringLiteral("Teams By Skin"),
                                                    QStringLiteral("Teams By Model")}
                                      : QStringList{QStringLiteral("Listen"), QStringLiteral("Dedicated")};
        return index >= 0 && index < items.size() ? items[index] : QStringLiteral("(none)");
    }
    case SettingKind::Position:
        if (key.key == QStringLiteral("KickBack"))
            return stored + QStringLiteral(" (") + kickbackText(profile.kickback) + u')';
        return stored;
    case SettingKind::Text:
        return stored.isEmpty() ? QStringLiteral("(empty)") : stored;
    }
    return stored;
}

} // namespace

LoadedProfile loadProfile(const Context& context)
{
    const Installation& inst = context.inst;
    if (context.profileName && !isValidProfileName(*context.profileName))
        throw UsageError{QStringLiteral("a profile name is letters, digits, \"-\" and \"_\" only: \"") +
                         *context.profileName + u'"'};
    LoadedProfile loaded;
    const bool pak2Present = QFileInfo::exists(inst.quake2Dir() + q2::Pak2);
    Profile current;
    const profilestore::LoadOutcome outcome = profilestore::load(current, inst, pak2Present);
    if (!context.profileName || *context.profileName == current.currentUser) {
        loaded.profile = current;
        loaded.current = true;
        if (outcome.error) {
            try {
                std::rethrow_exception(outcome.error);
            } catch (const AppError& e) {
                printError(QStringLiteral("warning: ") + e.text());
            }
        }
    } else {
        if (!hasFiles(inst, *context.profileName))
            throw Refusal{QStringLiteral("There is no profile \"") + *context.profileName + QStringLiteral("\" in ") +
                          inst.programDir().chopped(1) + u'.'};
        const profilestore::LoadOutcome named =
            profilestore::load(loaded.profile, inst, pak2Present, *context.profileName);
        if (named.error) {
            try {
                std::rethrow_exception(named.error);
            } catch (const AppError& e) {
                printError(QStringLiteral("warning: ") + e.text());
            }
        }
    }
    const QString levelsPath = levels::profileLevelsPath(loaded.profile.currentUser);
    try {
        loaded.playList = playListFrom(textfile::readUtf8Lines(levelsPath));
    } catch (const AppError& e) {
        // No level file yet is an empty play list.
        if (QFileInfo(levelsPath).exists() || QFileInfo(levelsPath).isSymLink())
            loaded.levelsError = QStringLiteral("Cannot read ") + levelsPath + QStringLiteral(": ") + e.text();
    }
    loaded.profile.playList = loaded.playList;
    return loaded;
}

int profilesCommand(const Context& context)
{
    const Installation& inst = context.inst;
    Profile current;
    profilestore::load(current, inst, false);
    QStringList names = profileList(inst);
    if (indexOfProfile(names, current.currentUser) < 0)
        names.insert(sortedInsertPosition(names, current.currentUser), current.currentUser);
    for (const QString& name : std::as_const(names))
        print((name == current.currentUser ? QStringLiteral("* ") : QStringLiteral("  ")) + name);
    return Ok;
}

int showCommand(const Context& context)
{
    const LoadedProfile loaded = loadProfile(context);
    const Profile& profile = loaded.profile;
    if (!loaded.levelsError.isEmpty())
        printError(QStringLiteral("warning: ") + loaded.levelsError);
    if (context.json) {
        QJsonObject settings;
        for (const SettingKey& key : settingkeys::readOrder())
            if (key.member != SettingMember(&Profile::currentUser))
                settings.insert(key.key, settingkeys::storedValue(profile, key));
        const QJsonObject document{
            {QStringLiteral("profile"), profile.currentUser},
            {QStringLiteral("current"), loaded.current},
            {QStringLiteral("programDir"), context.inst.programDir()},
            {QStringLiteral("settings"), settings},
            {QStringLiteral("playList"), QJsonArray::fromStringList(loaded.playList)},
        };
        printBytes(QJsonDocument(document).toJson(QJsonDocument::Indented));
        return Ok;
    }
    print(QStringLiteral("Profile: ") + profile.currentUser + (loaded.current ? QStringLiteral(" (current)") : QString()));
    print(QStringLiteral("Program directory: ") + context.inst.programDir());
    print(QString());
    for (const SettingKey& key : settingkeys::readOrder()) {
        if (key.member == SettingMember(&Profile::currentUser))
            continue;
        const QString caption = captions().value(key.key, key.key);
        print(QStringLiteral("%1 %2").arg(caption + u':', -42).arg(readableValue(profile, key)));
    }
    print(QString());
    print(QStringLiteral("Levels to Play (%1):").arg(loaded.playList.size()));
    for (const QString& level : loaded.playList)
        printBytes("  " + bytetext::encode(level) + '\n');
    return Ok;
}

levels::GameLevels launchLevels(const Installation& inst, const Profile& profile)
{
    const QString quake2Dir = inst.quake2Dir();
    levels::GameLevels game(quake2Dir, levelSearch(findGameEngine(quake2Dir, profile.servType), quake2Dir));
    // A broken archive is left out; its levels then count as missing, and this says why.
    for (const QString& problem : game.problems())
        printError(QStringLiteral("warning: ") + problem);
    return game;
}

int checkCommand(const Context& context)
{
    const LoadedProfile loaded = loadProfile(context);
    if (!loaded.levelsError.isEmpty())
        throw Refusal{loaded.levelsError};
    // As the window checks before a launch.
    const QString quake2Dir = context.inst.quake2Dir();
    const levels::GameLevels game = launchLevels(context.inst, loaded.profile);
    LevelPresence presence(quake2Dir + q2::MapsSubdir, levels::mapsListPath(), &game);
    QStringList missing;
    try {
        for (const QString& level : loaded.playList)
            if (!presence.isPresent(level))
                missing.append(level);
    } catch (const AppError& e) {
        throw Refusal{levels::mapsListPath() + QStringLiteral(": ") + e.text()};
    }
    for (const QString& level : std::as_const(missing))
        printBytes(bytetext::encode(level) + '\n');
    if (!missing.isEmpty()) {
        printError(QStringLiteral("%1 of the %2 levels to play are not installed.")
                       .arg(missing.size())
                       .arg(loaded.playList.size()));
        return Refused;
    }
    print(QStringLiteral("All %1 levels to play are installed.").arg(loaded.playList.size()));
    return Ok;
}

} // namespace cli
