#include "launch/ServerStatus.h"

#include <algorithm>
#include <limits>

namespace server {

namespace {

constexpr QByteArrayView Header("\xff\xff\xff\xff", 4);
constexpr QByteArrayView PrintHeader("\xff\xff\xff\xffprint\n", 10);

// Caps well above anything a game sends, so that a hostile reply cannot flood the window.
constexpr qsizetype MaxInfoPairs = 64;
constexpr qsizetype MaxPlayers = 256; // the engine's limit on clients
constexpr qsizetype MaxFieldBytes = 256;
constexpr qsizetype MaxRconBytes = 64 * 1024;

// A server asked every 2 s: one lost reply is no reason to worry yet.
constexpr qint64 AnswerTimeoutMs = 5000;
// A game loading its first level takes a few seconds before it answers.
constexpr qint64 StartGraceMs = 10000;

QString field(QByteArrayView bytes)
{
    return gameText(bytes.first(std::min(bytes.size(), MaxFieldBytes)));
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A decimal integer at `pos` (blanks before it skipped), leaving `pos` after it.
std::optional<int> readInt(QByteArrayView line, qsizetype& pos)
{
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    bool negative = false;
    if (pos < line.size() && line[pos] == '-') {
        negative = true;
        ++pos;
    }
    const qsizetype first = pos;
    qint64 value = 0;
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') {
        value = value * 10 + (line[pos] - '0');
        if (value > std::numeric_limits<int>::max())
            return std::nullopt;
        ++pos;
    }
    if (pos == first)
        return std::nullopt;
    return int(negative ? -value : value);
}

// "<frags> <ping> "<name>"": anything else, a line cut short among them, is no player.
std::optional<Player> parsePlayer(QByteArrayView line)
{
    qsizetype pos = 0;
    const std::optional<int> frags = readInt(line, pos);
    if (!frags || pos >= line.size() || !isBlank(line[pos]))
        return std::nullopt;
    const std::optional<int> ping = readInt(line, pos);
    if (!ping)
        return std::nullopt;
    while (pos < line.size() && isBlank(line[pos]))
        ++pos;
    if (pos >= line.size() || line[pos] != '"')
        return std::nullopt;
    const QByteArrayView rest = line.sliced(pos + 1);
    const qsizetype close = rest.indexOf('"');
    if (close < 0)
        return std::nullopt;
    return Player{field(rest.first(close)), *frags, *ping};
}

void parseInfo(QByteArrayView line, Status& status)
{
    // \key\value\key\value...; a key without its value (a reply cut short) has an empty one.
    qsizetype pos = 1;
    while (pos < line.size() && status.info.size() < MaxInfoPairs) {
        qsizetype end = line.indexOf('\\', pos);
        const QByteArrayView key = line.sliced(pos, (end < 0 ? line.size() : end) - pos);
        QByteArrayView value;
        if (end >= 0) {
            pos = end + 1;
            end = line.indexOf('\\', pos);
            value = line.sliced(pos, (end < 0 ? line.size() : end) - pos);
        }
        pos = end < 0 ? line.size() : end + 1;
        const QString name = field(key);
        const bool known = std::any_of(status.info.cbegin(), status.info.cend(),
                                       [&](const std::pair<QString, QString>& p) { return p.first == name; });
        if (!name.isEmpty() && !known)
            status.info.append({name, field(value)});
    }
}

QByteArrayView chopCr(QByteArrayView line)
{
    return line.endsWith('\r') ? line.chopped(1) : line;
}

} // namespace

QString Status::value(QStringView key) const
{
    for (const auto& [name, value] : info)
        if (name == key)
            return value;
    return {};
}

quint16 portOf(const QString& profilePort)
{
    qsizetype pos = 0;
    while (pos < profilePort.size() && (profilePort[pos] == u' ' || profilePort[pos] == u'\t'))
        ++pos;
    int port = 0;
    for (; pos < profilePort.size() && profilePort[pos] >= u'0' && profilePort[pos] <= u'9'; ++pos) {
        port = port * 10 + (profilePort[pos].unicode() - u'0');
        if (port > 65535)
            return DefaultPort;
    }
    return port > 0 ? quint16(port) : DefaultPort;
}

QByteArray statusRequest()
{
    return Header.toByteArray() + "status\n";
}

QByteArray rconRequest(const QString& password, const QString& command)
{
    QByteArray word = password.toLatin1();
    if (word.isEmpty() || word.contains(' ') || word.contains('\t'))
        word = '"' + word + '"';
    // A line break would end the packet's command early on some engines.
    QByteArray text = command.toLatin1();
    text.replace('\n', ' ').replace('\r', ' ');
    return Header.toByteArray() + "rcon " + word + ' ' + text;
}

QString sayCommand(const QString& text)
{
    // The quotes keep a ';' in the text from starting another console command.
    QString message = text;
    message.remove(u'"');
    return QStringLiteral("say \"") + message + u'"';
}

std::optional<Status> parseStatus(QByteArrayView datagram)
{
    if (!datagram.startsWith(PrintHeader))
        return std::nullopt;
    const QByteArrayView body = datagram.sliced(PrintHeader.size());
    if (!body.startsWith('\\'))
        return std::nullopt;
    Status status;
    qsizetype end = body.indexOf('\n');
    parseInfo(chopCr(body.first(end < 0 ? body.size() : end)), status);
    while (end >= 0 && status.players.size() < MaxPlayers) {
        const qsizetype from = end + 1;
        end = body.indexOf('\n', from);
        const QByteArrayView line = chopCr(body.sliced(from, (end < 0 ? body.size() : end) - from));
        if (std::optional<Player> player = parsePlayer(line))
            status.players.append(std::move(*player));
    }
    std::stable_sort(status.players.begin(), status.players.end(),
                     [](const Player& a, const Player& b) { return a.frags > b.frags; });
    return status;
}

std::optional<QString> parseRconReply(QByteArrayView datagram)
{
    if (!datagram.startsWith(PrintHeader))
        return std::nullopt;
    const QByteArrayView text = datagram.sliced(PrintHeader.size());
    return gameText(text.first(std::min(text.size(), MaxRconBytes)), true);
}

QString gameText(QByteArrayView bytes, bool keepLineBreaks)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(static_cast<unsigned char>(c) & 0x7f);
        if (byte >= 32 && byte < 127)
            text.append(QChar(char16_t(byte)));
        else if (keepLineBreaks && byte == '\n')
            text.append(u'\n');
        else if (!(keepLineBreaks && byte == '\r'))
            text.append(QChar(0x00B7));
    }
    return text;
}

QString stateText(std::optional<qint64> sinceAnswerMs, qint64 sinceStartMs, std::optional<int> exitCode)
{
    if (exitCode)
        return QStringLiteral("Stopped (exit code %1)").arg(*exitCode);
    if (sinceAnswerMs && *sinceAnswerMs <= AnswerTimeoutMs)
        return QStringLiteral("Running");
    if (!sinceAnswerMs && sinceStartMs < StartGraceMs)
        return QStringLiteral("Starting\u2026");
    const qint64 silentMs = sinceAnswerMs ? *sinceAnswerMs : sinceStartMs;
    return QStringLiteral("No answer for %1 s").arg(silentMs / 1000);
}

QString remoteConsoleHint(bool enabled)
{
    return enabled ? QStringLiteral("Commands go to the server with the Remote Console password in clear text, as the "
                                    "game's protocol requires.")
                   : QStringLiteral("Remote Console is not checked in this profile, so the server takes no commands "
                                    "from here. When it is, the password travels in clear text, as the game's "
                                    "protocol requires.");
}

} // namespace server
