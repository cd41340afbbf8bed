// service install / remove: a systemd user unit that runs a profile's server under the user's service manager.
#include "cli/CliContext.h"

#include "support/AppError.h"
#include "support/TextFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace cli {

namespace {

QString unitName(const QString& profile)
{
    return QStringLiteral("velstrom-") + profile + QStringLiteral(".service");
}

QString unitDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/systemd/user");
}

// One word of ExecStart=: quoted when it holds more than plain path characters; "%" and "$" are systemd's own.
QString execWord(const QString& word)
{
    if (word.contains(u'\n') || word.contains(u'\r'))
        throw Refusal{QStringLiteral("A systemd unit cannot run a path with a line break: ") + word};
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9/._+=:,@-]+$"));
    QString quoted = word;
    if (!plain.match(word).hasMatch()) {
        quoted.replace(u'\\', QStringLiteral("\\\\"));
        quoted.replace(u'"', QStringLiteral("\\\""));
        quoted = u'"' + quoted + u'"';
    }
    quoted.replace(u'%', QStringLiteral("%%"));
    quoted.replace(u'$', QStringLiteral("$$"));
    return quoted;
}

QByteArray unitText(const QString& cliPath, const QString& programDir, const QString& profile)
{
    const QStringList words{cliPath, QStringLiteral("run"), QStringLiteral("--dir"), programDir,
                            QStringLiteral("--profile"), profile};
    QStringList exec;
    for (const QString& word : words)
        exec.append(execWord(word));
    const QString text = QStringLiteral("[Unit]\n"
                                        "Description=Quake 2 server of the Velstrom profile %1\n"
                                        "\n"
                                        "[Service]\n"
                                        "ExecStart=%2\n"
                                        "Restart=on-failure\n"
                                        "RestartSec=5\n"
                                        "\n"
                                        "[Install]\n"
                                        "WantedBy=default.target\n")
                             .arg(profile, exec.join(u' '));
    return text.toUtf8();
}

// A user service manager listens on this socket while it runs.
bool userManagerRunning()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/systemd/private"));
}

void systemctl(const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QStringLiteral("systemctl"), QStringList{QStringLiteral("--user")} + arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        printError(QStringLiteral("warning: systemctl --user ") + arguments.join(u' ') + QStringLiteral(" failed"));
}

} // namespace

int serviceCommand(const Context& context)
{
    const QString action = context.words.constFirst();
    if (action != QStringLiteral("install") && action != QStringLiteral("remove"))
        throw UsageError{QStringLiteral("service takes install or remove, not \"") + action + u'"'};
    const LoadedProfile loaded = loadProfile(context);
    const QString profile = loaded.profile.currentUser;
    if (profile.isEmpty())
        throw Refusal{QStringLiteral("A profile with an empty name cannot have a service.")};
    const QString name = unitName(profile);
    const QString path = unitDirectory() + u'/' + name;

    if (action == QStringLiteral("install")) {
        if (!QDir().mkpath(unitDirectory()))
            throw AppError::unableToWrite(unitDirectory());
        textfile::writeBytes(path, unitText(QCoreApplication::applicationFilePath(),
                                            context.inst.programDir().chopped(1), profile));
        print(QStringLiteral("Wrote ") + path);
        if (userManagerRunning())
            systemctl({QStringLiteral("daemon-reload")});
        print(QStringLiteral("Start the server now and at every start of your service manager with:"));
        print(QStringLiteral("  systemctl --user enable ") + name);
        print(QStringLiteral("  systemctl --user start ") + name);
        print(QStringLiteral("To keep it running while you are not logged in: loginctl enable-linger"));
        return Ok;
    }

    if (!QFileInfo::exists(path))
        throw Refusal{QStringLiteral("There is no service ") + path + u'.'};
    if (userManagerRunning())
        systemctl({QStringLiteral("disable"), QStringLiteral("--now"), name});
    // Enabled while no manager ran: the link to the unit would be left dangling.
    const QString wanted = unitDirectory() + QStringLiteral("/default.target.wants/") + name;
    if (QFileInfo(wanted).isSymLink())
        QFile::remove(wanted);
    if (!QFile::remove(path))
        throw Refusal{QStringLiteral("Cannot remove ") + path + u'.'};
    print(QStringLiteral("Removed ") + path);
    if (userManagerRunning())
        systemctl({QStringLiteral("daemon-reload")});
    return Ok;
}

} // namespace cli
