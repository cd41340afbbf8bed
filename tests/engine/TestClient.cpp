#include "TestClient.h"

#include "Q2Checksum.h"

#include <QNetworkDatagram>
#include <QRandomGenerator>

namespace velstrom::test {

namespace {

constexpr int Protocol = 34;
constexpr int TickMs = 50;
constexpr int LevelConfigString = 33; // the world model, "maps/<level>.bsp"
constexpr int MaxItems = 256;

// What the server sends (svc_*) and the client (clc_*).
enum Svc : quint8 {
    MuzzleFlash = 1, MuzzleFlash2, TempEntity, Layout, Inventory, Nop, Disconnect, Reconnect, Sound, Print, StuffText,
    ServerData, ConfigString, SpawnBaseline, CenterPrint, Download, PlayerInfo, PacketEntities, DeltaPacketEntities, Frame
};
enum Clc : quint8 { ClcNop = 1, ClcMove = 2, ClcStringCmd = 4 };

void putLong(QByteArray& out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xff));
}

} // namespace

// Little-endian reads that stop at the end of the packet.
class Reader {
public:
    explicit Reader(const QByteArray& data) : m_data(data) {}
    bool atEnd() const { return m_pos >= m_data.size(); }
    bool ok() const { return m_ok; }
    quint32 bytes(int n)
    {
        quint32 v = 0;
        if (m_pos + n > m_data.size()) {
            m_ok = false;
            m_pos = m_data.size();
            return 0;
        }
        for (int i = 0; i < n; ++i)
            v |= quint32(quint8(m_data[m_pos + i])) << (8 * i);
        m_pos += n;
        return v;
    }
    quint8 byte() { return quint8(bytes(1)); }
    qint16 shortValue() { return qint16(bytes(2)); }
    qint32 longValue() { return qint32(bytes(4)); }
    QByteArray string()
    {
        const qsizetype end = m_data.indexOf('\0', m_pos);
        if (end < 0) {
            m_ok = false;
            m_pos = m_data.size();
            return {};
        }
        QByteArray s = m_data.mid(m_pos, end - m_pos);
        m_pos = end + 1;
        return s;
    }
    void skip(int n)
    {
        m_ok = m_ok && m_pos + n <= m_data.size();
        m_pos = std::min<qsizetype>(m_pos + n, m_data.size());
    }

private:
    const QByteArray& m_data;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

TestClient::TestClient(quint16 port, const QString& name, const QString& password)
    : m_port(port), m_qport(static_cast<quint16>(QRandomGenerator::global()->bounded(1, 65535)))
{
    m_userinfo = "\\name\\" + name.toLatin1() + "\\skin\\male/grunt\\rate\\25000\\msg\\1\\hand\\2";
    if (!password.isEmpty())
        m_userinfo += "\\password\\" + password.toLatin1();
    m_socket.bind(QHostAddress::LocalHost, 0);
    connect(&m_socket, &QUdpSocket::readyRead, this, &TestClient::receive);
    connect(&m_timer, &QTimer::timeout, this, &TestClient::tick);
    m_timer.start(TickMs);
    tick();
}

TestClient::~TestClient()
{
    if (m_state == State::Loading || m_state == State::InGame) {
        sendString("disconnect");
        for (int i = 0; i < 3; ++i)
            sendPacket();
    }
}

QString TestClient::level() const
{
    if (m_state != State::InGame)
        return {};
    const auto it = m_configStrings.find(LevelConfigString);
    if (it == m_configStrings.end())
        return {};
    QByteArray model = it->second;
    if (model.startsWith("maps/"))
        model.remove(0, 5);
    if (model.endsWith(".bsp"))
        model.chop(4);
    return QString::fromLatin1(model);
}

QByteArray TestClient::title() const
{
    const auto it = m_configStrings.find(0);
    return it == m_configStrings.end() ? QByteArray() : it->second;
}

void TestClient::tick()
{
    switch (m_state) {
    case State::Challenging:
        if (m_ticks++ % 10 == 0)
            sendConnectionless("getchallenge\n");
        break;
    case State::Connecting:
        if (m_ticks++ % 10 == 0)
            sendConnectionless("connect " + QByteArray::number(Protocol) + ' ' + QByteArray::number(m_qport) + ' ' +
                               m_challenge + " \"" + m_userinfo + "\"\n");
        break;
    case State::Loading:
    case State::InGame:
        sendPacket();
        break;
    case State::Dropped:
        m_timer.stop();
        break;
    }
}

void TestClient::sendConnectionless(const QByteArray& text)
{
    m_socket.writeDatagram(QByteArray(4, '\xff') + text, QHostAddress::LocalHost, m_port);
}

void TestClient::receive()
{
    while (m_socket.hasPendingDatagrams()) {
        const QByteArray data = m_socket.receiveDatagram().data();
        if (data.startsWith(QByteArray(4, '\xff')))
            connectionless(data.mid(4));
        else if (m_state == State::Loading || m_state == State::InGame)
            parse(data);
    }
}

void TestClient::connectionless(const QByteArray& text)
{
    const QList<QByteArray> words = text.simplified().split(' ');
    if (m_state == State::Challenging && words.value(0) == "challenge") {
        m_challenge = words.value(1);
        m_state = State::Connecting;
        m_ticks = 0;
        tick();
    } else if (m_state == State::Connecting && words.value(0) == "client_connect") {
        ++m_handshakes;
        m_state = State::Loading;
        sendString("new");
        sendPacket();
    } else if (words.value(0) == "print" && m_state == State::Connecting) {
        m_problem = QString::fromLatin1(text); // a refusal
    }
}

void TestClient::sendString(const QByteArray& command)
{
    m_reliableQueue.append(char(ClcStringCmd));
    m_reliableQueue.append(command);
    m_reliableQueue.append('\0');
}

QByteArray TestClient::move() const
{
    // lastframe, then the oldest, older and newest command, each a change from the one before.
    QByteArray bytes;
    putLong(bytes, static_cast<quint32>(m_lastFrame));
    for (int i = 0; i < 3; ++i) {
        const bool changed = i == 0 && m_buttons != 0;
        bytes.append(static_cast<char>(changed ? 0x40 : 0)); // CM_BUTTONS
        if (changed)
            bytes.append(static_cast<char>(m_buttons));
        bytes.append(static_cast<char>(TickMs)); // msec
        bytes.append(static_cast<char>(0));      // light level
    }
    return bytes;
}

void TestClient::sendPacket()
{
    // The netchan as the engines run it: the reliable part is sent again until the other side acknowledges it.
    bool sendReliable = m_incomingAcknowledged > m_lastReliable && m_incomingReliableAcknowledged != m_reliableSequence;
    if (m_reliable.isEmpty() && !m_reliableQueue.isEmpty()) {
        m_reliable = std::exchange(m_reliableQueue, QByteArray());
        m_reliableSequence = !m_reliableSequence;
        sendReliable = true;
    }
    const quint32 sequence = m_outgoing++;
    QByteArray packet;
    putLong(packet, sequence | (sendReliable ? 0x80000000u : 0));
    putLong(packet, m_incoming | (m_incomingReliable ? 0x80000000u : 0));
    packet.append(static_cast<char>(m_qport & 0xff));
    packet.append(static_cast<char>(m_qport >> 8));
    if (sendReliable) {
        packet.append(m_reliable);
        m_lastReliable = m_outgoing;
    }
    if (m_state == State::InGame) {
        const QByteArray bytes = move();
        packet.append(char(ClcMove));
        packet.append(static_cast<char>(moveChecksum(bytes, sequence)));
        packet.append(bytes);
    } else {
        packet.append(char(ClcNop));
    }
    m_socket.writeDatagram(packet, QHostAddress::LocalHost, m_port);
}

void TestClient::parse(const QByteArray& packet)
{
    Reader in(packet);
    const quint32 sequence = in.bytes(4);
    const quint32 ack = in.bytes(4);
    if (!in.ok() || (sequence & 0x7fffffff) <= m_incoming)
        return; // late or doubled
    const bool reliableAck = ack >> 31;
    if (reliableAck == m_reliableSequence)
        m_reliable.clear();
    m_incoming = sequence & 0x7fffffff;
    m_incomingAcknowledged = ack & 0x7fffffff;
    m_incomingReliableAcknowledged = reliableAck;
    if (sequence >> 31)
        m_incomingReliable = !m_incomingReliable;
    while (!in.atEnd() && parseMessage(in)) {
    }
}

// One message; false when the rest of the packet is not for us to read (the frame and what follows it).
bool TestClient::parseMessage(Reader& in)
{
    const quint8 svc = in.byte();
    switch (svc) {
    case Nop:
        return true;
    case Disconnect:
        m_state = State::Dropped;
        m_problem = QStringLiteral("the server disconnected us");
        return false;
    case Reconnect:
        stuffed("reconnect\n");
        return true;
    case Print:
        in.byte();
        m_prints += in.string();
        return in.ok();
    case CenterPrint:
        m_centrePrints.append(in.string());
        return in.ok();
    case StuffText:
        stuffed(in.string());
        return in.ok();
    case Layout:
        in.string();
        return in.ok();
    case Inventory:
        in.skip(2 * MaxItems);
        return in.ok();
    case MuzzleFlash:
    case MuzzleFlash2:
        in.skip(3);
        return in.ok();
    case Sound: {
        const quint8 flags = in.byte();
        in.skip(1 + (flags & 1 ? 1 : 0) + (flags & 2 ? 1 : 0) + (flags & 16 ? 1 : 0) + (flags & 8 ? 2 : 0) +
                (flags & 4 ? 6 : 0));
        return in.ok();
    }
    case ServerData: {
        const qint32 protocol = in.longValue();
        in.longValue(); // server count
        in.byte();
        in.string(); // game directory
        in.shortValue();
        in.string(); // level title
        if (protocol != Protocol)
            m_problem = QStringLiteral("server data of protocol %1").arg(protocol);
        m_configStrings.clear();
        m_state = State::Loading;
        m_begun = false;
        return in.ok();
    }
    case ConfigString: {
        const int index = in.shortValue();
        m_configStrings[index] = in.string();
        return in.ok();
    }
    case SpawnBaseline: {
        // An entity's state as a change from nothing: which fields follow, in the engines' order and sizes.
        quint32 bits = in.byte();
        if (bits & 0x80)
            bits |= quint32(in.byte()) << 8;
        if (bits & 0x8000)
            bits |= quint32(in.byte()) << 16;
        if (bits & 0x800000)
            bits |= quint32(in.byte()) << 24;
        const auto both = [&bits](quint32 a, quint32 b) {
            return (bits & a) && (bits & b) ? 4 : (bits & a) ? 1 : (bits & b) ? 2 : 0;
        };
        int size = (bits & (1u << 8)) ? 2 : 1; // number
        for (const quint32 model : {1u << 11, 1u << 20, 1u << 21, 1u << 22})
            size += (bits & model) ? 1 : 0;
        size += (bits & (1u << 4)) ? 1 : 0;                      // frame8
        size += (bits & (1u << 17)) ? 2 : 0;                     // frame16
        size += both(1u << 16, 1u << 25);                        // skin
        size += both(1u << 14, 1u << 19);                        // effects
        size += both(1u << 12, 1u << 18);                        // renderfx
        for (const quint32 origin : {1u << 0, 1u << 1, 1u << 9}) // origin
            size += (bits & origin) ? 2 : 0;
        for (const quint32 angle : {1u << 10, 1u << 2, 1u << 3}) // angles
            size += (bits & angle) ? 1 : 0;
        size += (bits & (1u << 24)) ? 6 : 0; // old origin
        size += (bits & (1u << 26)) ? 1 : 0; // sound
        size += (bits & (1u << 5)) ? 1 : 0;  // event
        size += (bits & (1u << 27)) ? 2 : 0; // solid
        in.skip(size);
        return in.ok();
    }
    case Download: {
        const qint16 size = in.shortValue();
        in.skip(1 + (size > 0 ? size : 0));
        return in.ok();
    }
    case Frame:
        m_lastFrame = in.longValue();
        if (m_state == State::Loading && m_begun) {
            m_state = State::InGame;
            ++m_levelsEntered;
        }
        return false;
    default: // temporary entities and the rest come after the frame
        return false;
    }
}

void TestClient::stuffed(const QByteArray& text)
{
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.startsWith("cmd "))
            sendString(line.mid(4).replace("$version", "velstrom-test-client"));
        else if (line.startsWith("precache ")) {
            sendString("begin " + line.mid(9));
            m_begun = true;
        }
        else if (line == "reconnect") {
            m_state = State::Loading; // a new level: the same connection starts over with "new"
            m_begun = false;
            sendString("new");
        } else if (line.startsWith("changing")) {
            m_state = State::Loading;
            m_begun = false;
        }
    }
}

} // namespace velstrom::test
