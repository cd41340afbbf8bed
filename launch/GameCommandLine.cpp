#include "launch/GameCommandLine.h"

#include "profiles/Profile.h"
#include "support/Quake2Paths.h"

#include <QDir>

#include <algorithm>

#ifndef VELSTROM_GAME_CPU_NAME
#error "the build names q2pro's game module (VELSTROM_GAME_CPU_NAME)"
#endif

namespace {

// The config-file box offers this for "no extra script"; anything else, even the empty text, is a name.
const QString NoConfigFile = QStringLiteral("[None]");

// The game would take a port of blanks alone for no word at all.
bool isBlankPort(const QString& port)
{
    return std::all_of(port.cbegin(), port.cend(), [](QChar c) { return c == u' ' || c == u'\t'; });
}

// The only answer a system without drive letters can give.
bool systemCdRomDrive(QChar)
{
    return false;
}

} // namespace

QString findCdDrive(const std::function<bool(QChar drive)>& isCdRom)
{
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter)
        if (isCdRom(QChar(letter)))
            return QString(QChar(letter));
    return NoCdDrive;
}

QString findCdDrive()
{
    return findCdDrive(systemCdRomDrive);
}

QString gameModuleCpuName()
{
    return QStringLiteral(VELSTROM_GAME_CPU_NAME);
}

QStringList gameArguments(const Profile& p, const QString& quake2Dir, const QString& cdDrive, const QString& programDir)
{
    QStringList args;
    const auto set = [&args](const QString& name, const QString& value) {
        args << QStringLiteral("+set") << name << value;
    };
    if (p.servType == 1)
        set(QStringLiteral("dedicated"), QStringLiteral("1"));
    if (isChecked(p.logFile))
        set(QStringLiteral("logfile"), QStringLiteral("1"));
    args << QStringLiteral("+deathmatch") << QStringLiteral("1");
    // "+set" takes the two words after it whatever they are, so an empty port must not leave "+set port" behind;
    // without it the game uses its default port. q2pro listens on net_port and ignores port.
    if (!isBlankPort(p.port)) {
        set(QStringLiteral("port"), p.port);
        set(QStringLiteral("net_port"), p.port);
    }
    set(QStringLiteral("game"), q2::GameName);
    set(QStringLiteral("basedir"), quake2Dir);
    set(QStringLiteral("sys_forcegamelib"), QDir(programDir).absoluteFilePath(gameModuleCpuName()));
    if (p.configFile != NoConfigFile) {
        args << QStringLiteral("+exec");
        // An empty name has always been no word at all.
        if (!p.configFile.isEmpty())
            args << p.configFile;
    }
    // The game looks a script up by its exact name (then all in lower case), so name it as it is written.
    args << QStringLiteral("+exec") << q2::ConfigScript;
    // A set cddir that names no real directory stops the game at once, so it is only given for a real drive.
    if (cdDrive != NoCdDrive)
        set(QStringLiteral("cddir"), cdDrive + QStringLiteral(":\\install\\data"));
    return args;
}

GameCommand launchCommand(const Profile& profile, const GameEngine& engine, const QString& quake2Dir,
                          const QString& cdDrive, const QString& programDir)
{
    const QString program = engine.found() ? engine.path : quake2Dir + u'/' + q2::GameExecutable;
    return {program, gameArguments(profile, quake2Dir, cdDrive, programDir)};
}

QString shownProgramName(const GameEngine& engine)
{
    return engine.found() ? engine.name : q2::GameExecutable;
}
