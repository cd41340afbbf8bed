#include "launch/GameCommandLine.h"

#include "app/Quake2Paths.h"
#include "support/TextUtil.h"

#include <algorithm>

namespace {

// The config-file box offers this for "no extra script"; anything else, even the empty text, is a name.
const QString NoConfigFile = QStringLiteral("[None]");

// Blanks separate the words of a command line, so a port of blanks alone gives no word.
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

QString FindCdDrive(const std::function<bool(QChar drive)>& isCdRom)
{
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter)
        if (isCdRom(QChar(letter)))
            return QString(QChar(letter));
    return NoCdDrive;
}

QString FindCdDrive()
{
    return FindCdDrive(systemCdRomDrive);
}

QString GameCommandLine(const LaunchSettings& s, const QString& cdDrive)
{
    const QString none;
    QString line = q2::GameExecutable;
    line += ChooseText(s.servType == 1, QStringLiteral(" +set dedicated 1"), none);
    line += ChooseText(isChecked(s.logFile), QStringLiteral(" +set logfile 1"), none);
    line += QStringLiteral(" +deathmatch 1");
    // The game takes the two words after "+set" as name and value. An empty port is no word at all, so
    // "+set port" would swallow the next "+set" and the game name would never be set; without the piece the
    // game simply uses its default port.
    if (!isBlankPort(s.port))
        line += QStringLiteral(" +set port ") + s.port;
    line += QStringLiteral(" +set game ") + QuoteText(q2::GameName);
    line += QStringLiteral(" +set basedir ") + QuoteText(s.quake2Dir);
    if (s.configFile != NoConfigFile)
        line += QStringLiteral(" +exec ") + s.configFile;
    // The game looks a script up by its exact name (then all in lower case), so name it as it is written.
    line += QStringLiteral(" +exec ") + q2::ConfigScript;
    // A set cddir that names no real directory stops the game at once, so it is only given for a real drive.
    if (cdDrive != NoCdDrive)
        line += QStringLiteral(" +set cddir ") + cdDrive + QStringLiteral(":\\install\\data");
    return line;
}
