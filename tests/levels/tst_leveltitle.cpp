// A level's title as the labels under the lists show it: read through libvornak from real level files, found
// without regard to case, and shown in the game's own characters.
#include "common/BspWriter.h"
#include "levels/GameLevels.h"
#include "levels/LevelTitle.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using velstrom::test::BspWriter;

namespace {
const QChar kDot(0x00B7);

QString q2Maps(const QTemporaryDir& dir)
{
    return dir.path() + QStringLiteral("/baseq2/maps/");
}

void writeLevel(const QString& path, const QByteArray& title, bool messageFirst = false)
{
    QVERIFY(BspWriter().setEntities(BspWriter::levelEntities(title, messageFirst)).setTrailingSize(2000).write(path));
}
} // namespace

class TestLevelTitle : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void displayMapping_data();
    void displayMapping();
    void levelFileFoundWithoutRegardToCase_data();
    void levelFileFoundWithoutRegardToCase();
    void titlesFromLevelFiles_data();
    void titlesFromLevelFiles();
    void longTitleFitsTheBuffer();
};

void TestLevelTitle::displayMapping_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << QByteArray("The Edge") << "The Edge";
    QTest::newRow("line break") << QByteArray("Tokay's Towers\\nby Tokay") << "Tokay's Towers\nby Tokay";
    QTest::newRow("backslash alone") << QByteArray("a\\b\\") << "a\\b\\";
    QTest::newRow("backslash backslash n") << QByteArray("a\\\\n") << "a\\\n";
    QTest::newRow("high letters") << QByteArray("\xC1\xE2\xA0z") << "Ab z";
    QTest::newRow("high backslash is no line break") << QByteArray("\xDCn") << "\\n";
    QTest::newRow("controls and gaps") << QByteArray("a\x01\x0a\x1f\x7f\x80\x9f"
                                                     "b")
                                       << QString(u'a') + QString(6, kDot) + u'b';
    QTest::newRow("255 is 127, no character") << QByteArray("\xFF") << QString(kDot);
    QTest::newRow("160 is a space") << QByteArray("\xA0") << " ";
    QTest::newRow("254 is a tilde") << QByteArray("\xFE") << "~";
    QTest::newRow("empty") << QByteArray() << "";
}

void TestLevelTitle::displayMapping()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, shown);
    QCOMPARE(levels::titleForDisplay(raw), shown);
}

void TestLevelTitle::levelFileFoundWithoutRegardToCase_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("level");
    QTest::addColumn<QString>("found"); // file name in maps/, empty for the exact path
    QTest::newRow("exact") << QStringList{"q2dm1.bsp", "Q2DM1.BSP"} << "q2dm1"
                           << "q2dm1.bsp";
    QTest::newRow("upper-case file") << QStringList{"Q2DM1.BSP"} << "q2dm1"
                                     << "Q2DM1.BSP";
    QTest::newRow("mixed") << QStringList{"Q2dm1.bSp"} << "q2DM1"
                           << "Q2dm1.bSp";
    QTest::newRow("none") << QStringList{"q2dm2.bsp"} << "q2dm1"
                          << "";
    QTest::newRow("trailing blank differs") << QStringList{"Q2DM1.BSP"} << "q2dm1 "
                                            << "";
}

void TestLevelTitle::levelFileFoundWithoutRegardToCase()
{
    QFETCH(QStringList, files);
    QFETCH(QString, level);
    QFETCH(QString, found);
    QTemporaryDir dir;
    QDir().mkpath(q2Maps(dir));
    for (const QString& f : files)
        writeLevel(q2Maps(dir) + f, "T");
    const QString expected = q2Maps(dir) + (found.isEmpty() ? level + QStringLiteral(".bsp") : found);
    QCOMPARE(levels::levelFilePath(dir.path(), level), expected);
}

void TestLevelTitle::titlesFromLevelFiles_data()
{
    QTest::addColumn<QByteArray>("title"); // null: no "message" key
    QTest::addColumn<bool>("messageFirst");
    QTest::addColumn<QString>("shown");
    QTest::newRow("title") << QByteArray("The Edge") << false << "The Edge";
    QTest::newRow("title before classname") << QByteArray("Arena {Team Moo}") << true << "Arena {Team Moo}";
    QTest::newRow("two lines") << QByteArray("Outer Base\\nby id") << false << "Outer Base\nby id";
    QTest::newRow("high characters") << QByteArray("\xD4\xE8\xE5 Pit") << false << "The Pit";
    QTest::newRow("no title shows the name") << QByteArray() << false << "Q2DM9";
}

void TestLevelTitle::titlesFromLevelFiles()
{
    QFETCH(QByteArray, title);
    QFETCH(bool, messageFirst);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    QDir().mkpath(q2Maps(dir));
    writeLevel(q2Maps(dir) + QStringLiteral("Q2DM9.BSP"), title, messageFirst);
    const levels::GameLevels game(dir.path(), vornak::Engine::AnyEngine);
    QCOMPARE(game.description(QStringLiteral("Q2DM9")), shown);
    // The name as the list may hold it in another case finds the same file.
    QCOMPARE(game.description(QStringLiteral("q2dm9")), title.isNull() ? QStringLiteral("q2dm9") : shown);
    // No level file at all (an id level): its name.
    QCOMPARE(game.description(QStringLiteral("base1")), QStringLiteral("base1"));
    QVERIFY(!readLevelTitle(q2Maps(dir) + QStringLiteral("base1.bsp")).has_value());
}

void TestLevelTitle::longTitleFitsTheBuffer()
{
    QTemporaryDir dir;
    QDir().mkpath(q2Maps(dir));
    const QByteArray longTitle(400, 'L');
    writeLevel(q2Maps(dir) + QStringLiteral("long.bsp"), longTitle);
    const std::optional<QByteArray> title = readLevelTitle(q2Maps(dir) + QStringLiteral("long.bsp"));
    QVERIFY(title.has_value());
    QVERIFY(!title->isEmpty() && title->size() <= 255);
    QVERIFY(longTitle.startsWith(*title));
    // A name with a NUL inside reads no file at all.
    QVERIFY(!readLevelTitle(q2Maps(dir) + QStringLiteral("long") + QChar(0) + QStringLiteral(".bsp")).has_value());
}

QTEST_GUILESS_MAIN(TestLevelTitle)
#include "tst_leveltitle.moc"
