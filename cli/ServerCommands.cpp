// status, skip, say and rcon: the server's own answers, asked as the server window asks them.
#include "cli/CliContext.h"

#include "launch/EngineFinder.h"
#include "launch/ServerQuery.h"
#include "launch/ServerStatus.h"
#include "levels/GameLevels.h"
#include "levels/LevelTitle.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <functional>

namespace cli {

namespace {

// How long a remote-console answer may pause between its datagrams and still be one answer.
constexpr int AnswerPauseMs = 250;

struct Target {
    QHostAddress address;
    quint16 port = server::DefaultPort;
    QString shown; // as the user reads it: "127.0.0.1:27910"
};

// --address HOST:PORT, HOST, [IPv6]:PORT; a host name is looked up.
Target parseAddress(const QString& text)
{
    QString host = text;
    QString port;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            throw UsageError{QStringLiteral("--address: no \"]\" in \"") + text + u'"'};
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (rest.startsWith(u':'))
            port = rest.mid(1);
        else if (!rest.isEmpty())
            throw UsageError{QStringLiteral("--address: \"") + text + QStringLiteral("\" is not HOST:PORT")};
    } else if (text.count(u':') == 1) {
        host = text.section(u':', 0, 0);
        port = text.section(u':', 1);
    }
    Target target;
    if (!port.isNull()) {
        bool ok = false;
        const uint number = port.toUInt(&ok);
        if (!ok || number == 0 || number > 65535)
            throw UsageError{QStringLiteral("--address: \"") + port + QStringLiteral("\" is no port")};
        target.port = quint16(number);
    }
    if (host.isEmpty())
        throw UsageError{QStringLiteral("--address: no host in \"") + text + u'"'};
    if (!target.address.setAddress(host)) {
        const QHostInfo info = QHostInfo::fromName(host);
        const QList<QHostAddress> found = info.addresses();
        if (found.isEmpty())
            throw Refusal{QStringLiteral("Cannot find the host ") + host + QStringLiteral(": ") + info.errorString()};
        target.address = found.constFirst();
        for (const QHostAddress& a : found)
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                target.address = a;
                break;
            }
    }
    const QString shownHost = target.address.protocol() == QAbstractSocket::IPv6Protocol
                                  ? u'[' + target.address.toString() + u']'
                                  : target.address.toString();
    target.shown = shownHost + u':' + QString::number(target.port);
    return target;
}

Target targetFor(const Context& context, const Profile& profile)
{
    if (!context.address.isEmpty())
        return parseAddress(context.address);
    Target target;
    target.address = QHostAddress(QHostAddress::LocalHost);
    target.port = server::portOf(profile.port);
    target.shown = QStringLiteral("127.0.0.1:") + QString::number(target.port);
    return target;
}

// Runs the event loop until `done` or the time is up; true when done.
bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    // Wakes the loop now and then, so that a condition on time is seen when nothing else happens.
    QTimer tick;
    tick.start(25);
    while (!done() && clock.elapsed() < timeoutMs)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

void printStatus(const Target& target, const levels::GameLevels& game, const server::Status& status)
{
    const QString level = status.value(u"mapname");
    const QString maxClients = status.value(u"maxclients");
    const QString count = QString::number(status.players.size());
    print(QStringLiteral("Address:   ") + target.shown);
    print(QStringLiteral("Level:     ") + levels::runningLevelText(game, level));
    print(QStringLiteral("Host name: ") + status.value(u"hostname"));
    print(QStringLiteral("Players:   ") + (maxClients.isEmpty() ? count : count + u'/' + maxClients));
    if (status.players.isEmpty())
        return;
    print(QString());
    print(QStringLiteral("%1 %2 %3").arg(QStringLiteral("Name"), -32).arg(QStringLiteral("Frags"), 6).arg(
        QStringLiteral("Ping"), 6));
    for (const server::Player& p : status.players)
        print(QStringLiteral("%1 %2 %3").arg(p.name, -32).arg(p.frags, 6).arg(p.ping, 6));
}

QJsonObject statusJson(const Target& target, const levels::GameLevels& game, const server::Status& status)
{
    const QString level = status.value(u"mapname");
    QJsonArray players;
    for (const server::Player& p : status.players)
        players.append(QJsonObject{{QStringLiteral("name"), p.name},
                                   {QStringLiteral("frags"), p.frags},
                                   {QStringLiteral("ping"), p.ping}});
    QJsonObject info;
    for (const auto& [key, value] : status.info)
        info.insert(key, value);
    const std::optional<QString> title = levels::runningLevelTitle(game, level);
    const QString maxClients = status.value(u"maxclients");
    bool numeric = false;
    const int max = maxClients.toInt(&numeric);
    return QJsonObject{
        {QStringLiteral("address"), target.shown},
        {QStringLiteral("level"), level},
        {QStringLiteral("title"), title ? QJsonValue(*title) : QJsonValue()},
        {QStringLiteral("hostname"), status.value(u"hostname")},
        {QStringLiteral("maxclients"), numeric ? QJsonValue(max) : QJsonValue()},
        {QStringLiteral("players"), players},
        {QStringLiteral("info"), info},
    };
}

} // namespace

int statusCommand(const Context& context)
{
    // With --address no profile is needed; a profile that cannot be loaded must not stop the question.
    std::optional<Profile> profile;
    if (context.address.isEmpty())
        profile = loadProfile(context).profile;
    const Target target = profile ? targetFor(context, *profile) : parseAddress(context.address);
    ServerQuery query(target.address, target.port);
    std::optional<server::Status> answer;
    QObject::connect(&query, &ServerQuery::statusReceived, &query,
                     [&answer](const server::Status& status) { answer = status; });
    query.start();
    if (!waitUntil([&answer] { return answer.has_value(); }, context.timeoutMs))
        throw Refusal{QStringLiteral("No answer from ") + target.shown + u'.'};
    // The title is read from the file the profile's engine loads; without a profile any engine's archives count.
    const QString quake2Dir = context.inst.quake2Dir();
    const levels::LevelSearch search =
        profile ? levelSearch(findGameEngine(quake2Dir, profile->servType), quake2Dir) : levels::LevelSearch();
    const levels::GameLevels game(quake2Dir, search);
    if (context.json)
        printBytes(QJsonDocument(statusJson(target, game, *answer)).toJson(QJsonDocument::Indented));
    else
        printStatus(target, game, *answer);
    return Ok;
}

int consoleCommand(const Context& context)
{
    const LoadedProfile loaded = loadProfile(context);
    const Profile& profile = loaded.profile;
    if (!isChecked(profile.remoteConsole))
        throw Refusal{server::remoteConsoleHint(false)};
    const QString command = context.command == QStringLiteral("skip") ? QStringLiteral("sv skip")
                            : context.command == QStringLiteral("say")
                                ? server::sayCommand(context.words.join(u' '))
                                : context.words.join(u' ');
    const Target target = targetFor(context, profile);
    ServerQuery query(target.address, target.port);
    QStringList replies;
    QElapsedTimer sinceLast;
    QObject::connect(&query, &ServerQuery::rconReceived, &query, [&](const QString& text) {
        replies.append(text);
        sinceLast.start();
    });
    query.sendRcon(profile.rconPassword, command);
    if (!waitUntil([&replies] { return !replies.isEmpty(); }, context.timeoutMs))
        throw Refusal{QStringLiteral("No answer from ") + target.shown + u'.'};
    // A long answer comes in several datagrams: take them until the server pauses.
    waitUntil([&sinceLast] { return sinceLast.elapsed() >= AnswerPauseMs; }, AnswerPauseMs * 4);
    const QString text = replies.join(QString());
    if (!text.isEmpty())
        printBytes((text.endsWith(u'\n') ? text : text + u'\n').toUtf8());
    if (text.startsWith(QStringLiteral("Bad rcon_password")))
        return Refused;
    return Ok;
}

} // namespace cli
