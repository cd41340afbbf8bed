#include "profiles/SettingKeys.h"

namespace settingkeys {

namespace {

SettingKey program(const char* key, SettingKind kind, const char* def, const char* control,
                   LoadHook hook = LoadHook::None)
{
    return {SettingFile::Program,     QString::fromLatin1(key),     kind,
            QString::fromLatin1(def), QString::fromLatin1(control), hook};
}

SettingKey profile(const char* key, SettingKind kind, const char* def, const char* control,
                   LoadHook hook = LoadHook::None, bool defaultFollowsPak2 = false)
{
    return {SettingFile::Profile,     QString::fromLatin1(key),     kind,
            QString::fromLatin1(def), QString::fromLatin1(control), hook,
            defaultFollowsPak2};
}

constexpr SettingKind Check = SettingKind::Check;
constexpr SettingKind Text = SettingKind::Text;
constexpr SettingKind Index = SettingKind::Index;
constexpr SettingKind Position = SettingKind::Position;

} // namespace

const QList<SettingKey>& programKeys()
{
    static const QList<SettingKey> keys = {
        program("CurrentUser", Text, "untitled", ""),
        program("SoundDisable", Check, "UNC", "cbSoundDisable", LoadHook::SoundSwitch),
        program("AutoRemove", Check, "UNC", "cbAutoRemove"),
    };
    return keys;
}

const QList<SettingKey>& profileKeys()
{
    static const QList<SettingKey> keys = {
        profile("AllowHealth", Check, "CHK", "cbHealth"),
        profile("AllowPowerups", Check, "CHK", "cbPowerups"),
        profile("AllowArmor", Check, "CHK", "cbAllowArmor"),
        profile("AllowExit", Check, "CHK", "cbAllowExit"),
        profile("InstPower", Check, "CHK", "cbInstPower"),
        profile("SameMap", Check, "UNC", "cbSameMap"),
        profile("SpawnFarthest", Check, "UNC", "cbSpawnFarthest"),
        profile("ForceRespawn", Check, "UNC", "cbForceRespawn"),
        profile("WeaponStay", Check, "UNC", "cbWeaponStay"),
        profile("FallingDamage", Check, "CHK", "cbFalling"),
        profile("InfiniteAmmo", Check, "UNC", "cbInfiniteAmmo"),
        profile("AllowCheat", Check, "UNC", "cbAllowCheat"),
        profile("FixedFov", Check, "UNC", "cbFixedFov"),
        profile("QuadDrop", Check, "UNC", "cbQuadDrop"),
        profile("FriendlyFire", Check, "UNC", "cbFriendlyFire"),
        profile("ShowOriginalLevels", Check, "UNC", "ckOrigLevels"),
        profile("FragLimit", Text, "0", "edFragLimit"),
        profile("TimeLimit", Text, "0", "edTimeLimit"),
        profile("Teamplay", Index, "0", "rgTeamplay"),
        profile("ServerType", Index, "0", "rsServType"),
        profile("RemoteConsole", Check, "UNC", "cbRemoteConsole"),
        profile("BeginnerEmpathy", Check, "UNC", "cbUseEmpathy", LoadHook::EmpathyPanel),
        profile("SkipKey", Text, "", "edSkipKey"),
        profile("Usevweap", Check, "CHK", "chkUseVWeap", LoadHook::VWepEnable, true), // "UNC" without the pak
        profile("RemotePassWord", Text, "", "edROPW"),
        profile("HostName", Text, "", "edHost"),
        profile("MaxClients", Text, "8", "edMaxClients"),
        profile("PassWord", Text, "", "edPW"),
        profile("Port", Text, "27910", "edPort"),
        profile("TimeOut", Text, "125", "edTimeOut"),
        profile("LogFile", Check, "UNC", "cbLogFile"),
        profile("KickBack", Position, "10", "tbKickback"),
        profile("Empathy", Position, "1", "tbEmpathy", LoadHook::TrackBarLabels),
        profile("ConfigFile", Text, "[None]", "cbConfigFiles", LoadHook::FillConfigList),
    };
    return keys;
}

const QList<SettingKey>& writeOrder()
{
    static const QList<SettingKey> keys = [] {
        QList<SettingKey> order;
        order.append(*find(QStringLiteral("CurrentUser")));
        order.append(profileKeys().mid(0, 22)); // AllowHealth .. BeginnerEmpathy
        order.append(*find(QStringLiteral("SoundDisable")));
        order.append(*find(QStringLiteral("AutoRemove")));
        for (const char* key : {"RemotePassWord", "HostName", "MaxClients", "PassWord", "Port", "SkipKey", "TimeOut",
                                "LogFile", "KickBack", "Empathy", "ConfigFile", "Usevweap"})
            order.append(*find(QString::fromLatin1(key)));
        return order;
    }();
    return keys;
}

const SettingKey* find(const QString& key)
{
    for (const QList<SettingKey>* table : {&programKeys(), &profileKeys()})
        for (const SettingKey& k : *table)
            if (k.key == key)
                return &k;
    return nullptr;
}

QString defaultFor(const SettingKey& key, bool pak2Present)
{
    if (key.defaultFollowsPak2)
        return pak2Present ? QStringLiteral("CHK") : QStringLiteral("UNC");
    return key.defaultValue;
}

} // namespace settingkeys
