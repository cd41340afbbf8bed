// Levels inside archives: what Available Levels lists, the title and tooltip shown, and the check before launch,
// on one installation of loose files, .pak, .pk3 and .pkz archives, by each engine's rules.
#include "common/ArchiveWriter.h"
#include "common/BspWriter.h"
#include "levels/GameLevels.h"
#include "levels/LevelCatalogue.h"
#include "levels/LevelLists.h"
#include "levels/LevelTitle.h"
#include "levels/PlayListVerifier.h"
#include "support/AppError.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

using namespace velstrom::test;
using vornak::Engine;
Q_DECLARE_METATYPE(vornak::Engine)

namespace {

QByteArray levelTitled(const QByteArray& title)
{
    return BspWriter()
        .setEntities(BspWriter::levelEntities(title))
        .setFiller(BspWriter::Filler::RawNoise)
        .setEntityOffset(20000)
        .setTrailingSize(20000)
        .build();
}

ArchiveFile member(const QByteArray& name, const QByteArray& title, bool deflate = false)
{
    return {name, levelTitled(title), deflate};
}

bool put(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(path.left(path.lastIndexOf(u'/')));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestGameLevels : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString q2() const { return m_dir.path(); }
    QString baseq2(const QString& name) const { return q2() + QStringLiteral("/baseq2/") + name; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(put(baseq2("maps/loose.bsp"), levelTitled("Loose Room")));
        QVERIFY(put(baseq2("maps/both.bsp"), levelTitled("Loose Copy")));
        QVERIFY(put(baseq2("pak0.pak"),
                    pakArchive({member("maps/base1.bsp", "Outer Base"),
                                member("maps/both.bsp", "Pak Copy"),
                                member("maps/Mixed.bsp", "Mixed Case"),
                                {"maps.lst", "base1 \"Outer Base\"\r\nq2dm1 \"The Edge\"\r\n", false}})));
        QVERIFY(put(baseq2("pak1.pak"), pakArchive({member("maps/base1.bsp", "Newer Base")})));
        QVERIFY(put(baseq2("custom.pk3"), zipArchive({member("maps/ctf1.bsp", "Flag Fortress", true),
                                                      member("maps/sub/deep.bsp", "Deeper", true)})));
        QVERIFY(put(baseq2("extra.pkz"), zipArchive({member("maps/pkzlevel.bsp", "Zipped Z")})));
        QVERIFY(put(baseq2("broken.pk3"), "PK\x05\x06 this is no zip"));
    }

    void levels_data()
    {
        QTest::addColumn<Engine>("engine");
        QTest::addColumn<QString>("level");
        QTest::addColumn<bool>("listed");         // once in Available Levels (id levels shown), under this exact name
        QTest::addColumn<QString>("description"); // the label under the list
        QTest::addColumn<QString>("source");      // the tooltip
        QTest::addColumn<bool>("present");        // the check before launch

        const Engine yq2 = Engine::YamagiQuake2;
        QTest::newRow("loose file") << yq2 << "loose" << true << "Loose Room"
                                    << "baseq2/maps/loose.bsp" << true;
        QTest::newRow("pak member over the loose file of its folder")
            << yq2 << "both" << true << "Pak Copy (in pak0.pak)"
            << "maps/both.bsp in baseq2/pak0.pak" << true;
        QTest::newRow("pak1 over pak0") << yq2 << "base1" << true << "Newer Base (in pak1.pak)"
                                        << "maps/base1.bsp in baseq2/pak1.pak" << true;
        QTest::newRow("deflated pk3 member") << yq2 << "ctf1" << true << "Flag Fortress (in custom.pk3)"
                                             << "maps/ctf1.bsp in baseq2/custom.pk3" << true;
        QTest::newRow("member in another letter case") << yq2 << "MIXED" << false << "Mixed Case (in pak0.pak)"
                                                       << "maps/Mixed.bsp in baseq2/pak0.pak" << true;
        QTest::newRow("level in a subfolder is no catalogue level") << yq2 << "deep" << false << "deep"
                                                                    << "" << false;
        QTest::newRow("only in maps.lst inside pak0") << yq2 << "q2dm1" << true << "q2dm1"
                                                      << "" << true;
        QTest::newRow("nowhere") << yq2 << "gone" << false << "gone"
                                 << "" << false;
        QTest::newRow("q2pro reads no .pk3") << Engine::Q2pro << "ctf1" << false << "ctf1"
                                             << "" << false;
        QTest::newRow("q2pro reads .pkz") << Engine::Q2pro << "pkzlevel" << true << "Zipped Z (in extra.pkz)"
                                          << "maps/pkzlevel.bsp in baseq2/extra.pkz" << true;
        QTest::newRow("no engine: .pk3 and .pkz both")
            << Engine::AnyEngine << "ctf1" << true << "Flag Fortress (in custom.pk3)"
            << "maps/ctf1.bsp in baseq2/custom.pk3" << true;
    }

    void levels()
    {
        QFETCH(Engine, engine);
        QFETCH(QString, level);
        QFETCH(bool, listed);
        const levels::GameLevels game(q2(), engine);

        LevelListModel available(LevelListModel::Order::Sorted);
        LevelListModel play(LevelListModel::Order::Insertion);
        QItemSelectionModel availableSel(&available);
        QItemSelectionModel playSel(&play);
        LevelLists(available, availableSel, play, playSel)
            .fillAvailable(levels::listLevelFiles(baseq2("maps")) + game.extraLevelNames(game.readIdLevelNames()),
                           game.readIdLevelNames());
        QCOMPARE(available.names().count(level), listed ? 1 : 0);
        QCOMPARE(available.names().count(QStringLiteral("both")), 1);

        QTEST(game.description(level), "description");
        QTEST(game.sourceOf(level), "source");
        LevelPresence presence(baseq2("maps/"), baseq2("maps.lst"), &game);
        QTEST(presence.isPresent(level), "present");
    }

    void idLevelsAndProblems()
    {
        const levels::GameLevels yq2(q2(), Engine::YamagiQuake2);
        QCOMPARE(yq2.readIdLevelNames(), QStringList({"base1", "q2dm1"}));
        // The game's own levels inside its archives are listed with the id levels only.
        QVERIFY(yq2.extraLevelNames().contains("base1"));
        QVERIFY(!yq2.extraLevelNames(yq2.readIdLevelNames()).contains("base1"));
        QVERIFY(yq2.extraLevelNames(yq2.readIdLevelNames()).contains("ctf1"));
        QCOMPARE(yq2.problems().size(), 1);
        QVERIFY2(yq2.problems().first().contains("broken.pk3"), qPrintable(yq2.problems().first()));
        QVERIFY(levels::GameLevels(q2(), Engine::Q2pro).problems().isEmpty());
        // The server window names a running level inside an archive with its title.
        QCOMPARE(levels::runningLevelText(yq2, "ctf1"), QStringLiteral("ctf1 \u2014 Flag Fortress"));
        QCOMPARE(levels::runningLevelText(yq2, "maps/../ctf1"), QStringLiteral("maps/../ctf1"));

        // A loose maps.lst is the one read; with neither, the read fails as it always has.
        QVERIFY(put(baseq2("maps.lst"), "loose1 \"Loose\"\r\n"));
        QCOMPARE(levels::GameLevels(q2(), Engine::YamagiQuake2).readIdLevelNames(), QStringList({"loose1"}));
        QVERIFY(QFile::remove(baseq2("maps.lst")));
        const QTemporaryDir empty;
        QVERIFY_THROWS_EXCEPTION(AppError, levels::GameLevels(empty.path(), Engine::AnyEngine).readIdLevelNames());
    }

    // Levels in the engine's user folder are named from the home folder, as its users write them.
    void levelsInTheUserFolder()
    {
        const QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toUtf8());
        const auto restore = qScopeGuard([&] { qputenv("HOME", oldHome); });
        const QString user = home.path() + QStringLiteral("/.yq2/baseq2");
        QVERIFY(put(user + QStringLiteral("/maps/homelevel.bsp"), levelTitled("Home")));
        QVERIFY(put(user + QStringLiteral("/user.pk3"), zipArchive({member("maps/userlevel.bsp", "User", true)})));

        const levels::LevelSearch search(Engine::YamagiQuake2,
                                         {(q2() + QStringLiteral("/baseq2")).toStdString(), user.toStdString()});
        const levels::GameLevels game(q2(), search);
        QCOMPARE(game.sourceOf("homelevel"), QStringLiteral("~/.yq2/baseq2/maps/homelevel.bsp"));
        QCOMPARE(game.sourceOf("userlevel"), QStringLiteral("maps/userlevel.bsp in ~/.yq2/baseq2/user.pk3"));
        QCOMPARE(game.description("userlevel"), QStringLiteral("User (in user.pk3)"));
        QCOMPARE(game.sourceOf("loose"), QStringLiteral("baseq2/maps/loose.bsp"));
    }
};

QTEST_GUILESS_MAIN(TestGameLevels)
#include "tst_gamelevels.moc"
