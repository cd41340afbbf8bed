#pragma once
#include "profiles/Profile.h"

#include <QStringList>

#include <exception>
#include <optional>

class Installation;

// The program INI and the current profile's INI as a Profile. Each file is read once per load and written once
// per save, keys in the settings table's orders, so a file made by a save lists its keys as it always has.
namespace profilestore {

// How far a load got: the number of keys of the read order taken into the profile, and the error that stopped it.
struct LoadOutcome {
    int keysRead = 0;
    std::exception_ptr error;
    // The files that exist but could not be read: reported here, and left alone by the saves that follow.
    QStringList unreadable;
};

// Reads the program INI, then the INI of the profile its CurrentUser names, into `profile`. A missing key takes its
// default, and so does a Teamplay, ServerType, KickBack or Empathy that is not an integer; a CurrentUser that breaks
// the profile-name rule becomes "untitled"; a file that exists but cannot be read loads as defaults ("Cannot read
// <path>: <reason>"). Every key is read; the outcome carries the first such error.
// With `profileName`, that profile is loaded in place of the current one; the program INI's keys still load.
LoadOutcome load(Profile& profile, const Installation& installation, bool pak2Present,
                 const std::optional<QString>& profileName = std::nullopt);

// Writes every key of the program INI and of the current profile's INI (throws AppError "Unable to write to <path>";
// a file that could not be written stays as it was). A file of `leaveAlone` that still cannot be read is not
// written: the user was told at the load, and writing it would replace what it holds.
void save(const Profile& profile, const Installation& installation, const QStringList& leaveAlone = {});

} // namespace profilestore
