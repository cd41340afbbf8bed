#pragma once
#include <QString>
#include <QStringList>

class Installation;
struct Profile;

// The server configuration script that the game runs at start (Velstrom.cfg) and the rules behind it.

// The game's dmflags: the sum of the bits the deathmatch boxes and the teamplay choice stand for.
int dmflagsValue(const Profile& settings);

// The handicap factor as the game's number parser reads it: shortest general form with a "." whatever the
// user's locale ("4", "3.5"); the game would read "3,5" as 3.
QString empathyFactorText(double factor);

// A script being composed, one console command a line.
class ConfigScript {
public:
    // set <name> "<value>"
    void writeSetLine(const QString& name, const QString& value);
    // bind <key> "<command>";
    void writeBindLine(const QString& command, const QString& key);
    // A line as it stands.
    void writeLine(const QString& line);

    const QStringList& lines() const { return m_lines; }

private:
    QStringList m_lines;
};

// The lines of Velstrom.cfg for these settings, in the order the game must run them; the map line names the
// first level of the play list.
QStringList serverConfigLines(const Profile& settings);

// Throws AppError "The <field> contains a double quote, which the game cannot read." for a value the script
// would write between double quotes (host name, password, rcon password, the skip key's bind) when it holds one,
// and for a skip key holding a semicolon: the rest of the line would run as console commands.
void checkScriptValues(const Profile& settings);

// Velstrom.cfg in the program directory, which is the game directory the game reads it from.
void writeServerConfig(const Installation& inst, const Profile& profile);
