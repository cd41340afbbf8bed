#pragma once
// What every command of velstrom-cli shares: the program directory, the options given, the profile, output and
// the two ways a command fails.
#include "profiles/Profile.h"
#include "support/Installation.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace levels {
class GameLevels;
}

namespace cli {

enum Exit { Ok = 0, Refused = 1, BadUsage = 2 };

// A command that cannot do what was asked: its message goes to standard error, the exit code is 1.
struct Refusal {
    QString text;
};
// A command line that makes no sense: the message and a pointer to --help go to standard error, exit code 2.
struct UsageError {
    QString text;
};

struct Context {
    Installation inst;
    QString command;
    QStringList words; // after the command
    std::optional<QString> profileName;
    bool json = false;
    QString address;
    int timeoutMs = 3000;
};

// Standard output and standard error, UTF-8, a line at a time.
void print(const QString& line);
void printBytes(const QByteArray& bytes);
void printError(const QString& line);

// A profile as the window would load it, with its play list.
struct LoadedProfile {
    Profile profile;
    bool current = false; // the program's current profile
    // The play list as the window shows it after a load: blank lines and repeats are not part of it.
    QStringList playList;
    // The profile's level file is there but cannot be read (the play list is then empty).
    QString levelsError;
};

// The profile named by --profile, or the current one. A named profile that has no files here is refused.
LoadedProfile loadProfile(const Context& context);

// The levels inside the game's archives, which count as installed by the rules of the engine a launch of
// `profile` starts. A broken archive is left out, and a warning on standard error says why.
levels::GameLevels launchLevels(const Installation& inst, const Profile& profile);

// The commands; each returns its exit code or throws Refusal, UsageError or AppError.
int profilesCommand(const Context& context);
int showCommand(const Context& context);
int checkCommand(const Context& context);
// go and run: the launch, the server started on its own or in this process's place.
int goCommand(const Context& context);
int runCommand(const Context& context);
int statusCommand(const Context& context);
// skip, say and rcon: through the remote console.
int consoleCommand(const Context& context);
int serviceCommand(const Context& context);

} // namespace cli
