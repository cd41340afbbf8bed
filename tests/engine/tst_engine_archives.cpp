// A level that exists only inside an archive, as custom levels are published: the program lists it with its
// title and archive, counts it as present before the launch, and the real server starts it and a player joins it.
// yquake2 reads it from a .pk3, q2pro (which reads no .pk3) from a .pkz.
#include "RealServer.h"
#include "TestClient.h"

#include "common/ArchiveWriter.h"
#include "launch/EngineFinder.h"
#include "levels/GameLevels.h"
#include "levels/PlayListVerifier.h"

#include <QFile>
#include <QtTest>

using namespace velstrom::test;

Q_DECLARE_METATYPE(velstrom::test::Layout)

class TestEngineArchives : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(enginesProblem().isEmpty(), qPrintable(enginesProblem())); }

    void archiveLevel_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<QString>("archive");
        QTest::newRow("q2ded") << Layout::Yquake2 << "mappack.pk3";
        QTest::newRow("q2proded") << Layout::Q2proPortable << "mappack.pkz";
    }
    void archiveLevel()
    {
        QFETCH(Layout, layout);
        QFETCH(QString, archive);
        RealServer server(layout);
        // The test level leaves maps/ for the archive, deflated, under a name no loose file has.
        const QString loose = server.baseDir() + QStringLiteral("/maps/q2t_plain.bsp");
        QFile level(loose);
        QVERIFY(level.open(QIODevice::ReadOnly));
        const QByteArray bytes = level.readAll();
        level.close();
        QVERIFY(QFile::remove(loose));
        QFile pack(server.baseDir() + u'/' + archive);
        QVERIFY(pack.open(QIODevice::WriteOnly));
        QVERIFY(pack.write(zipArchive({{"maps/packed_plain.bsp", bytes, true}})) > 0);
        pack.close();

        // What the program shows and checks, by the rules of the engine its launch finds.
        Profile profile = gameProfile({QStringLiteral("packed_plain")});
        const levels::GameLevels game(server.quake2Dir(),
                                      levelSearch(findGameEngine(server.quake2Dir(), 1), server.quake2Dir()));
        QVERIFY(game.extraLevelNames().contains(QStringLiteral("packed_plain")));
        QCOMPARE(game.description(QStringLiteral("packed_plain")), "The Plain Arena (in " + archive + ")");
        LevelPresence presence(server.baseDir() + QStringLiteral("/maps/"),
                               server.baseDir() + QStringLiteral("/maps.lst"), &game);
        QVERIFY(presence.isPresent(QStringLiteral("packed_plain")));

        QVERIFY2(server.start(profile), qPrintable(server.problem()));
        TestClient client(server.port(), QStringLiteral("tester"), QString());
        QTRY_VERIFY2_WITH_TIMEOUT(client.inGame(), qPrintable(client.problem() + server.output()), 10000);
        QCOMPARE(client.level(), QStringLiteral("packed_plain"));
    }
};

QTEST_GUILESS_MAIN(TestEngineArchives)
#include "tst_engine_archives.moc"
