#pragma once
// A player of our own for real servers, protocol 34 over UDP on the loopback: the handshake, the netchan with its
// reliable part, the string commands that bring a client into the game, a move every 50 ms (with the buttons
// the test holds), and the same connection kept across level changes. It reads the reliable part of what the
// server sends (server data, config strings, baselines, stuffed commands, prints, centre prints) up to the frame.
// Runs on the event loop: wait for it with QTRY_VERIFY. The destructor says goodbye to the server.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QUdpSocket>

#include <map>

namespace velstrom::test {

class TestClient : public QObject {
    Q_OBJECT

public:
    static constexpr quint8 AnyButton = 128; // the one the game's intermission waits for

    explicit TestClient(quint16 port, const QString& name = QStringLiteral("tester"),
                        const QString& password = QString());
    ~TestClient() override;

    // In the game: begun on a level and receiving its frames.
    bool inGame() const { return m_state == State::InGame; }
    bool dropped() const { return m_state == State::Dropped; }
    // The level being played: the name of its file without "maps/" and ".bsp"; empty while loading.
    QString level() const;
    // The level's title (config string 0), as the server sends it.
    QByteArray title() const;
    // How many times the client entered a level on this one connection.
    int levelsEntered() const { return m_levelsEntered; }
    int handshakes() const { return m_handshakes; }
    // Every centre print and print so far, each as its bytes.
    const QList<QByteArray>& centrePrints() const { return m_centrePrints; }
    QByteArray prints() const { return m_prints; }
    // What went wrong: a refusal, a disconnect, an unknown message.
    QString problem() const { return m_problem; }

    void holdButtons(quint8 buttons) { m_buttons = buttons; }

private:
    enum class State { Challenging, Connecting, Loading, InGame, Dropped };

    void tick();
    void receive();
    void connectionless(const QByteArray& text);
    void parse(const QByteArray& packet);
    bool parseMessage(class Reader& in);
    void stuffed(const QByteArray& text);
    void sendString(const QByteArray& command);
    void sendPacket();
    QByteArray move() const;
    void sendConnectionless(const QByteArray& text);

    QUdpSocket m_socket;
    QTimer m_timer;
    quint16 m_port;
    QByteArray m_userinfo;
    State m_state = State::Challenging;
    int m_ticks = 0;
    QByteArray m_challenge;
    quint16 m_qport;
    int m_handshakes = 0;

    // netchan, as the engines keep it
    quint32 m_outgoing = 1;
    quint32 m_incoming = 0;
    quint32 m_incomingAcknowledged = 0;
    bool m_incomingReliable = false;
    bool m_incomingReliableAcknowledged = false;
    bool m_reliableSequence = false;
    quint32 m_lastReliable = 0;
    QByteArray m_reliable;      // sent, not acknowledged yet
    QByteArray m_reliableQueue; // to send once that is acknowledged

    std::map<int, QByteArray> m_configStrings;
    qint32 m_lastFrame = -1;
    bool m_begun = false; // "begin" sent for the level being loaded
    int m_levelsEntered = 0;
    quint8 m_buttons = 0;
    QList<QByteArray> m_centrePrints;
    QByteArray m_prints;
    QString m_problem;
};

} // namespace velstrom::test
