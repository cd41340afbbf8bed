// Play lists with entries a real server cannot load, and levels that lie only inside an archive.
#include "RealServer.h"
#include "TestClient.h"

#include <QDir>
#include <QtTest>

using namespace velstrom::test;

Q_DECLARE_METATYPE(velstrom::test::Layout)

namespace {

constexpr int JoinMs = 10000;

// A .pak archive ("PACK", the directory's offset and size, the members, then the directory of 64-byte entries:
// a 56-byte name, the offset and the size) holding `members` as they are.
void writePak(const QString& path, const QList<std::pair<QByteArray, QByteArray>>& members)
{
    const auto putLong = [](QByteArray& out, qint32 v) {
        for (int i = 0; i < 4; ++i)
            out.append(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    QByteArray data;
    QByteArray directory;
    for (const auto& [name, bytes] : members) {
        directory.append(name.leftJustified(56, '\0', true));
        putLong(directory, static_cast<qint32>(12 + data.size()));
        putLong(directory, static_cast<qint32>(bytes.size()));
        data.append(bytes);
    }
    QByteArray pak("PACK");
    putLong(pak, static_cast<qint32>(12 + data.size()));
    putLong(pak, static_cast<qint32>(directory.size()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(pak + data + directory);
}

QByteArray level(const QString& name)
{
    QFile file(QStringLiteral(VELSTROM_TEST_DATA "/bsp/") + name + QStringLiteral(".bsp"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestEnginePlayList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(enginesProblem().isEmpty(), qPrintable(enginesProblem())); }

    // A missing level, a line of blanks and a name over the engine's path limit (its file is there) are passed over
    // with a console line; the server goes on to the next good level and keeps its player.
    void badEntries_data() { addLayoutRows(); }
    void badEntries()
    {
        QFETCH(Layout, layout);
        const QString tooLong(55, u'l'); // maps/<55 bytes>.bsp is 64 bytes, one over the limit
        const Profile profile = gameProfile({QStringLiteral("q2t_plain"), QStringLiteral("nosuchmap"),
                                             QStringLiteral("   "), tooLong, QStringLiteral("ew_plain")});
        RealServer server(layout);
        QVERIFY(QFile::copy(QStringLiteral(VELSTROM_TEST_DATA "/bsp/q2t_99.bsp"),
                            server.baseDir() + QStringLiteral("/maps/") + tooLong + QStringLiteral(".bsp")));
        QVERIFY2(server.start(profile), qPrintable(server.problem()));
        TestClient client(server.port());
        QTRY_VERIFY2_WITH_TIMEOUT(client.inGame(), qPrintable(client.problem()), JoinMs);

        // What the module prints while it runs a remote command goes back to the sender, not to the console.
        const std::optional<QString> reply = server.rcon(QStringLiteral("sv skip"));
        QVERIFY(reply);
        // A server sent to a level it cannot load drops its player, or stays where it is.
        QTRY_VERIFY_WITH_TIMEOUT(client.levelsEntered() == 2 || client.dropped(), JoinMs);
        QVERIFY2(!client.dropped(), qPrintable(client.problem()));
        QCOMPARE(client.level(), QStringLiteral("ew_plain"));
        QCOMPARE(client.handshakes(), 1);
        QVERIFY(server.running());
        const QByteArray console = reply->toLatin1() + server.output();
        for (const QString& entry : {QStringLiteral("nosuchmap"), QStringLiteral("   "), tooLong})
            QVERIFY2(console.contains("Velstrom: skipping " + entry.toLatin1() + ':'), console.constData());
    }

    // A play-list level that is only a member of a .pak archive in baseq2 (as the id levels of a retail install
    // are) is played, not passed over.
    void levelInPak_data() { addLayoutRows(); }
    void levelInPak()
    {
        QFETCH(Layout, layout);
        const Profile profile =
            gameProfile({QStringLiteral("q2t_plain"), QStringLiteral("packed"), QStringLiteral("ew_plain")});
        RealServer server(layout);
        writePak(server.baseDir() + QStringLiteral("/pak0.pak"),
                 {{"maps/packed.bsp", level(QStringLiteral("ew_msgfirst"))}});
        QVERIFY2(server.start(profile), qPrintable(server.problem()));
        TestClient client(server.port());
        QTRY_VERIFY2_WITH_TIMEOUT(client.inGame(), qPrintable(client.problem()), JoinMs);

        QVERIFY(server.rcon(QStringLiteral("sv skip")));
        QTRY_COMPARE_WITH_TIMEOUT(client.levelsEntered(), 2, JoinMs);
        QCOMPARE(client.level(), QStringLiteral("packed"));
        QCOMPARE(client.title(), QByteArray("Message Before Classname"));
    }
};

QTEST_GUILESS_MAIN(TestEnginePlayList)
#include "tst_engine_playlist.moc"
