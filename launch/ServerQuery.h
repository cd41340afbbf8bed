#pragma once
#include "launch/ServerStatus.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>

#include <optional>

class QTimer;
class QUdpSocket;

// Talks to a game server, the one on this machine unless told otherwise: asks its status every 2 s and sends
// remote-console commands. The sockets never wait: replies arrive through the event loop, and only those from the
// server's own address and port count. Status and console each have their own socket, so a console reply is never
// taken for a status.
class ServerQuery : public QObject {
    Q_OBJECT

public:
    static constexpr int IntervalMs = 2000;

    explicit ServerQuery(quint16 port, QObject* parent = nullptr);
    ServerQuery(const QHostAddress& address, quint16 port, QObject* parent = nullptr);

    const QHostAddress& address() const { return m_address; }
    quint16 port() const { return m_port; }
    // Asks at once, then every IntervalMs until stop().
    void start();
    void stop();
    void sendRcon(const QString& password, const QString& command);

    // Since the last status reply (empty before the first) and since start().
    std::optional<qint64> sinceAnswerMs() const;
    qint64 sinceStartMs() const;

Q_SIGNALS:
    void statusReceived(const server::Status& status);
    void rconReceived(const QString& text);
    // After each question asked, so that a silence can be shown as it grows.
    void polled();

private:
    void poll();
    void readStatus();
    void readRcon();

    QHostAddress m_address;
    quint16 m_port;
    QUdpSocket* m_statusSocket;
    QUdpSocket* m_rconSocket;
    QTimer* m_timer;
    QElapsedTimer m_started;
    QElapsedTimer m_lastAnswer;
};
