#pragma once
// Where level names come from and how two of them are compared. No widgets here.
#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace levels {

// The key under which a level name is looked up: the whole text with its letter case folded as the user's
// locale folds it. Two names are the same level exactly when their keys are equal; nothing is trimmed.
QString levelKey(const QString& name);

// The same folding for a batch of names: the locale is asked once, not for every name.
class LevelKeyFolder {
public:
    LevelKeyFolder();
    QString operator()(const QString& name) const;

private:
    QLocale m_locale;
    bool m_turkic = false;
};
bool isSameLevel(const QString& a, const QString& b);

// Empty, or only characters 0 to 32: such a name is never added to a list.
bool isBlankLevelName(const QString& name);

// The level names of the directory entries of `dir` that match "*.bsp": every kind of entry (hidden files
// and directories too), the extension matched without regard to case as Windows matches it, and the name
// being the entry's name without its last four characters. In the order the system lists them. A directory
// that is missing, unreadable or not a directory gives no names and no error.
QStringList listLevelFiles(const QString& dir);

// A name the game can be given: no double quote, no semicolon and no control character (CR and LF included).
// Anything else would break the line-based level files or run as a console command from the map line; files
// with such names are not levels.
bool isUsableLevelName(QStringView name);

// The level name of one line of maps.lst: the text before the first space; a line without a space, or one
// that starts with a space, names nothing (an empty name).
QString idLevelName(const QByteArray& line);

// The level names of maps.lst, one per line, in file order (empty names included). Throws AppError when the
// file cannot be read ("File not found" when it is missing).
QStringList readIdLevelNames(const QString& path);

// The lines of a profile's level file, taken as read. A file that cannot be read gives no lines and no error:
// a new profile simply has no play list yet.
QStringList readProfileLevels(const QString& path);

// Files of the installation that the level lists read.
QString mapsListPath();                         // <Quake 2>/baseq2/maps.lst
QString profileLevelsPath(const QString& user); // <program>/<user>_maps.txt
QString skippedLevelsPath();                    // <program>/qskipped.txt

} // namespace levels
