#pragma once
// What a running Quake 2 server tells about itself through its connectionless packets (four bytes 255, then
// text), and the requests that ask it. Replies are untrusted network input: every parse here takes any bytes.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

namespace server {

inline constexpr quint16 DefaultPort = 27910;

struct Player {
    QString name;
    int frags = 0;
    int ping = 0;

    friend bool operator==(const Player&, const Player&) = default;
};

struct Status {
    QList<std::pair<QString, QString>> info; // in the order sent, each key once (the first one counts)
    QList<Player> players;                    // most frags first; equal frags keep the server's order

    QString value(QStringView key) const;
};

// The port the game listens on for a profile's port text: the game reads the number at its start, and a blank
// or unusable port leaves it on its default.
quint16 portOf(const QString& profilePort);

QByteArray statusRequest();
// The password goes as the first word; quotes keep a password with blanks in one word.
QByteArray rconRequest(const QString& password, const QString& command);
// The console command that shows `text` to all players.
QString sayCommand(const QString& text);

// A reply to statusRequest(), or nothing when the datagram is not one.
std::optional<Status> parseStatus(QByteArrayView datagram);
// The text of one datagram of a remote-console reply, or nothing when the datagram is not one.
std::optional<QString> parseRconReply(QByteArrayView datagram);

// Bytes in the game's character set as shown to the user: a byte of 128 or more is the one 128 below it, and
// what is then no printable character is a middle dot. Line breaks stay when `keepLineBreaks`.
QString gameText(QByteArrayView bytes, bool keepLineBreaks = false);

// What the server window says about the server. `sinceAnswerMs`: time since the last status reply (none yet:
// empty); `sinceStartMs`: time since watching began; `exitCode`: set once the game we started has ended.
QString stateText(std::optional<qint64> sinceAnswerMs, qint64 sinceStartMs, std::optional<int> exitCode);

// What the remote console of a profile is: with "Enable Remote Console" checked, commands go with its password;
// without, the server takes none from us, and this is the reason given.
QString remoteConsoleHint(bool enabled);

} // namespace server
