#include "profiles/SettingKeys.h"

#include "support/AppError.h"
#include "support/TextUtil.h"

#include <algorithm>

namespace settingkeys {

namespace {

SettingKey program(const char* key, SettingKind kind, const char* def, SettingMember member,
                   LoadHook hook = LoadHook::None)
{
    return {SettingFile::Program, QString::fromLatin1(key), kind, QString::fromLatin1(def), member, hook};
}

SettingKey profile(const char* key, SettingKind kind, const char* def, SettingMember member,
                   LoadHook hook = LoadHook::None, bool defaultFollowsPak2 = false)
{
    return {SettingFile::Profile, QString::fromLatin1(key), kind, QString::fromLatin1(def), member, hook,
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
        program("CurrentUser", Text, "untitled", &Profile::currentUser),
        program("SoundDisable", Check, "UNC", &Profile::soundDisable, LoadHook::SoundSwitch),
        program("AutoRemove", Check, "UNC", &Profile::autoRemove),
    };
    return keys;
}

const QList<SettingKey>& profileKeys()
{
    static const QList<SettingKey> keys = {
        profile("AllowHealth", Check, "CHK", &Profile::health),
        profile("AllowPowerups", Check, "CHK", &Profile::powerups),
        profile("AllowArmor", Check, "CHK", &Profile::allowArmor),
        profile("AllowExit", Check, "CHK", &Profile::allowExit),
        profile("InstPower", Check, "CHK", &Profile::instPower),
        profile("SameMap", Check, "UNC", &Profile::sameMap),
        profile("SpawnFarthest", Check, "UNC", &Profile::spawnFarthest),
        profile("ForceRespawn", Check, "UNC", &Profile::forceRespawn),
        profile("WeaponStay", Check, "UNC", &Profile::weaponStay),
        profile("FallingDamage", Check, "CHK", &Profile::falling),
        profile("InfiniteAmmo", Check, "UNC", &Profile::infiniteAmmo),
        profile("AllowCheat", Check, "UNC", &Profile::allowCheat),
        profile("FixedFov", Check, "UNC", &Profile::fixedFov),
        profile("QuadDrop", Check, "UNC", &Profile::quadDrop),
        profile("FriendlyFire", Check, "UNC", &Profile::friendlyFire),
        profile("ShowOriginalLevels", Check, "UNC", &Profile::showOriginalLevels),
        profile("FragLimit", Text, "0", &Profile::fragLimit),
        profile("TimeLimit", Text, "0", &Profile::timeLimit),
        profile("Teamplay", Index, "0", &Profile::teamplay).withRange(-1, 2),
        profile("ServerType", Index, "0", &Profile::servType).withRange(-1, 1),
        profile("RemoteConsole", Check, "UNC", &Profile::remoteConsole),
        profile("BeginnerEmpathy", Check, "UNC", &Profile::useEmpathy, LoadHook::EmpathyPanel),
        profile("SkipKey", Text, "", &Profile::skipKey),
        profile("Usevweap", Check, "CHK", &Profile::useVWeap, LoadHook::VWepEnable, true), // "UNC" without the pak
        profile("RemotePassWord", Text, "", &Profile::rconPassword),
        profile("HostName", Text, "", &Profile::host),
        profile("MaxClients", Text, "8", &Profile::maxClients),
        profile("PassWord", Text, "", &Profile::password),
        profile("Port", Text, "27910", &Profile::port),
        profile("TimeOut", Text, "125", &Profile::timeOut),
        profile("LogFile", Check, "UNC", &Profile::logFile),
        profile("KickBack", Position, "10", &Profile::kickback).withRange(10, 100),
        profile("Empathy", Position, "1", &Profile::empathy, LoadHook::TrackBarLabels).withRange(1, 7),
        profile("ConfigFile", Text, "[None]", &Profile::configFile, LoadHook::FillConfigList),
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
        // Keys added since then follow in the table's own order.
        for (const SettingKey& key : profileKeys()) {
            const bool listed = std::any_of(order.cbegin(), order.cend(),
                                            [&key](const SettingKey& k) { return k.member == key.member; });
            if (!listed)
                order.append(key);
        }
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

const QList<SettingKey>& readOrder()
{
    static const QList<SettingKey> keys = programKeys() + profileKeys();
    return keys;
}

QString storedValue(const Profile& profile, const SettingKey& key)
{
    switch (key.kind) {
    case SettingKind::Check:
        return checkStateToText(profile.*std::get<CheckMember>(key.member));
    case SettingKind::Text:
        return profile.*std::get<TextMember>(key.member);
    case SettingKind::Index:
    case SettingKind::Position:
        return QString::number(profile.*std::get<IntMember>(key.member));
    }
    return key.defaultValue;
}

void setStoredValue(Profile& profile, const SettingKey& key, const QString& value)
{
    switch (key.kind) {
    case SettingKind::Check:
        profile.*std::get<CheckMember>(key.member) = textToCheckState(value);
        break;
    case SettingKind::Text:
        profile.*std::get<TextMember>(key.member) = value;
        break;
    case SettingKind::Index:
    case SettingKind::Position:
        profile.*std::get<IntMember>(key.member) = std::clamp(toIntOrThrow(value), key.minimum, key.maximum);
        break;
    }
}

QString defaultFor(const SettingKey& key, bool pak2Present)
{
    if (key.defaultFollowsPak2)
        return pak2Present ? QStringLiteral("CHK") : QStringLiteral("UNC");
    return key.defaultValue;
}

} // namespace settingkeys
