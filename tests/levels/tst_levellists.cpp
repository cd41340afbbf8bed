// The rules of the two level lists on their models and selections: what fills them, what the arrow and
// reordering buttons do, what skipped levels take away, and the rule that a level stands only once in both.
#include "levels/LevelCatalogue.h"
#include "levels/LevelLists.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <map>

using Side = LevelLists::Side;

namespace {

QList<LevelEntry> entriesOf(const QStringList& names)
{
    QList<LevelEntry> entries;
    for (const QString& n : names)
        entries.append(LevelEntry::fromName(n));
    return entries;
}

// Two lists with their selections, as the page holds them.
struct Lists {
    LevelListModel available{LevelListModel::Order::Sorted};
    LevelListModel play{LevelListModel::Order::Insertion};
    QItemSelectionModel availableSel{&available};
    QItemSelectionModel playSel{&play};
    LevelLists lists{available, availableSel, play, playSel};

    Lists(const QStringList& src = {}, const QStringList& dst = {})
    {
        available.reset(entriesOf(src));
        play.reset(entriesOf(dst));
    }
    void select(Side side, const QList<int>& rows)
    {
        QItemSelectionModel& sel = lists.selection(side);
        sel.clearSelection();
        for (const int row : rows)
            sel.select(lists.model(side).index(row), QItemSelectionModel::Select);
    }
    QList<int> selected(Side side) const { return const_cast<Lists*>(this)->lists.selectedRows(side); }
};

} // namespace

class TestLevelLists : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fillSkipsDuplicatesBlanksAndPlayedLevels();
    void idLevelsComeAndGo();
    void playListLoadFollowsTheRules();
    void includeMovesInReverseOrderAndKeepsTargetSelection();
    void excludeLandsInSortedPlaces();
    void moveAllKeepsOrder();
    void selectItemClampsAndAdds_data();
    void selectItemClampsAndAdds();
    void moveOnePlace_data();
    void moveOnePlace();
    void moveToEnd_data();
    void moveToEnd();
    void shuffleIsUniform();
    void shuffleOfTinyLists();
    void skippedLevelsReturnToAvailable();
    void levelStandsOnceAfterAnyEditing();
};

void TestLevelLists::fillSkipsDuplicatesBlanksAndPlayedLevels()
{
    Lists l({"old"}, {"q2dm3"});
    l.lists.fillAvailable({"Q2DM1", "q2dm1", "", "  ", "Q2DM3", "q2dm2", "q2dm2 "}, {"q2dm1", "base1", "BASE1", ""});
    QCOMPARE(l.available.names(), (QStringList{"base1", "Q2DM1", "q2dm2", "q2dm2 "}));
    QCOMPARE(l.play.names(), QStringList{"q2dm3"});
}

void TestLevelLists::idLevelsComeAndGo()
{
    Lists l({"Q2DM1", "mine"}, {"base1"});
    const QStringList ids{"q2dm1", "base1", "base2", "", "q2dm2"};
    l.lists.addIdLevels(ids);
    QCOMPARE(l.available.names(), (QStringList{"base2", "mine", "Q2DM1", "q2dm2"}));
    l.select(Side::Available, {1}); // mine
    l.lists.removeIdLevels(ids);
    // A level file of an id level's name goes too, until the next fill; the play list keeps its own.
    QCOMPARE(l.available.names(), QStringList{"mine"});
    QCOMPARE(l.selected(Side::Available), QList<int>{0});
    QCOMPARE(l.play.names(), QStringList{"base1"});
    l.lists.addIdLevels(ids);
    QCOMPARE(l.available.names(), (QStringList{"base2", "mine", "q2dm1", "q2dm2"}));
}

void TestLevelLists::playListLoadFollowsTheRules()
{
    Lists l({"q2dm1", "q2dm2", "q2dm3"}, {"already"});
    l.lists.appendPlayList({"q2dm2", "", "   ", "Q2DM2", "q2dm1 ", "ALREADY", "new", "q2dm3"});
    QCOMPARE(l.play.names(), (QStringList{"already", "q2dm2", "q2dm1 ", "new", "q2dm3"}));
    // "q2dm1 " is another name than the level file's, so q2dm1 stays available.
    QCOMPARE(l.available.names(), QStringList{"q2dm1"});
}

void TestLevelLists::includeMovesInReverseOrderAndKeepsTargetSelection()
{
    Lists l({"a", "b", "c", "d"}, {"x", "y"});
    l.select(Side::Play, {1});
    l.select(Side::Available, {0, 1, 3});
    l.lists.moveSelected(Side::Available);
    QCOMPARE(l.play.names(), (QStringList{"x", "y", "d", "b", "a"}));
    QCOMPARE(l.available.names(), QStringList{"c"});
    QCOMPARE(l.selected(Side::Play), QList<int>{1});
    QVERIFY(l.selected(Side::Available).isEmpty());
    // Nothing selected: nothing moves.
    l.lists.moveSelected(Side::Available);
    QCOMPARE(l.available.count(), 1);
}

void TestLevelLists::excludeLandsInSortedPlaces()
{
    Lists l({"b", "d"}, {"e", "A", "c", "F"});
    l.select(Side::Available, {1}); // d
    l.select(Side::Play, {0, 2, 3});
    l.lists.moveSelected(Side::Play);
    QCOMPARE(l.available.names(), (QStringList{"b", "c", "d", "e", "F"}));
    QCOMPARE(l.play.names(), QStringList{"A"});
    QCOMPARE(l.selected(Side::Available), QList<int>{2});
}

void TestLevelLists::moveAllKeepsOrder()
{
    Lists l({"c", "a", "B"}, {"z", "y"});
    l.select(Side::Play, {0});
    l.lists.moveAll(Side::Available);
    QCOMPARE(l.play.names(), (QStringList{"z", "y", "a", "B", "c"}));
    QVERIFY(l.available.isEmpty());
    QCOMPARE(l.selected(Side::Play), QList<int>{0});
    l.lists.moveAll(Side::Play);
    QCOMPARE(l.available.names(), (QStringList{"a", "B", "c", "y", "z"}));
    QVERIFY(l.play.isEmpty());
}

void TestLevelLists::selectItemClampsAndAdds_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("before");
    QTest::addColumn<int>("row");
    QTest::addColumn<QList<int>>("after");
    QTest::newRow("-1 is the first") << 3 << QList<int>{} << -1 << QList<int>{0};
    QTest::newRow("past the end is the last") << 3 << QList<int>{} << 7 << QList<int>{2};
    QTest::newRow("adds to the selection") << 4 << QList<int>{3} << 1 << QList<int>{1, 3};
    QTest::newRow("empty list") << 0 << QList<int>{} << 0 << QList<int>{};
}

void TestLevelLists::selectItemClampsAndAdds()
{
    QFETCH(int, count);
    QFETCH(QList<int>, before);
    QFETCH(int, row);
    QFETCH(QList<int>, after);
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(QStringLiteral("m%1").arg(i));
    Lists l({}, names);
    l.select(Side::Play, before);
    l.lists.selectItem(Side::Play, row);
    QCOMPARE(l.selected(Side::Play), after);
}

void TestLevelLists::moveOnePlace_data()
{
    QTest::addColumn<bool>("down");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QList<int>>("after");
    // Rows a..e.
    QTest::newRow("up, 2 and 4 selected") << false << QList<int>{2, 4} << "acbde" << QList<int>{1, 4};
    QTest::newRow("down, 1 and 2 selected") << true << QList<int>{1, 2} << "acbde" << QList<int>{2};
    QTest::newRow("up, first selected") << false << QList<int>{0} << "abcde" << QList<int>{0};
    QTest::newRow("down, last selected") << true << QList<int>{4} << "abcde" << QList<int>{4};
    QTest::newRow("up, nothing selected") << false << QList<int>{} << "abcde" << QList<int>{};
    QTest::newRow("down, nothing selected") << true << QList<int>{} << "abcde" << QList<int>{};
    QTest::newRow("down, second to last") << true << QList<int>{3} << "abced" << QList<int>{4};
}

void TestLevelLists::moveOnePlace()
{
    QFETCH(bool, down);
    QFETCH(QList<int>, selected);
    QFETCH(QString, order);
    QFETCH(QList<int>, after);
    Lists l({}, {"a", "b", "c", "d", "e"});
    l.select(Side::Play, selected);
    l.lists.moveOnePlace(down);
    QCOMPARE(l.play.names().join(QString()), order);
    QCOMPARE(l.selected(Side::Play), after);
}

void TestLevelLists::moveToEnd_data()
{
    QTest::addColumn<bool>("top");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QList<int>>("after");
    QTest::newRow("top") << true << QList<int>{2, 4} << "cabde" << QList<int>{0, 4};
    QTest::newRow("bottom") << false << QList<int>{1, 3} << "acdeb" << QList<int>{2, 4};
    QTest::newRow("top, nothing selected") << true << QList<int>{} << "abcde" << QList<int>{};
    QTest::newRow("bottom, last") << false << QList<int>{4} << "abcde" << QList<int>{4};
}

void TestLevelLists::moveToEnd()
{
    QFETCH(bool, top);
    QFETCH(QList<int>, selected);
    QFETCH(QString, order);
    QFETCH(QList<int>, after);
    Lists l({}, {"a", "b", "c", "d", "e"});
    l.select(Side::Play, selected);
    l.lists.moveToEnd(top);
    QCOMPARE(l.play.names().join(QString()), order);
    QCOMPARE(l.selected(Side::Play), after);

    Lists empty;
    empty.lists.moveToEnd(top);
    QVERIFY(empty.play.isEmpty());
}

void TestLevelLists::shuffleIsUniform()
{
    // Every order of four levels comes up about equally often (chi-square, 23 degrees of freedom: a fair
    // shuffle stays under 60 with near certainty; a biased one, such as swapping each place with any place,
    // goes far above).
    std::mt19937_64 random(12345);
    std::map<QString, int> seen;
    constexpr int kRuns = 12000;
    Lists l;
    const QList<LevelEntry> start = entriesOf({"a", "b", "c", "d"});
    for (int run = 0; run < kRuns; ++run) {
        l.play.reset(start);
        l.select(Side::Play, {1});
        l.lists.shuffle(random);
        QVERIFY(l.selected(Side::Play).isEmpty());
        ++seen[l.play.names().join(QString())];
    }
    QCOMPARE(int(seen.size()), 24);
    const double expected = kRuns / 24.0;
    double chi = 0;
    for (const auto& [order, n] : seen)
        chi += (n - expected) * (n - expected) / expected;
    QVERIFY2(chi < 60, qPrintable(QString::number(chi)));
}

void TestLevelLists::shuffleOfTinyLists()
{
    std::mt19937_64 random(1);
    Lists none;
    none.lists.shuffle(random);
    QVERIFY(none.play.isEmpty());
    Lists one({}, {"only"});
    one.lists.shuffle(random);
    QCOMPARE(one.play.names(), QStringList{"only"});
}

void TestLevelLists::skippedLevelsReturnToAvailable()
{
    Lists l({"base1"}, {"q2dm1", "Q2DM2", "q2dm3", "idlevel"});
    l.lists.removeSkipped({"Q2DM1", "q2dm2 ", "q2dm3", "q2dm3", "IDLEVEL", "unknown"});
    QCOMPARE(l.play.names(), QStringList{"Q2DM2"});
    // The play list's own text goes back.
    QCOMPARE(l.available.names(), (QStringList{"base1", "idlevel", "q2dm1", "q2dm3"}));
    l.lists.removeSkipped({});
    QCOMPARE(l.play.count(), 1);
}

void TestLevelLists::levelStandsOnceAfterAnyEditing()
{
    // Random editing sessions over a small pool of names that differ only in case and trailing blanks, so
    // that every operation meets names the other list holds in another spelling.
    const QStringList pool{"a", "A", "b", "B ", "b", "c", "C", "d", "e", "E", "f", "g", "h", "i", " i", "j"};
    QRandomGenerator random(424242);
    const auto some = [&](int max) {
        QStringList names;
        const int n = int(random.bounded(max + 1));
        for (int i = 0; i < n; ++i)
            names.append(pool.at(int(random.bounded(int(pool.size())))));
        return names;
    };
    std::mt19937_64 shuffler(99);

    for (int session = 0; session < 80; ++session) {
        Lists l;
        l.lists.fillAvailable(some(10), some(5));
        l.lists.appendPlayList(some(8));
        for (int step = 0; step < 60; ++step) {
            const Side side = random.bounded(2) ? Side::Available : Side::Play;
            const int count = l.lists.model(side).count();
            QList<int> rows;
            for (int row = 0; row < count; ++row)
                if (random.bounded(3) == 0)
                    rows.append(row);
            l.select(side, rows);

            const int before = l.available.count() + l.play.count();
            bool keepsCount = true;
            QString op;
            switch (random.bounded(12)) {
            case 0:
                l.lists.moveSelected(side);
                op = "move selected";
                break;
            case 1:
                l.lists.moveAll(side);
                op = "move all";
                break;
            case 2:
                l.lists.moveOnePlace(random.bounded(2));
                op = "move one place";
                break;
            case 3:
                l.lists.moveToEnd(random.bounded(2));
                op = "move to end";
                break;
            case 4:
                l.lists.shuffle(shuffler);
                op = "shuffle";
                break;
            case 5:
                l.lists.selectItem(side, int(random.bounded(count + 2)) - 1);
                op = "select";
                break;
            case 6:
                l.lists.removeSkipped(some(4));
                op = "skipped";
                break;
            case 7:
                l.lists.addIdLevels(some(4));
                keepsCount = false;
                op = "add id";
                break;
            case 8:
                l.lists.removeIdLevels(some(4));
                keepsCount = false;
                op = "remove id";
                break;
            case 9:
                l.lists.fillAvailable(some(10), some(3));
                keepsCount = false;
                op = "fill";
                break;
            case 10:
                l.lists.appendPlayList(some(4));
                keepsCount = false;
                op = "load";
                break;
            default:
                l.play.clear();
                l.lists.fillAvailable(some(10));
                keepsCount = false;
                op = "switch";
                break;
            }

            QSet<QString> keys;
            for (const LevelListModel* m : {&l.available, &l.play})
                for (const LevelEntry& e : m->entries()) {
                    QVERIFY2(!keys.contains(e.key), qPrintable(op + ": twice: " + e.name));
                    keys.insert(e.key);
                    QCOMPARE(e.key, levels::levelKey(e.name));
                    QVERIFY(m->holds(e.name));
                }
            for (int row = 1; row < l.available.count(); ++row)
                QVERIFY2(!l.available.lessThan(l.available.entry(row), l.available.entry(row - 1)), qPrintable(op));
            if (keepsCount)
                QVERIFY2(l.available.count() + l.play.count() == before, qPrintable(op));
        }
    }
}

QTEST_GUILESS_MAIN(TestLevelLists)
#include "tst_levellists.moc"
