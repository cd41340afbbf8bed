// Where level names come from: the maps directory, maps.lst and the profile's level file, and how two names
// are compared; the list model that holds them.
#include "levels/LevelCatalogue.h"
#include "levels/LevelListModel.h"
#include "support/AppError.h"
#include "support/ByteText.h"

#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <unistd.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// An independent reading of maps.lst: walk the bytes, a line ends at CR (with an LF after it), lone CR or
// lone LF, a byte 26 that is the file's last byte is dropped, and a name is what stands before the first space.
QStringList referenceIdNames(const QByteArray& data)
{
    QStringList names;
    QByteArray line;
    bool pending = false;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data.at(i);
        if (c == '\x1a' && i + 1 == data.size())
            break;
        if (c == '\r' || c == '\n') {
            names.append(line.indexOf(' ') > 0 ? bytetext::decode(line.left(line.indexOf(' '))) : QString());
            line.clear();
            pending = false;
            if (c == '\r' && i + 1 < data.size() && data.at(i + 1) == '\n')
                ++i;
            continue;
        }
        line.append(c);
        pending = true;
    }
    if (pending)
        names.append(line.indexOf(' ') > 0 ? bytetext::decode(line.left(line.indexOf(' '))) : QString());
    return names;
}

QStringList modelNames(const LevelListModel& model)
{
    return model.names();
}

QList<int> selectedRows(const QItemSelectionModel& selection)
{
    QList<int> rows;
    for (const QModelIndex& index : selection.selectedIndexes())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

class TestLevelCatalogue : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameLevel_data();
    void sameLevel();
    void blankNames_data();
    void blankNames();
    void idLevelName_data();
    void idLevelName();

    void listsLevelFilesOfEveryKind();
    void levelNameOfFileName_data();
    void levelNameOfFileName();
    void mapsDirectoryThatIsNoDirectory_data();
    void mapsDirectoryThatIsNoDirectory();
    void unreadableMapsDirectory();

    void readsIdNamesWithAnyLineEnding_data();
    void readsIdNamesWithAnyLineEnding();
    void binaryMapsListGivesNamesByTheRules();
    void hugeLinesAndManyLines();
    void missingMapsListThrows();
    void profileLevelsReadAsTheyStand();
    void unreadableProfileLevelsGiveNothing();

    void sortedModelOrderDoesNotDependOnInsertionOrder_data();
    void sortedModelOrderDoesNotDependOnInsertionOrder();
    void bulkAddKeepsSelectionOnOldRows();
    void scatteredRemovalKeepsSelectionOnRemainingRows();
    void keyCountsFollowEveryChange();
};

void TestLevelCatalogue::sameLevel_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("case") << "q2dm1"
                          << "Q2DM1" << true;
    QTest::newRow("trailing blank") << "q2dm1"
                                    << "q2dm1 " << false;
    QTest::newRow("leading blank") << " q2dm1"
                                   << "q2dm1" << false;
    QTest::newRow("accented letters") << QStringLiteral("ärger") << QStringLiteral("ÄRGER") << true;
    QTest::newRow("accent is not case") << QStringLiteral("arger") << QStringLiteral("ärger") << false;
    QTest::newRow("prefix") << "q2dm"
                            << "q2dm1" << false;
    QTest::newRow("empty") << ""
                           << "" << true;
}

void TestLevelCatalogue::sameLevel()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(levels::isSameLevel(a, b), same);
    QCOMPARE(levels::levelKey(a) == levels::levelKey(b), same);
}

void TestLevelCatalogue::blankNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("blank");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("spaces") << "   " << true;
    QTest::newRow("controls") << QString::fromLatin1("\t\x01\x1f ") << true;
    QTest::newRow("NUL") << QString(QChar(0)) << true;
    QTest::newRow("letter") << " a " << false;
    QTest::newRow("DEL") << QString(QChar(127)) << false;
    QTest::newRow("no-break space") << QString(QChar(0xA0)) << false;
}

void TestLevelCatalogue::blankNames()
{
    QFETCH(QString, name);
    QFETCH(bool, blank);
    QCOMPARE(levels::isBlankLevelName(name), blank);
}

void TestLevelCatalogue::idLevelName_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("name");
    QTest::newRow("name and title") << QByteArray("q2dm1 The Edge") << "q2dm1";
    QTest::newRow("no space") << QByteArray("q2dm1") << "";
    QTest::newRow("leading space") << QByteArray(" q2dm1 The Edge") << "";
    QTest::newRow("tab is no space") << QByteArray("q2dm1\tThe Edge x") << "q2dm1\tThe";
    QTest::newRow("two spaces") << QByteArray("base1  Outer Base") << "base1";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("NUL inside") << QByteArray("q2\0dm1 x", 8) << QString::fromLatin1("q2\0dm1", 6);
    QTest::newRow("UTF-8") << QByteArray("gr\xc3\xb6\xc3\x9f"
                                         "e x")
                           << QStringLiteral("größe");
}

void TestLevelCatalogue::idLevelName()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, name);
    QCOMPARE(levels::idLevelName(line), name);
}

void TestLevelCatalogue::listsLevelFilesOfEveryKind()
{
    QTemporaryDir dir;
    const QString maps = dir.path() + u'/';
    for (const char* name : {"Q2DM1.BSP", "q2dm2.bsp", "Mixed.Bsp", ".hidden.bsp", "two.dots.bsp", ".bsp", "x.bspx",
                             "readme.txt", "bsp", "nobsp", "with blank.bsp",
                             // names the game cannot be given: not levels
                             "q\"uote.bsp", "semi;colon.bsp", "line\nfeed.bsp", "carriage\rreturn.bsp", "tab\there.bsp"})
        writeFile(maps + QString::fromLatin1(name), "x");
    // Two names that differ in a byte that is not UTF-8 stay two levels, each with exactly its own bytes.
    for (const QByteArray& name : {QByteArray("caf\xe9"), QByteArray("caf\xe8")}) {
        const QByteArray path = QFile::encodeName(maps) + name + ".bsp";
        FILE* f = std::fopen(path.constData(), "wb");
        QVERIFY(f != nullptr);
        std::fclose(f);
    }
    QVERIFY(QDir().mkdir(maps + QStringLiteral("folder.bsp")));
    QVERIFY(QFile::link(maps + QStringLiteral("readme.txt"), maps + QStringLiteral("link.bsp")));
    QVERIFY(QFile::link(maps + QStringLiteral("nowhere"), maps + QStringLiteral("dangling.BSP")));

    const QStringList names = levels::listLevelFiles(maps);
    const QSet<QString> got(names.cbegin(), names.cend());
    QCOMPARE(names.size(), got.size());
    const QSet<QString> expected{"Q2DM1",    "q2dm2",      "Mixed",
                                 ".hidden",  "two.dots",   "",
                                 "folder",   "link",       "dangling",
                                 "with blank", bytetext::decode("caf\xe9"), bytetext::decode("caf\xe8")};
    QCOMPARE(got, expected);
    QCOMPARE(bytetext::encode(bytetext::decode("caf\xe9")), QByteArray("caf\xe9"));

    // The path may come without its trailing separator too.
    QCOMPARE(levels::listLevelFiles(dir.path()).size(), names.size());
}

void TestLevelCatalogue::levelNameOfFileName_data()
{
    QTest::addColumn<QByteArray>("fileName");
    QTest::addColumn<QString>("level");
    QTest::newRow("multi-byte character last") << QByteArray("caf\xc3\xa9.bsp") << QStringLiteral("caf\u00e9");
    QTest::newRow("three-byte characters only") << QByteArray("\xe6\x97\xa5\xe6\x9c\xac.BSP")
                                                << QStringLiteral("\u65e5\u672c");
    QTest::newRow("four-byte character last") << QByteArray("dm\xf0\x9f\x98\x80.bsp")
                                              << QStringLiteral("dm\U0001F600");
    QTest::newRow("plain") << QByteArray("Q2DM1.BSP") << QStringLiteral("Q2DM1");
}

// The name is the file name's bytes without the last four, decoded: a slip at the end of a multi-byte character
// would show "caf" and two replacement characters.
void TestLevelCatalogue::levelNameOfFileName()
{
    QFETCH(QByteArray, fileName);
    QFETCH(QString, level);
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path()) + '/' + fileName;
    FILE* f = std::fopen(path.constData(), "wb");
    QVERIFY(f != nullptr);
    std::fclose(f);
    QCOMPARE(levels::listLevelFiles(dir.path()), QStringList{level});
}

void TestLevelCatalogue::mapsDirectoryThatIsNoDirectory_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("missing") << "absent/";
    QTest::newRow("a file") << "file.bsp";
    QTest::newRow("a file with separator") << "file.bsp/";
}

void TestLevelCatalogue::mapsDirectoryThatIsNoDirectory()
{
    QFETCH(QString, relative);
    QTemporaryDir dir;
    writeFile(dir.filePath(QStringLiteral("file.bsp")), "not a directory");
    QVERIFY(levels::listLevelFiles(dir.path() + u'/' + relative).isEmpty());
}

void TestLevelCatalogue::unreadableMapsDirectory()
{
    if (::geteuid() == 0)
        QSKIP("permissions do not keep the superuser out");
    QTemporaryDir dir;
    const QString maps = dir.filePath(QStringLiteral("maps"));
    QVERIFY(QDir().mkdir(maps));
    writeFile(maps + QStringLiteral("/a.bsp"), "x");
    QFile::setPermissions(maps, QFileDevice::Permissions());
    const QStringList names = levels::listLevelFiles(maps);
    QFile::setPermissions(maps, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(names.isEmpty());
}

void TestLevelCatalogue::readsIdNamesWithAnyLineEnding_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("CR LF") << QByteArray("a 1\r\nb 2\r\n") << QStringList{"a", "b"};
    QTest::newRow("LF only") << QByteArray("a 1\nb 2\nc 3") << QStringList{"a", "b", "c"};
    QTest::newRow("CR only") << QByteArray("a 1\rb 2\rc 3\r") << QStringList{"a", "b", "c"};
    QTest::newRow("LF CR is two endings") << QByteArray("a 1\n\rb 2") << QStringList{"a", "", "b"};
    QTest::newRow("byte 26 inside is data") << QByteArray("a 1\r\nb 2\x1a\r\nc 3\r\n") << QStringList{"a", "b", "c"};
    QTest::newRow("byte 26 as the last byte") << QByteArray("a 1\r\nb 2\x1a") << QStringList{"a", "b"};
    QTest::newRow("NUL bytes stay") << QByteArray("a\0b 1\r\n\0 2\r\n", 12)
                                    << QStringList{QString::fromLatin1("a\0b", 3), QString(QChar(0))};
    QTest::newRow("blank lines") << QByteArray("\r\n \r\n  x\r\n") << QStringList{"", "", ""};
}

void TestLevelCatalogue::readsIdNamesWithAnyLineEnding()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, names);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("maps.lst"));
    writeFile(path, data);
    QCOMPARE(levels::readIdLevelNames(path), names);
}

void TestLevelCatalogue::binaryMapsListGivesNamesByTheRules()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("maps.lst"));
    QRandomGenerator random(20240607);
    for (int round = 0; round < 20; ++round) {
        QByteArray garbage(4096 + round * 997, Qt::Uninitialized);
        for (char& c : garbage)
            c = char(random.bounded(256));
        // Bytes 26 anywhere in some rounds, only as the last byte in others, none in the rest.
        if (round % 4 != 0)
            garbage.replace('\x1a', 'z');
        if (round % 4 == 1)
            garbage.append('\x1a');
        writeFile(path, garbage);
        const QStringList names = levels::readIdLevelNames(path);
        QCOMPARE(names, referenceIdNames(garbage));
        for (const QString& name : names)
            QVERIFY(!name.contains(u' ') && !name.contains(u'\r') && !name.contains(u'\n'));
    }
}

void TestLevelCatalogue::hugeLinesAndManyLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("maps.lst"));

    const QByteArray longName(100 * 1024, 'x');
    writeFile(path, longName + " title\r\n" + QByteArray(100 * 1024, 'y') + "\r\nq2dm1 x\r\n");
    const QStringList names = levels::readIdLevelNames(path);
    QCOMPARE(names.size(), 3);
    QCOMPARE(names.at(0), QString::fromLatin1(longName));
    QCOMPARE(names.at(1), QString());
    QCOMPARE(names.at(2), QStringLiteral("q2dm1"));

    constexpr int kLines = 700 * 1000; // about 7 MB: near the largest file that is read
    QByteArray many;
    many.reserve(kLines * 12);
    for (int i = 0; i < kLines; ++i) {
        many += 'm';
        many += QByteArray::number(i);
        many += " t\n";
    }
    writeFile(path, many);
    const QStringList all = levels::readIdLevelNames(path);
    QCOMPARE(all.size(), kLines);
    QCOMPARE(all.first(), QStringLiteral("m0"));
    QCOMPARE(all.last(), QStringLiteral("m%1").arg(kLines - 1));
}

void TestLevelCatalogue::missingMapsListThrows()
{
    QTemporaryDir dir;
    try {
        levels::readIdLevelNames(dir.filePath(QStringLiteral("maps.lst")));
        QFAIL("no error for a missing maps.lst");
    } catch (const AppError& e) {
        QCOMPARE(e.text(), QStringLiteral("File not found"));
    }
    // A directory in its place cannot be read either.
    QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("maps.lst"))));
    QVERIFY_THROWS_EXCEPTION(AppError, levels::readIdLevelNames(dir.filePath(QStringLiteral("maps.lst"))));
}

void TestLevelCatalogue::profileLevelsReadAsTheyStand()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("untitled_maps.txt"));
    writeFile(path, "q2dm1 \r\n\r\n   \r\nQ2DM1\r\n\tbase1\rq2dm3\n\xc3\xa4rger");
    QCOMPARE(levels::readProfileLevels(path),
             (QStringList{"q2dm1 ", "", "   ", "Q2DM1", "\tbase1", "q2dm3", QStringLiteral("ärger")}));
}

void TestLevelCatalogue::unreadableProfileLevelsGiveNothing()
{
    QTemporaryDir dir;
    QVERIFY(levels::readProfileLevels(dir.filePath(QStringLiteral("absent_maps.txt"))).isEmpty());
    QVERIFY(QDir().mkdir(dir.filePath(QStringLiteral("dir_maps.txt"))));
    QVERIFY(levels::readProfileLevels(dir.filePath(QStringLiteral("dir_maps.txt"))).isEmpty());
}

void TestLevelCatalogue::sortedModelOrderDoesNotDependOnInsertionOrder_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("C") << "C";
    QTest::newRow("English") << "en_US";
    QTest::newRow("German") << "de_DE";
    QTest::newRow("Swedish") << "sv_SE";
    QTest::newRow("Turkish") << "tr_TR";
    QTest::newRow("Danish") << "da_DK"; // "aa" sorts as one letter after "z"
    QTest::newRow("Czech") << "cs_CZ";  // so does "ch", after "h"
}

void TestLevelCatalogue::sortedModelOrderDoesNotDependOnInsertionOrder()
{
    // One level at a time (compared pairwise), many at once (collated once each), and merged into an existing
    // list must all give the same order, in every locale.
    QFETCH(QString, locale);
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });

    const QStringList parts{"q2dm",
                            "Q2DM",
                            "base",
                            "Base",
                            "_x",
                            "a",
                            "B",
                            "b-c",
                            "bc",
                            QStringLiteral("ärger"),
                            "arger",
                            "Zed",
                            "z",
                            "10",
                            "9",
                            QStringLiteral("Ölfeld"),
                            "I",
                            "i",
                            QStringLiteral("ı"),
                            QStringLiteral("İ"),
                            " lead",
                            "dm.v2",
                            "~t"};
    QStringList names;
    for (const QString& a : parts)
        for (const QString& b : {QString(), QStringLiteral("1"), QStringLiteral("x"), QStringLiteral("X2")})
            names.append(a + b);
    // Marks and digits, which the locales order differently from their character codes.
    for (int i = 0; i < 80; ++i)
        names << QStringLiteral("_n%1").arg(i) << QStringLiteral("%1_n").arg(i) << QStringLiteral("n-%1").arg(i);
    LevelListModel reference(LevelListModel::Order::Sorted);
    QList<LevelEntry> all;
    for (const QString& n : names)
        all.append(LevelEntry::fromName(n));
    reference.reset(all);
    for (int row = 1; row < reference.count(); ++row)
        QVERIFY(!reference.lessThan(reference.entry(row), reference.entry(row - 1)));
    // Without regard to case.
    QVERIFY(reference.names().indexOf("B") < reference.names().indexOf("base"));
    QVERIFY(reference.names().indexOf("a") < reference.names().indexOf("B"));

    QRandomGenerator random(7);
    for (int round = 0; round < 4; ++round) {
        std::shuffle(names.begin(), names.end(), std::mt19937(random.generate()));
        LevelListModel oneByOne(LevelListModel::Order::Sorted);
        for (const QString& n : names)
            oneByOne.add(LevelEntry::fromName(n));
        QCOMPARE(modelNames(oneByOne), modelNames(reference));

        LevelListModel merged(LevelListModel::Order::Sorted);
        QList<LevelEntry> first, second;
        for (int i = 0; i < names.size(); ++i)
            (i % 3 ? first : second).append(LevelEntry::fromName(names.at(i)));
        merged.addAll(first);
        merged.addAll(second);
        QCOMPARE(modelNames(merged), modelNames(reference));
    }
}

void TestLevelCatalogue::bulkAddKeepsSelectionOnOldRows()
{
    LevelListModel model(LevelListModel::Order::Sorted);
    QItemSelectionModel selection(&model);
    model.reset({LevelEntry::fromName("b"), LevelEntry::fromName("d"), LevelEntry::fromName("f")});
    selection.select(model.index(1), QItemSelectionModel::Select);            // d
    selection.setCurrentIndex(model.index(2), QItemSelectionModel::NoUpdate); // f
    model.addAll({LevelEntry::fromName("e"), LevelEntry::fromName("a"), LevelEntry::fromName("C")});
    QCOMPARE(modelNames(model), (QStringList{"a", "b", "C", "d", "e", "f"}));
    QCOMPARE(selectedRows(selection), QList<int>{3});
    QCOMPARE(selection.currentIndex().row(), 5);
}

void TestLevelCatalogue::scatteredRemovalKeepsSelectionOnRemainingRows()
{
    LevelListModel model(LevelListModel::Order::Insertion);
    QItemSelectionModel selection(&model);
    QList<LevelEntry> entries;
    for (const char* n : {"a", "b", "c", "d", "e", "f", "g"})
        entries.append(LevelEntry::fromName(QString::fromLatin1(n)));
    model.addAll(entries);
    for (const int row : {1, 2, 5})
        selection.select(model.index(row), QItemSelectionModel::Select);
    model.removeRowList({6, 0, 2, 4});
    QCOMPARE(modelNames(model), (QStringList{"b", "d", "f"}));
    QCOMPARE(selectedRows(selection), (QList<int>{0, 2}));
}

void TestLevelCatalogue::keyCountsFollowEveryChange()
{
    LevelListModel model(LevelListModel::Order::Insertion);
    model.addAll({LevelEntry::fromName("Q2DM1"), LevelEntry::fromName("base1"), LevelEntry::fromName("q2dm2")});
    QVERIFY(model.holds("q2dm1"));
    QCOMPARE(model.indexOf("BASE1"), 1);
    QVERIFY(!model.holds("q2dm1 "));
    model.swapRows(0, 2);
    model.moveRowTo(0, 2);
    QCOMPARE(modelNames(model), (QStringList{"base1", "Q2DM1", "q2dm2"}));
    QCOMPARE(model.indexOf("q2dm1"), 1);
    model.takeAt(1);
    QVERIFY(!model.holds("Q2DM1"));
    model.insertAt(0, LevelEntry::fromName("x"));
    QCOMPARE(model.indexOf("X"), 0);
    const QList<LevelEntry> all = model.takeAll();
    QCOMPARE(all.size(), 3);
    QVERIFY(!model.holds("x") && !model.holds("base1"));
}

QTEST_GUILESS_MAIN(TestLevelCatalogue)
#include "tst_levelcatalogue.moc"
