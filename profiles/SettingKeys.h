#pragma once
#include "profiles/Profile.h"

#include <QList>
#include <QString>

#include <variant>

// Every stored setting in one table: the INI key, how its text maps onto the Profile member that holds it, and its
// default when the file lacks it. Loading and saving both walk this table; they only differ in the order, which
// is fixed by what earlier versions wrote.

enum class SettingKind {
    Check,    // "UNC" / "CHK" / "GRAY": a check box's state
    Text,     // an edit's or combo box's text, unchanged
    Index,    // a radio group's item index, -1 for none
    Position, // a track bar's position
};

using CheckMember = Qt::CheckState Profile::*;
using TextMember = QString Profile::*;
using IntMember = int Profile::*;
using SettingMember = std::variant<CheckMember, TextMember, IntMember>;

enum class SettingFile { Program, Profile };

// Work the load does right around a key, besides putting its value into the control.
enum class LoadHook {
    None,
    SoundSwitch,    // after: soundsEnabled follows the box
    EmpathyPanel,   // after: the handicap panel follows the loaded box
    VWepEnable,     // after: the VWep box is usable only with the VWep pak installed
    TrackBarLabels, // after: the kickback and empathy labels show the loaded positions
    FillConfigList, // before: the config-file list is refilled first, then its text is set
};

struct SettingKey {
    SettingFile file;
    QString key;
    SettingKind kind;
    QString defaultValue; // for Usevweap: the default when the VWep pak is installed
    SettingMember member;
    LoadHook hook = LoadHook::None;
    bool defaultFollowsPak2 = false; // default "CHK" with the VWep pak, "UNC" without
    // Index and Position: the values the control can show. A stored value outside is taken as the nearest end, as
    // the radio group (-1 for none up to its last item) or the track bar would show it.
    int minimum = 0;
    int maximum = 0;

    SettingKey withRange(int low, int high) const
    {
        SettingKey ranged = *this;
        ranged.minimum = low;
        ranged.maximum = high;
        return ranged;
    }
};

namespace settingkeys {

inline const QString Section = QStringLiteral("Options");

// The three keys of the program INI, in the order the load reads them.
const QList<SettingKey>& programKeys();
// The 34 keys of a profile INI, in the order the load reads them.
const QList<SettingKey>& profileKeys();
// Every key in the order a save writes it: CurrentUser, profile keys 1 to 22, SoundDisable, AutoRemove, then the
// rest of the profile keys in their own order. A file created by a save lists its keys in this order.
const QList<SettingKey>& writeOrder();

// The entry for a key (profile or program), or nullptr.
const SettingKey* find(const QString& key);

// The default a missing key takes.
QString defaultFor(const SettingKey& key, bool pak2Present);

// Every key in the order the load reads it: the program keys, then the profile keys.
const QList<SettingKey>& readOrder();

// The member's value in its stored form, and the stored form put into the member. Index and Position values that
// are not integers throw AppError "'<text>' is not a valid integer value" and leave the member alone; integers
// outside the key's range become its nearest end.
QString storedValue(const Profile& profile, const SettingKey& key);
void setStoredValue(Profile& profile, const SettingKey& key, const QString& value);

} // namespace settingkeys
