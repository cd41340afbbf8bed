#include "RealServer.h"

#include "launch/EngineFinder.h"
#include "launch/GameCommandLine.h"
#include "launch/LevelFiles.h"
#include "launch/ServerConfig.h"
#include "motd/QuakeText.h"
#include "support/Quake2Paths.h"
#include "support/TextFile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QNetworkDatagram>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTest>
#include <QUdpSocket>

#include <algorithm>

#include <csignal>
#include <pwd.h>
#include <unistd.h>

Q_DECLARE_METATYPE(velstrom::test::Layout)

namespace velstrom::test {

namespace {

const QString Engines = QStringLiteral(VELSTROM_ENGINES_DIR);
const QString Yquake2Server = QStringLiteral("/yquake2/q2ded");
const QString Yquake2Game = QStringLiteral("/yquake2/baseq2/game.so");
const QString PortableServer = QStringLiteral("/q2pro/q2proded");
const QString SystemServer = QStringLiteral("/q2pro-system/bin/q2proded");
const QString SystemGame = QStringLiteral("/q2pro-system/lib/q2pro/baseq2/gamex86_64.so");
const QString Q2proGameName = QStringLiteral("gamex86_64.so");

bool copyFile(const QString& from, const QString& to)
{
    QDir().mkpath(QFileInfo(to).path());
    return QFile::copy(from, to);
}

// Running as root, the server runs as nobody, who must read and write everything of its tree.
void handOverToServerUser(const QString& root)
{
    if (::geteuid() != 0)
        return;
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        return;
    const auto give = [nobody](const QString& path) {
        if (::lchown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid) != 0)
            qWarning("cannot hand %s to nobody", qPrintable(path));
    };
    give(root);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        give(it.next());
}

bool isYquake2(Layout layout) { return layout == Layout::Yquake2; }
bool isSystemWide(Layout layout) { return layout == Layout::Q2proSystemData || layout == Layout::Q2proSystemHome; }

} // namespace

const char* layoutName(Layout layout)
{
    switch (layout) {
    case Layout::Yquake2:
        return "q2ded";
    case Layout::Q2proPortable:
        return "q2proded";
    case Layout::Q2proSystemData:
        return "q2proded-system-data";
    case Layout::Q2proSystemHome:
        return "q2proded-system-home";
    }
    return "?";
}

void addLayoutRows(std::initializer_list<Layout> layouts)
{
    QTest::addColumn<Layout>("layout");
    for (const Layout layout : layouts)
        QTest::newRow(layoutName(layout)) << layout;
}

QString enginesProblem()
{
    QStringList missing;
    for (const QString& file : {Yquake2Server, Yquake2Game, PortableServer, SystemServer, SystemGame})
        if (!QFileInfo(Engines + file).isFile())
            missing << file.mid(1);
    if (missing.isEmpty())
        return {};
    return QStringLiteral("the Quake 2 engines are not built in ") + Engines + QStringLiteral(" (missing: ") +
           missing.join(QStringLiteral(", ")) + QStringLiteral("). Build them with tools/engines/build.sh ") + Engines +
           QStringLiteral(" (./test.sh does; needs make gcc meson ninja-build zlib1g-dev); its logs are in that folder.");
}

quint16 freeUdpPort()
{
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    return socket.localPort();
}

Profile gameProfile(const QStringList& playList)
{
    Profile p;
    p.servType = 1;
    p.host = QStringLiteral("Velstrom Test Night");
    p.maxClients = QStringLiteral("8");
    p.timeOut = QStringLiteral("90");
    p.fragLimit = QStringLiteral("25");
    p.timeLimit = QStringLiteral("20");
    p.port = QString::number(freeUdpPort());
    p.remoteConsole = Qt::Checked;
    p.rconPassword = QStringLiteral("rcon-test");
    p.configFile = QStringLiteral("[None]");
    p.playList = playList;
    return p;
}

RealServer::RealServer(Layout layout) : m_layout(layout) { install(); }

RealServer::~RealServer()
{
    stop();
    // A server the program started from this tree (through the launcher) is ended too, by its process id.
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t id = static_cast<pid_t>(pid.toInt(&number));
        if (number && QFile::symLinkTarget(QStringLiteral("/proc/") + pid + QStringLiteral("/exe"))
                          .startsWith(m_dir.path() + u'/'))
            ::kill(id, SIGKILL);
    }
}

void RealServer::install()
{
    const QString root = m_dir.path();
    m_home = root + QStringLiteral("/home");
    QDir().mkpath(m_home + QStringLiteral("/.local/share")); // yquake2 wants it
    QString quake2;
    switch (m_layout) {
    case Layout::Yquake2:
        quake2 = root + QStringLiteral("/quake2");
        m_engine = quake2 + QStringLiteral("/q2ded");
        copyFile(Engines + Yquake2Server, m_engine);
        copyFile(Engines + Yquake2Game, quake2 + QStringLiteral("/baseq2/game.so"));
        break;
    case Layout::Q2proPortable:
        quake2 = root + QStringLiteral("/quake2");
        m_engine = quake2 + QStringLiteral("/q2proded");
        copyFile(Engines + PortableServer, m_engine);
        copyFile(Engines + Yquake2Game, quake2 + QStringLiteral("/baseq2/") + Q2proGameName);
        break;
    case Layout::Q2proSystemData:
    case Layout::Q2proSystemHome:
        m_engine = root + SystemServer;
        copyFile(Engines + SystemServer, m_engine);
        copyFile(Engines + SystemGame, root + SystemGame);
        m_searchPath = root + QStringLiteral("/q2pro-system/bin");
        quake2 = m_layout == Layout::Q2proSystemData ? root + QStringLiteral("/q2pro-system/share/q2pro")
                                                     : m_home + QStringLiteral("/.q2pro");
        break;
    }
    const QDir levels(QStringLiteral(VELSTROM_TEST_DATA "/bsp"));
    for (const QString& level : levels.entryList({q2::LevelPattern}, QDir::Files))
        copyFile(levels.filePath(level), quake2 + q2::MapsSubdir + level);
    const QString program = quake2 + u'/' + q2::GameName + u'/';
    copyFile(QStringLiteral(VELSTROM_GAME_MODULE), program + QStringLiteral("game.so"));
    copyFile(QStringLiteral(VELSTROM_GAME_MODULE), program + QStringLiteral(VELSTROM_GAME_CPU_NAME));
    m_inst = Installation(program, QStringLiteral("velstrom"));
}

bool RealServer::start(const Profile& profile, const QuakeText* message)
{
    m_profile = profile;
    m_port = server::portOf(profile.port);
    writeLevelFiles(m_inst, profile);
    writeServerConfig(m_inst, profile);
    if (message) {
        const std::optional<QByteArray> encoded = quaketext::encode(*message);
        if (!encoded) {
            m_problem = QStringLiteral("the message does not encode");
            return false;
        }
        textfile::writeBytes(m_inst.file(q2::ServerMessage), *encoded + QByteArrayLiteral("\r\n"));
    }
    handOverToServerUser(m_dir.path());

    const GameEngine engine = findGameEngine(quake2Dir(), profile.servType, QFile::encodeName(m_searchPath));
    if (!engine.found()) {
        m_problem = QStringLiteral("the program finds no engine for ") + quake2Dir();
        return false;
    }
    const GameCommand command = launchCommand(profile, engine, quake2Dir(), findCdDrive(), m_inst.programDir());
    m_program = command.program;
    m_launchWords = command.arguments;

    const QStringList words = runWords(command.program) + m_launchWords;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment())
        env.insert(name, value);
    m_process.setProcessEnvironment(env);
    m_process.setWorkingDirectory(quake2Dir()); // as the launch does
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(words.first(), words.mid(1));
    if (!m_process.waitForStarted(5000)) {
        m_problem = QStringLiteral("cannot run ") + words.first() + QStringLiteral(": ") + m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (m_process.waitForFinished(100) || !running()) {
            m_problem = QStringLiteral("the server ended at start:\n") + QString::fromLocal8Bit(output());
            return false;
        }
        if (status())
            return true;
    }
    m_problem = QStringLiteral("the server did not answer on port ") + QString::number(m_port) +
                QStringLiteral(" within 10 s:\n") + QString::fromLocal8Bit(output());
    return false;
}

QStringList RealServer::runWords(const QString& engine) const
{
    // Only these come before the launch's words: the loopback address, and for the copied system-wide install
    // the library folder it was built with, which lies in the engines' build tree.
    QStringList words;
    if (isYquake2(m_layout))
        words << QStringLiteral("+set") << QStringLiteral("ip") << QStringLiteral("127.0.0.1");
    else
        words << QStringLiteral("+set") << QStringLiteral("net_ip") << QStringLiteral("127.0.0.1")
              << QStringLiteral("+set") << QStringLiteral("net_enable_ipv6") << QStringLiteral("0");
    if (isSystemWide(m_layout))
        words << QStringLiteral("+set") << QStringLiteral("libdir")
              << m_dir.path() + QStringLiteral("/q2pro-system/lib/q2pro");
    // yquake2 writes its console through stdio, which a pipe would hold back.
    words = QStringList{QStringLiteral("stdbuf"), QStringLiteral("-oL"), engine} + words;
    if (::geteuid() == 0) // both engines refuse the superuser
        words = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                            QStringLiteral("--clear-groups"), QStringLiteral("--")} +
                words;
    return words;
}

QList<std::pair<QString, QString>> RealServer::environment() const
{
    QList<std::pair<QString, QString>> env{{QStringLiteral("HOME"), m_home}};
    // Our module carries the sanitizers of this build; the engine does not, so it gets their runtimes.
    if (const QString preload = QStringLiteral(VELSTROM_ENGINE_PRELOAD); !preload.isEmpty())
        env << std::pair(QStringLiteral("LD_PRELOAD"), preload)
            << std::pair(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0:verify_asan_link_order=0"));
    return env;
}

void RealServer::installLauncher()
{
    const QString name = QFileInfo(engineInTree()).fileName();
    const QString real = m_dir.path() + QStringLiteral("/engine/") + name;
    QDir().mkpath(QFileInfo(real).path());
    QFile::rename(engineInTree(), real);
    const auto quoted = [](const QString& word) { return u'\'' + word + u'\''; };
    QString script = QStringLiteral("#!/bin/sh\n# The real engine, as the tests run it.\n");
    for (const auto& [variable, value] : environment())
        script += QStringLiteral("export ") + variable + u'=' + quoted(value) + u'\n';
    QStringList words = runWords(real);
    std::transform(words.begin(), words.end(), words.begin(), quoted);
    script += QStringLiteral("exec ") + words.join(u' ') + QStringLiteral(" \"$@\"\n");
    QFile file(engineInTree());
    file.open(QIODevice::WriteOnly);
    file.write(script.toLocal8Bit());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    handOverToServerUser(m_dir.path());
}

std::optional<int> RealServer::exitCode() const
{
    if (running() || m_process.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return m_process.exitCode();
}

QByteArray RealServer::output() const
{
    if (running())
        m_process.waitForReadyRead(0); // what the pipe holds, also outside the event loop
    m_output += m_process.readAll();
    return m_output;
}

QByteArray RealServer::programFile(const QString& name) const
{
    QFile file(m_inst.file(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::optional<QString> RealServer::rcon(const QString& command) const
{
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    socket.writeDatagram(server::rconRequest(m_profile.rconPassword, command), QHostAddress::LocalHost, m_port);
    std::optional<QString> reply;
    // A long answer comes in several datagrams, close together.
    while (socket.waitForReadyRead(reply ? 100 : 2000)) {
        while (socket.hasPendingDatagrams())
            if (const std::optional<QString> part = server::parseRconReply(socket.receiveDatagram().data()))
                reply = reply.value_or(QString()) + *part;
    }
    return reply;
}

std::optional<QString> RealServer::variable(const QString& name) const
{
    const std::optional<QString> reply = rcon(name);
    if (!reply)
        return std::nullopt;
    const QRegularExpressionMatch m =
        QRegularExpression(u'"' + QRegularExpression::escape(name) + QStringLiteral("\" is \"([^\"]*)\""))
            .match(*reply);
    return m.hasMatch() ? std::optional(m.captured(1)) : std::nullopt;
}

std::optional<server::Status> RealServer::status() const
{
    QUdpSocket socket;
    socket.bind(QHostAddress::LocalHost, 0);
    socket.writeDatagram(server::statusRequest(), QHostAddress::LocalHost, m_port);
    const QDeadlineTimer deadline(500);
    while (socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
        while (socket.hasPendingDatagrams())
            if (std::optional<server::Status> s = server::parseStatus(socket.receiveDatagram().data()))
                return s;
    return std::nullopt;
}

void RealServer::stop()
{
    if (!running())
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    output();
}

} // namespace velstrom::test
