#pragma once
#include <QList>
#include <QString>

// Every stored setting in one table: the INI key, how its text maps onto its control, its default when the
// file lacks it, and the control (objectName) that holds it while the program runs. Loading and saving both
// walk this table; they only differ in the order, which is fixed by what earlier versions wrote.

enum class SettingKind {
    Check,    // "UNC" / "CHK" / "GRAY" onto a check box
    Text,     // an edit's or combo box's text, unchanged
    Index,    // a radio group's item index, -1 for none
    Position, // a track bar's position
};

enum class SettingFile { Program, Profile };

// Work the load does right around a key, besides putting its value into the control.
enum class LoadHook {
    None,
    SoundSwitch,    // after: SoundsEnabled follows the box
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
    QString control;      // objectName; empty for CurrentUser, which lives in the window's state
    LoadHook hook = LoadHook::None;
    bool defaultFollowsPak2 = false; // default "CHK" with the VWep pak, "UNC" without
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

} // namespace settingkeys
