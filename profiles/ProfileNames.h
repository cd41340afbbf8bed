#pragma once
#include <QChar>
#include <QString>
#include <QStringList>

// Rules for profile names and for the two lists of file names on the settings pages.

// The typed-key rule of the profile-name field: control characters (Backspace, clipboard shortcuts), "-", "_",
// digits and the letters A-Z / a-z pass; anything else becomes code 0, which drops the key press.
void profileNameKeyFilter(QChar& key);

// The same character rule over a whole name, however it reached the field (typed, pasted, dropped): every
// character the rule does not let through as a name character is removed, control characters included, so a name
// can never leave the program directory ("/", "..") or hide a line break. The empty name stays allowed.
QString cleanProfileName(const QString& name);
// The longest profile name, in bytes (a name's characters are one byte each). Its files' names, and the temporary
// names they are written under, stay well inside the file system's limit of 255.
inline constexpr int MaxProfileNameLength = 64;

// Letters, digits, "-" and "_" only, at most MaxProfileNameLength of them; the empty name is allowed.
bool isValidProfileName(const QString& name);

// The profile list's order: alphabetical without regard to case.
bool profileNameLess(const QString& a, const QString& b);
// Where `name` goes in a list kept in that order.
int sortedInsertPosition(const QStringList& sorted, const QString& name);
// The entry equal to `name` without regard to case, or -1.
int indexOfProfile(const QStringList& names, const QString& name);

// The profile list from the names of the program directory's "*.ini" entries: blank names and the program's own
// INI file (its name in any letter case) are left out, the extension is dropped, and the list is sorted.
QStringList profileEntries(const QStringList& fileNames, const QString& exeBaseName);
// The config-file list: "[None]" first, then the names as listed, extension kept, blank names left out.
QStringList configEntries(const QStringList& fileNames);

// The names of the directory entries matching `pattern` ("<dir>/<wildcard>", the directory relative to the current
// one or absolute). The wildcard ("*" and "?") matches without regard to case, as the game's Windows installations
// expect; every kind of entry counts (hidden ones, directories, links). Sorted by name, ignoring case.
QStringList listMatchingEntries(const QString& pattern);
