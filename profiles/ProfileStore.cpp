#include "profiles/ProfileStore.h"

#include "profiles/ProfileNames.h"
#include "profiles/SettingKeys.h"
#include "support/AppError.h"
#include "support/Ini.h"
#include "support/Installation.h"

#include <memory>

namespace profilestore {

LoadOutcome load(Profile& profile, const Installation& installation, bool pak2Present,
                 const std::optional<QString>& profileName)
{
    LoadOutcome outcome;
    const IniFile programIni(installation.programIniPath());
    std::unique_ptr<IniFile> profileIni;
    auto keep = [&outcome](const AppError& error) {
        if (!outcome.error)
            outcome.error = std::make_exception_ptr(error);
    };
    // A file that is there but cannot be read loads as defaults, and the user hears of it.
    auto checkReadable = [&keep, &outcome](const IniFile& file) {
        if (file.readable())
            return;
        outcome.unreadable.append(file.path());
        if (const AppError* tooLarge = file.tooLargeError())
            keep(*tooLarge);
        else
            keep(AppError(QStringLiteral("Cannot read ") + file.path() + QStringLiteral(": ") + file.unreadableReason()));
    };
    checkReadable(programIni);
    for (const SettingKey& key : settingkeys::readOrder()) {
        QString value;
        const QString defaultValue = key.file == SettingFile::Program ? key.defaultValue
                                                                      : settingkeys::defaultFor(key, pak2Present);
        if (key.file == SettingFile::Program) {
            value = programIni.value(settingkeys::Section, key.key, defaultValue);
        } else {
            // CurrentUser comes first, so the profile's file is known by the time its first key is read.
            if (!profileIni) {
                profileIni = std::make_unique<IniFile>(installation.iniPath(profile.currentUser));
                checkReadable(*profileIni);
            }
            value = profileIni->value(settingkeys::Section, key.key, defaultValue);
        }
        try {
            settingkeys::setStoredValue(profile, key, value);
        } catch (const AppError& error) {
            // One bad number costs that key alone: it takes its default and the rest of the file still loads.
            keep(error);
            settingkeys::setStoredValue(profile, key, defaultValue);
        }
        // The name becomes a file name: one that could lead out of the program directory is never used.
        if (key.member == SettingMember(&Profile::currentUser) && !isValidProfileName(profile.currentUser)) {
            keep(AppError(QStringLiteral("Profile name '") + profile.currentUser +
                          QStringLiteral("' is not valid; using \"untitled\".")));
            profile.currentUser = key.defaultValue;
        }
        if (key.member == SettingMember(&Profile::currentUser) && profileName)
            profile.currentUser = *profileName;
        ++outcome.keysRead;
    }
    return outcome;
}

void save(const Profile& profile, const Installation& installation, const QStringList& leaveAlone)
{
    IniFile programIni(installation.programIniPath());
    const QString profilePath = installation.iniPath(profile.currentUser);
    // A profile may carry the program's own name; then both share one file and one write.
    std::unique_ptr<IniFile> ownProfileIni;
    if (profilePath != programIni.path())
        ownProfileIni = std::make_unique<IniFile>(profilePath);
    IniFile& profileIni = ownProfileIni ? *ownProfileIni : programIni;

    for (const SettingKey& key : settingkeys::writeOrder()) {
        IniFile& file = key.file == SettingFile::Program ? programIni : profileIni;
        file.setValue(settingkeys::Section, key.key, settingkeys::storedValue(profile, key));
    }
    const auto skip = [&leaveAlone](const IniFile& file) {
        return !file.readable() && leaveAlone.contains(file.path());
    };
    if (!skip(programIni))
        programIni.save();
    if (ownProfileIni && !skip(*ownProfileIni))
        ownProfileIni->save();
}

} // namespace profilestore
