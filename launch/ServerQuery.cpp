#include "launch/ServerQuery.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

namespace {

// Whatever arrives from anyone but the server is dropped unread; these are the server's own datagrams.
template <class F> void readFrom(QUdpSocket* socket, const QHostAddress& address, quint16 port, F&& handle)
{
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        if (datagram.senderPort() != port ||
            !datagram.senderAddress().isEqual(address, QHostAddress::ConvertV4MappedToIPv4))
            continue;
        handle(datagram.data());
    }
}

} // namespace

ServerQuery::ServerQuery(quint16 port, QObject* parent)
    : ServerQuery(QHostAddress(QHostAddress::LocalHost), port, parent)
{
}

ServerQuery::ServerQuery(const QHostAddress& address, quint16 port, QObject* parent)
    : QObject(parent), m_address(address), m_port(port), m_statusSocket(new QUdpSocket(this)),
      m_rconSocket(new QUdpSocket(this)), m_timer(new QTimer(this))
{
    // A server on this machine is asked from the loopback address alone; one elsewhere from any address.
    const QHostAddress local = address.isLoopback() ? address
                               : address.protocol() == QAbstractSocket::IPv6Protocol
                                   ? QHostAddress(QHostAddress::AnyIPv6)
                                   : QHostAddress(QHostAddress::AnyIPv4);
    m_statusSocket->bind(local, 0);
    m_rconSocket->bind(local, 0);
    connect(m_statusSocket, &QUdpSocket::readyRead, this, &ServerQuery::readStatus);
    connect(m_rconSocket, &QUdpSocket::readyRead, this, &ServerQuery::readRcon);
    m_timer->setInterval(IntervalMs);
    connect(m_timer, &QTimer::timeout, this, &ServerQuery::poll);
}

void ServerQuery::start()
{
    if (!m_started.isValid())
        m_started.start();
    m_timer->start();
    poll();
}

void ServerQuery::stop()
{
    m_timer->stop();
}

void ServerQuery::sendRcon(const QString& password, const QString& command)
{
    m_rconSocket->writeDatagram(server::rconRequest(password, command), m_address, m_port);
}

std::optional<qint64> ServerQuery::sinceAnswerMs() const
{
    if (!m_lastAnswer.isValid())
        return std::nullopt;
    return m_lastAnswer.elapsed();
}

qint64 ServerQuery::sinceStartMs() const
{
    return m_started.isValid() ? m_started.elapsed() : 0;
}

void ServerQuery::poll()
{
    m_statusSocket->writeDatagram(server::statusRequest(), m_address, m_port);
    Q_EMIT polled();
}

void ServerQuery::readStatus()
{
    readFrom(m_statusSocket, m_address, m_port, [this](const QByteArray& data) {
        if (const std::optional<server::Status> status = server::parseStatus(data)) {
            m_lastAnswer.start();
            Q_EMIT statusReceived(*status);
        }
    });
}

void ServerQuery::readRcon()
{
    readFrom(m_rconSocket, m_address, m_port, [this](const QByteArray& data) {
        if (const std::optional<QString> text = server::parseRconReply(data))
            Q_EMIT rconReceived(*text);
    });
}
