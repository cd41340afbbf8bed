#include "cli/CommandLine.h"

#include "cli/CliContext.h"
#include "support/AppError.h"
#include "support/Installation.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace cli {

namespace {

// The window's own name: its INI file, velstrom.ini, is the program INI for both.
const QString WindowProgramName = QStringLiteral("velstrom");

struct CommandEntry {
    int (*run)(const Context&);
    QStringList options; // beyond --dir
    int minWords;
    int maxWords; // -1: any number
};

const QHash<QString, CommandEntry>& commands()
{
    static const QHash<QString, CommandEntry> table = {
        {QStringLiteral("profiles"), {profilesCommand, {}, 0, 0}},
        {QStringLiteral("show"), {showCommand, {QStringLiteral("profile"), QStringLiteral("json")}, 0, 0}},
        {QStringLiteral("check"), {checkCommand, {QStringLiteral("profile")}, 0, 0}},
        {QStringLiteral("go"), {goCommand, {QStringLiteral("profile")}, 0, 0}},
        {QStringLiteral("run"), {runCommand, {QStringLiteral("profile")}, 0, 0}},
        {QStringLiteral("status"),
         {statusCommand,
          {QStringLiteral("profile"), QStringLiteral("json"), QStringLiteral("address"), QStringLiteral("timeout")},
          0,
          0}},
        {QStringLiteral("skip"),
         {consoleCommand, {QStringLiteral("profile"), QStringLiteral("address"), QStringLiteral("timeout")}, 0, 0}},
        {QStringLiteral("say"),
         {consoleCommand, {QStringLiteral("profile"), QStringLiteral("address"), QStringLiteral("timeout")}, 1, -1}},
        {QStringLiteral("rcon"),
         {consoleCommand, {QStringLiteral("profile"), QStringLiteral("address"), QStringLiteral("timeout")}, 1, -1}},
        {QStringLiteral("service"), {serviceCommand, {QStringLiteral("profile")}, 1, 1}},
    };
    return table;
}

QString description()
{
    return QStringLiteral(
        "Velstrom's profiles, checks and server control without a desktop.\n"
        "\n"
        "Commands:\n"
        "  profiles                  the profiles, the current one marked with *\n"
        "  show [--json]             the profile's settings and play list\n"
        "  check                     the levels of the play list that are not installed; exit 1 if any\n"
        "  go                        what Go/Exit does: check, write the files, start the server on its own\n"
        "  run                       the same, then this process becomes the server (for systemd, containers)\n"
        "  status [--json]           the server's level, host name and players; exit 1 when it does not answer\n"
        "  skip                      the server moves on to the next level of the play list\n"
        "  say TEXT...               TEXT to all players\n"
        "  rcon COMMAND...           a console command; the server's answer is printed\n"
        "  service install|remove    a systemd user unit that runs the profile's server\n"
        "\n"
        "They work on the profile the window has current, or on --profile NAME; on the program directory this\n"
        "program is installed in, or --dir. skip, say and rcon go through the remote console with the profile's\n"
        "password. Exit codes: 0 done, 1 refused, 2 bad usage.");
}

// A number of milliseconds, 1 or more.
int parseTimeout(const QString& text)
{
    bool ok = false;
    const int ms = text.toInt(&ok);
    if (!ok || ms < 1)
        throw UsageError{QStringLiteral("--timeout takes a number of milliseconds, not \"") + text + u'"'};
    return ms;
}

} // namespace

void print(const QString& line)
{
    printBytes(line.toUtf8() + '\n');
}

void printBytes(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void printError(const QString& line)
{
    const QByteArray bytes = QStringLiteral("velstrom-cli: ").toUtf8() + line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

int run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption dir(QStringLiteral("dir"),
                                 QStringLiteral("The program directory (default: the one this program is in)."),
                                 QStringLiteral("DIR"));
    const QCommandLineOption profile(QStringLiteral("profile"),
                                     QStringLiteral("The profile (default: the current one)."), QStringLiteral("NAME"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("show, status: JSON for scripts."));
    const QCommandLineOption address(
        QStringLiteral("address"), QStringLiteral("status, skip, say, rcon: the server (default: 127.0.0.1 and the "
                                                  "profile's port)."),
        QStringLiteral("HOST:PORT"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("How long to wait for the server's answer (default: 3000)."),
                                     QStringLiteral("MS"));
    for (const QCommandLineOption& option : {dir, profile, json, address, timeout})
        parser.addOption(option);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of the commands above."),
                                 QStringLiteral("command [words...]"));

    try {
        if (!parser.parse(arguments))
            throw UsageError{parser.errorText()};
        if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
            printBytes(parser.helpText().toUtf8());
            return Ok;
        }
        if (parser.isSet(versionOption)) {
            print(QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion());
            return Ok;
        }
        QStringList words = parser.positionalArguments();
        if (words.isEmpty())
            throw UsageError{QStringLiteral("no command given")};
        Context context;
        context.command = words.takeFirst();
        const auto found = commands().constFind(context.command);
        if (found == commands().cend())
            throw UsageError{QStringLiteral("unknown command \"") + context.command + u'"'};
        const CommandEntry& entry = *found;
        for (const QString& name : parser.optionNames()) {
            if (name != dir.names().constFirst() && !entry.options.contains(name))
                throw UsageError{QStringLiteral("--") + name + QStringLiteral(" does not go with ") + context.command};
        }
        if (words.size() < entry.minWords || (entry.maxWords >= 0 && words.size() > entry.maxWords))
            throw UsageError{entry.maxWords == 0 ? context.command + QStringLiteral(" takes no words")
                                                : QStringLiteral("wrong number of words for ") + context.command};
        context.words = words;

        const QString programDir =
            parser.isSet(dir) ? parser.value(dir) : QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();
        if (!QFileInfo(programDir).isDir())
            throw Refusal{QStringLiteral("No program directory ") + programDir};
        context.inst = Installation(QDir(programDir).absolutePath(), WindowProgramName);
        setInstallation(context.inst);
        if (parser.isSet(profile))
            context.profileName = parser.value(profile);
        context.json = parser.isSet(json);
        context.address = parser.value(address);
        if (parser.isSet(timeout))
            context.timeoutMs = parseTimeout(parser.value(timeout));
        return entry.run(context);
    } catch (const UsageError& e) {
        printError(e.text);
        printError(QStringLiteral("Try 'velstrom-cli --help'."));
        return BadUsage;
    } catch (const Refusal& e) {
        printError(e.text);
        return Refused;
    } catch (const AppError& e) {
        printError(e.text());
        return Refused;
    }
}

} // namespace cli
