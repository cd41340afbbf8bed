// Shows the server window against a stand-in server with a given number of players, for looking at it by eye
// (screenshots under Xvfb). Not a test: it runs until it is closed, or for the seconds given.
//   serverwindow_shots <players> [seconds]
#include "app/ServerWindow.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QPushButton>
#include <QTimer>
#include <QUdpSocket>

namespace {

const char* const Names[] = {"Grunt",          "Ranger", "[LAN]Sarge_1234", "Major",
                             "xXx_Slayer_xXx", "Cypher", "Bitterman",       "Stroggo"};

QByteArray statusReply(int players)
{
    // The empty server has a long host name, to see it cut.
    QByteArray reply("\xff\xff\xff\xffprint\n\\deathmatch\\1\\hostname\\");
    reply += players == 0 ? QByteArray("Velstrom Capture Friday LAN - all welcome, bring your own railgun!!")
                          : QByteArray("Velstrom Capture Friday LAN");
    reply += "\\mapname\\q2dm1\\maxclients\\32\\protocol\\34\n";
    for (int i = 0; i < players; ++i)
        reply += QByteArray::number((i * 7) % 23 - 2) + ' ' + QByteArray::number(15 + i * 3) + " \"" +
                 QByteArray(Names[i % 8]).left(15 - (i >= 8 ? 1 : 0)) + (i >= 8 ? QByteArray::number(i / 8) : "") +
                 "\"\n";
    return reply;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int players = argc > 1 ? QByteArray(argv[1]).toInt() : 0;
    const int seconds = argc > 2 ? QByteArray(argv[2]).toInt() : 0;

    QUdpSocket server;
    server.bind(QHostAddress(QHostAddress::LocalHost), 0);
    const QByteArray status = statusReply(players);
    QObject::connect(&server, &QUdpSocket::readyRead, &server, [&] {
        while (server.hasPendingDatagrams()) {
            const QNetworkDatagram d = server.receiveDatagram();
            const QByteArray answer =
                d.data().endsWith("status\n") ? status : QByteArray("\xff\xff\xff\xffprint\nBad rcon_password.\n");
            server.writeDatagram(answer, d.senderAddress(), d.senderPort());
        }
    });

    QWidget main;
    Profile profile;
    profile.port = QString::number(server.localPort());
    profile.remoteConsole = players == 1 ? Qt::Unchecked : Qt::Checked;
    profile.rconPassword = QStringLiteral("secret");
    ServerWindow* window = ServerWindow::showFor(&main, profile, QStringLiteral("/nonexistent"), nullptr);
    if (players > 1) {
        window->findChild<QLineEdit*>(QStringLiteral("edRconCommand"))->setText(QStringLiteral("status"));
        window->findChild<QPushButton*>(QStringLiteral("rconSendButton"))->click();
    }
    if (seconds > 0)
        QTimer::singleShot(seconds * 1000, &app, &QApplication::quit);
    return app.exec();
}
