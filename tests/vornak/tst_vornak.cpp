// The level-title reader, called through its C export on level files written to disk.
#include "common/BspWriter.h"
#include "vornak/TitleModel.h"

#include "vornak.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QFileInfo>
#include <QTest>

#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include <sys/stat.h>

using velstrom::test::BspWriter;
using velstrom::test::modelTitle;

namespace {

const QByteArray kFallback("[Map Name Not Available]\0", 25);
const QByteArray kWorldspawn = "\"classname\" \"worldspawn\"";

struct Reading {
    int result = -1;
    QByteArray title; // the buffer's text up to its first NUL
};

Reading readTitle(const QString& path)
{
    QByteArray buffer(256, '\xAA');
    Reading reading;
    reading.result = Vornak(QFile::encodeName(path).constData(), buffer.data(), 255);
    reading.title = QByteArray(buffer.constData());
    return reading;
}

// The memory export over the same bytes, with the buffer the program passes.
Reading readTitleInMemory(const QByteArray& bytes)
{
    QByteArray buffer(256, '\xAA');
    Reading reading;
    reading.result = VornakMemory(bytes.constData(), size_t(bytes.size()), buffer.data(), 255);
    reading.title = QByteArray(buffer.constData());
    return reading;
}

QByteArray level(const QByteArray& entities)
{
    return BspWriter().setEntities(entities).setEntityOffset(1000).setTrailingSize(3000).build();
}

QByteArray titleOf(int length)
{
    QByteArray title;
    while (title.size() < length)
        title += "Long level title " + QByteArray::number(title.size()) + ' ';
    return title.left(length);
}

// A worldspawn entity as the boundary tests lay it out: `padding` bytes of other pairs between
// the "{" and the classname, the title before or after the classname, and a later entity whose
// "message" must never be taken for the title.
QByteArray boundaryEntities(bool messageFirst, int padding, const QByteArray& title = "Arena {Team Moo}")
{
    const QByteArray message = "\"message\" \"" + title + "\"\n";
    QByteArray pad;
    if (padding >= 10)
        pad = "\"_pad\" \"" + QByteArray(padding - 10, 'x') + "\"\n";
    else
        pad = QByteArray(padding, '\n');
    return "{\n" + (messageFirst ? message : QByteArray()) + pad + kWorldspawn + '\n' +
           (messageFirst ? QByteArray() : message) + "}\n" +
           BspWriter::entity({{"classname", "target_speaker"}, {"message", "Decoy Title"}});
}

qsizetype worldspawnCloseIndex(const QByteArray& entities)
{
    return entities.indexOf("\n}\n") + 1;
}

enum class Element { Pattern, Key, Open, Close };

struct SweepCase {
    Element element;
    bool messageFirst;
    int padding;
    bool endsAfterEntities; // the file ends right after the text, without the lump's NUL
    qint64 offset;

    QString name() const
    {
        static const char* const names[] = {"worldspawn", "key", "{", "}"};
        return QStringLiteral("%1@%2 %3 pad%4%5")
            .arg(QLatin1String(names[static_cast<int>(element)]))
            .arg(offset)
            .arg(messageFirst ? QStringLiteral("message-first") : QStringLiteral("message-last"))
            .arg(padding)
            .arg(endsAfterEntities ? QStringLiteral(" at-end") : QString());
    }

    BspWriter writer() const
    {
        const QByteArray entities = boundaryEntities(messageFirst, padding);
        BspWriter bsp;
        bsp.setEntities(entities);
        switch (element) {
        case Element::Pattern:
            bsp.placeText(kWorldspawn, offset);
            break;
        case Element::Key:
            bsp.placeText("\"message\"", offset);
            break;
        case Element::Open:
            bsp.placeEntityByte(0, offset);
            break;
        case Element::Close:
            bsp.placeEntityByte(worldspawnCloseIndex(entities), offset);
            break;
        }
        if (endsAfterEntities)
            bsp.setTerminatingNul(false);
        else
            bsp.setTrailingSize(30000);
        return bsp;
    }
};

// Every layout puts one element at every offset next to the two places where the reader's
// windows meet: the first byte of the second window and the end of the first.
QList<SweepCase> sweepCases()
{
    QList<qint64> offsets;
    for (qint64 at = 8180; at <= 8200; ++at)
        offsets.append(at);
    for (qint64 at = 16370; at <= 16400; ++at)
        offsets.append(at);

    QList<SweepCase> cases;
    for (Element element : {Element::Pattern, Element::Key, Element::Open, Element::Close})
        for (bool messageFirst : {false, true})
            for (int padding : {40, 8180})
                for (bool atEnd : {false, true})
                    for (qint64 offset : offsets) {
                        const SweepCase c{element, messageFirst, padding, atEnd, offset};
                        if (c.writer().isValid())
                            cases.append(c);
                    }
    return cases;
}

} // namespace

class TestVornak : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_files = 0;

    QString writeFile(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("level%1.bsp").arg(++m_files));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
        return path;
    }

    // Checks the reader, and the model the sweep relies on, against one expectation.
    void checkFile(const QByteArray& bytes, bool found, const QByteArray& title)
    {
        const QString path = writeFile(bytes);
        QVERIFY(!path.isEmpty());
        const Reading reading = readTitle(path);
        QCOMPARE(reading.result, found ? 1 : 0);
        QCOMPARE(reading.title, found ? title : kFallback.left(24));
        const Reading inMemory = readTitleInMemory(bytes);
        QCOMPARE(inMemory.result, reading.result);
        QCOMPARE(inMemory.title, reading.title);

        const auto model = modelTitle(bytes);
        QCOMPARE(model.found, found);
        QCOMPARE(model.title, found ? title : QByteArray());
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void titles_data();
    void titles();
    void windowRules_data();
    void windowRules();
    void boundarySweep_data();
    void boundarySweep();
    void boundarySweepMeetsBothOutcomes();
    void compilerFiles_data();
    void compilerFiles();
    void buffer_data();
    void buffer();
    void unreadablePaths_data();
    void unreadablePaths();
    void nullArguments();
};

void TestVornak::titles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("title");

    const auto world = [](const QByteArray& pairs) { return "{\n\"classname\" \"worldspawn\"\n" + pairs + "}\n"; };

    QTest::newRow("message after classname")
        << level(BspWriter::levelEntities("The Plain Arena")) << true << QByteArray("The Plain Arena");
    QTest::newRow("message before classname") << level(BspWriter::levelEntities("Message Before Classname", true))
                                              << true << QByteArray("Message Before Classname");
    QTest::newRow("key only in a later entity")
        << level(BspWriter::entity({{"classname", "worldspawn"}, {"sky", "unit1_"}}) +
                 BspWriter::entity({{"classname", "target_speaker"}, {"message", "Not The Title"}}))
        << false << QByteArray();
    QTest::newRow("worldspawn without any message")
        << level(BspWriter::levelEntities(QByteArray())) << false << QByteArray();
    QTest::newRow("empty value") << level(world("\"message\" \"\"\n")) << true << QByteArray("");
    QTest::newRow("two blanks before the value")
        << level(world("\"message\"  \"Two Blanks\"\n")) << true << QByteArray("");
    QTest::newRow("separator is not examined")
        << level(world("\"message\"\t\"Tabbed\"\n")) << true << QByteArray("Tabbed");
    QTest::newRow("99 characters") << level(BspWriter::levelEntities(titleOf(99))) << true << titleOf(99);
    QTest::newRow("100 characters cut to 99") << level(BspWriter::levelEntities(titleOf(100))) << true << titleOf(99);
    QTest::newRow("240 characters cut to 99") << level(BspWriter::levelEntities(titleOf(240))) << true << titleOf(99);
    QTest::newRow("escape sequences stay as they are")
        << level(BspWriter::levelEntities("Two\\nLines \\\\ here")) << true << QByteArray("Two\\nLines \\\\ here");
    QTest::newRow("game charset bytes") << level(BspWriter::levelEntities("\xC1\xF2\xE5\xEE\xE1 \x7f\x01")) << true
                                        << QByteArray("\xC1\xF2\xE5\xEE\xE1 \x7f\x01");
    QTest::newRow("NUL ends the value") << level(world(QByteArray("\"message\" \"Cut\0Here\"\n", 21))) << true
                                        << QByteArray("Cut");

    // Braces inside titles must not be taken for the entity's own.
    QTest::newRow("braces in title, message first")
        << level(BspWriter::levelEntities("Arena {Team Moo}", true)) << true << QByteArray("Arena {Team Moo}");
    QTest::newRow("braces in title, message last")
        << level(BspWriter::levelEntities("Brace } and { inside", false)) << true << QByteArray("Brace } and { inside");
    QTest::newRow("closing brace in an earlier value")
        << level(world("\"_note\" \"a } b\"\n\"message\" \"Past The Brace\"\n")) << true
        << QByteArray("Past The Brace");
    QTest::newRow("opening brace in an earlier value, message first")
        << level("{\n\"_note\" \"{\"\n\"message\" \"Deep\"\n\"classname\" \"worldspawn\"\n}\n") << true
        << QByteArray("Deep");
    QTest::newRow("quoted brace is not the entity start")
        << level("\"x\" \"{\"\n\"classname\" \"worldspawn\"\n\"message\" \"No Start\"\n}\n") << false << QByteArray();

    // The key counts only where a key stands, never as a value or inside one.
    QTest::newRow("value reading message before the key")
        << level(world("\"target\" \"message\"\n\"message\" \"Real Title\"\n")) << true << QByteArray("Real Title");
    QTest::newRow("value reading message, message first")
        << level("{\n\"target\" \"message\"\n\"message\" \"Real Title\"\n\"classname\" \"worldspawn\"\n}\n") << true
        << QByteArray("Real Title");
    QTest::newRow("title mentioning message")
        << level(BspWriter::levelEntities("The message of Doom", true)) << true << QByteArray("The message of Doom");
    QTest::newRow("title that is the word message")
        << level(BspWriter::levelEntities("message", true)) << true << QByteArray("message");
    QTest::newRow("key in another letter case") << level(world("\"Message\" \"Shouted\"\n")) << false << QByteArray();

    QTest::newRow("Classname in other case")
        << level("{\n\"Classname\" \"worldspawn\"\n\"message\" \"Case\"\n}\n") << false << QByteArray();
    QTest::newRow("worldspawn in other case")
        << level("{\n\"classname\" \"WorldSpawn\"\n\"message\" \"Case\"\n}\n") << false << QByteArray();
    QTest::newRow("two blanks inside the pattern")
        << level("{\n\"classname\"  \"worldspawn\"\n\"message\" \"Spaced\"\n}\n") << false << QByteArray();
    QTest::newRow("tab inside the pattern")
        << level("{\n\"classname\"\t\"worldspawn\"\n\"message\" \"Tabbed\"\n}\n") << false << QByteArray();

    // The reader looks at bytes, not at the header.
    QTest::newRow("entity text alone") << "\n" + BspWriter::levelEntities("No Header") << true
                                       << QByteArray("No Header");
    QTest::newRow("empty file") << QByteArray() << false << QByteArray();
    QTest::newRow("shorter than the pattern") << kWorldspawn.left(23) << false << QByteArray();
    QTest::newRow("pattern alone") << kWorldspawn << false << QByteArray();
    QTest::newRow("text without entities")
        << QByteArray("Notes about a level.\nNo braces here.\n") << false << QByteArray();
    QTest::newRow("header only") << BspWriter().setTerminatingNul(false).build() << false << QByteArray();

    // Where the file's first byte and its end fall.
    QTest::newRow("{ at the file's first byte")
        << QByteArray("{\"classname\" \"worldspawn\" \"message\" \"First Byte\"}") << false << QByteArray();
    QTest::newRow("{ at the second byte") << QByteArray(" {\"classname\" \"worldspawn\" \"message\" \"Second Byte\"}")
                                          << true << QByteArray("Second Byte");
    QTest::newRow("no } before the end") << QByteArray("\n{\"classname\" \"worldspawn\" \"message\" \"Open\"\n")
                                         << false << QByteArray();
    QTest::newRow("lone worldspawn ends the file, message first")
        << BspWriter()
               .setEntities("{\n\"message\" \"Lone\"\n\"classname\" \"worldspawn\"\n}")
               .setTerminatingNul(false)
               .build()
        << true << QByteArray("Lone");
    QTest::newRow("key and } end the file")
        << QByteArray("\n{\"classname\" \"worldspawn\" \"message\"}") << true << QByteArray();
    QTest::newRow("unquoted value runs to the end of the file")
        << QByteArray("\n{\"classname\" \"worldspawn\" \"message\" -Unquoted}") << true << QByteArray("Unquoted}");
    QTest::newRow("unquoted value runs to the lump's NUL")
        << level("{\"classname\" \"worldspawn\" \"message\" -Unquoted}\n") << true << QByteArray("Unquoted}\n");
}

void TestVornak::titles()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, found);
    QFETCH(QByteArray, title);
    checkFile(file, found, title);
}

void TestVornak::windowRules_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("title");

    const QByteArray title = "Arena {Team Moo}";
    // Message last, 8180 bytes of padding: the classname starts 8190 bytes after the "{".
    const QByteArray longEntity = boundaryEntities(false, 8180);
    const auto openAt = [&](qint64 offset) {
        return BspWriter().setEntities(longEntity).placeEntityByte(0, offset).setTrailingSize(30000).build();
    };
    QTest::newRow("pattern across the first block boundary")
        << BspWriter().setEntities(boundaryEntities(false, 40)).placeText(kWorldspawn, 8180).build() << true << title;
    QTest::newRow("pattern across the window's end")
        << BspWriter().setEntities(boundaryEntities(true, 40)).placeText(kWorldspawn, 16370).build() << true << title;
    // The pattern crosses 16384, so only the second window (from 8192) holds it whole.
    QTest::newRow("long entity, { before the second window") << openAt(8191) << false << QByteArray();
    QTest::newRow("long entity, { on the second window's first byte") << openAt(8192) << false << QByteArray();
    QTest::newRow("long entity, { inside the second window") << openAt(8193) << true << title;

    // Message first, "{" at 8000: everything but the "}" can lie in the first window.
    const QByteArray messageFirst = boundaryEntities(true, 8180);
    const auto closeAt = [&](qint64 offset) {
        return BspWriter()
            .setEntities(messageFirst)
            .placeEntityByte(worldspawnCloseIndex(messageFirst), offset)
            .setTrailingSize(30000)
            .build();
    };
    QTest::newRow("} on the first window's last byte") << closeAt(16383) << true << title;
    QTest::newRow("} just past the first window, { left behind") << closeAt(16384) << false << QByteArray();

    QTest::newRow("title far into a large file") << BspWriter()
                                                        .setEntities(BspWriter::levelEntities("Deep Inside"))
                                                        .setEntityOffset(1000003)
                                                        .setTrailingSize(1000000)
                                                        .build()
                                                 << true << QByteArray("Deep Inside");
    QTest::newRow("raw binary around the entities") << BspWriter()
                                                           .setEntities(BspWriter::levelEntities("In The Noise"))
                                                           .setFiller(BspWriter::Filler::RawNoise)
                                                           .setEntityOffset(50000)
                                                           .setTrailingSize(50000)
                                                           .build()
                                                    << true << QByteArray("In The Noise");

    // The reader takes large files in growing reads into a buffer it refills: patterns across those
    // reads, and a worldspawn without a title long before one with a title.
    for (const qint64 at : {qint64(507904), qint64(1032192)})
        QTest::addRow("pattern across the read ending at %lld", at)
            << BspWriter().setEntities(boundaryEntities(false, 40)).placeText(kWorldspawn, at - 10).build() << true
            << title;
    QTest::newRow("untitled worldspawn, a titled one 700 kB on")
        << BspWriter()
               .setEntities("{\n" + kWorldspawn + "\n}\n" + QByteArray(700000, ' ') + BspWriter::levelEntities("Later"))
               .setFiller(BspWriter::Filler::RawNoise)
               .setEntityOffset(300)
               .setTrailingSize(1000)
               .build()
        << true << QByteArray("Later");

    // Files that end exactly where a read ends: the next read comes back empty.
    for (qint64 size : {8192, 16384, 24576, 32768}) {
        const QByteArray entities = boundaryEntities(true, 40, "Block End");
        const QByteArray lastEntity = entities.left(worldspawnCloseIndex(entities) + 1);
        QTest::addRow("file of %lld bytes ends with the }", size)
            << BspWriter()
                   .setEntities(lastEntity)
                   .setTerminatingNul(false)
                   .placeEntityByte(lastEntity.size() - 1, size - 1)
                   .build()
            << true << QByteArray("Block End");
    }

    // After the last, short read the window still holds bytes of the one before; an open value
    // must stop where the file's data stop.
    const QByteArray tail = "{\"classname\" \"worldspawn\" \"message\" -Tail}";
    QTest::newRow("open value at the end of a short last read")
        << BspWriter().setEntities(tail).setTerminatingNul(false).placeEntityByte(tail.size() - 1, 16384 + 30).build()
        << true << QByteArray("Tail}");
}

void TestVornak::windowRules()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, found);
    QFETCH(QByteArray, title);
    QVERIFY(!file.isEmpty());
    checkFile(file, found, title);
}

void TestVornak::boundarySweep_data()
{
    QTest::addColumn<int>("index");
    const QList<SweepCase> cases = sweepCases();
    for (int i = 0; i < cases.size(); ++i)
        QTest::newRow(qPrintable(cases[i].name())) << i;
}

void TestVornak::boundarySweep()
{
    QFETCH(int, index);
    static const QList<SweepCase> cases = sweepCases();
    const QByteArray bytes = cases[index].writer().build();
    const auto expected = modelTitle(bytes);

    const QString path = m_dir.filePath(QStringLiteral("sweep.bsp"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();

    for (const Reading& reading : {readTitle(path), readTitleInMemory(bytes)}) {
        QCOMPARE(reading.result, expected.found ? 1 : 0);
        QCOMPARE(reading.title, expected.found ? expected.title : kFallback.left(24));
    }
}

void TestVornak::boundarySweepMeetsBothOutcomes()
{
    // A sweep whose layouts all land inside one window would prove nothing about the windows.
    int found = 0;
    int missed = 0;
    for (const SweepCase& c : sweepCases())
        ++(modelTitle(c.writer().build()).found ? found : missed);
    qInfo("boundary sweep: %d layouts with a title found, %d without", found, missed);
    QVERIFY(found > 100);
    QVERIFY(missed > 100);
}

void TestVornak::compilerFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("title");

    const QByteArray longTitle =
        "A deliberately long level title of one hundred and twenty characters, longer than any "
        "buffer a careless reader might use";
    const QByteArray title99 = "Ninety-nine characters of level title text, padded carefully so the total length is "
                               "exactly 99 char";
    for (const char* compiler : {"ew", "q2t"}) {
        const QString prefix = QLatin1String(compiler) + QLatin1Char('_');
        QTest::addRow("%s_120", compiler) << prefix + "120.bsp" << true << longTitle.left(99);
        QTest::addRow("%s_99", compiler) << prefix + "99.bsp" << true << title99;
        QTest::addRow("%s_braces", compiler)
            << prefix + "braces.bsp" << true << QByteArray("Brace } and { inside \\n title");
        QTest::addRow("%s_empty", compiler) << prefix + "empty.bsp" << true << QByteArray("");
        QTest::addRow("%s_msgfirst", compiler)
            << prefix + "msgfirst.bsp" << true << QByteArray("Message Before Classname");
        QTest::addRow("%s_nomsg", compiler) << prefix + "nomsg.bsp" << false << QByteArray();
        QTest::addRow("%s_plain", compiler) << prefix + "plain.bsp" << true << QByteArray("The Plain Arena");
    }
}

void TestVornak::compilerFiles()
{
    QFETCH(QString, name);
    QFETCH(bool, found);
    QFETCH(QByteArray, title);
    const QString path = QStringLiteral(VELSTROM_TEST_DATA "/bsp/") + name;
    QVERIFY2(QFile::exists(path), qPrintable(path));

    const Reading reading = readTitle(path);
    QCOMPARE(reading.result, found ? 1 : 0);
    QCOMPARE(reading.title, found ? title : kFallback.left(24));
}

void TestVornak::buffer_data()
{
    QTest::addColumn<QByteArray>("title"); // null: the level has none
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("expected"); // the first max(capacity, 25) bytes of the buffer

    const QByteArray t99 = titleOf(99);
    const QByteArray zeros230(230, '\0');
    QTest::newRow("no title, capacity 255") << QByteArray() << 255 << 0 << kFallback + zeros230;
    QTest::newRow("no title, capacity 10") << QByteArray() << 10 << 0 << kFallback;
    QTest::newRow("short title over the fallback")
        << QByteArray("Hi") << 255 << 1 << QByteArray("Hi\0p Name Not Available]\0", 25) + zeros230;
    QTest::newRow("99 characters, capacity 255") << t99 << 255 << 1 << t99 + QByteArray(156, '\0');
    QTest::newRow("99 characters, capacity 100") << t99 << 100 << 1 << t99 + QByteArray(1, '\0');
    QTest::newRow("99 characters, capacity 99: no NUL") << t99 << 99 << 1 << t99;
    QTest::newRow("99 characters, capacity 50: no NUL") << t99 << 50 << 1 << t99.left(50);
    QTest::newRow("capacity 1") << QByteArray("Xy") << 1 << 1 << "X" + kFallback.mid(1);
    QTest::newRow("capacity 0 reads nothing") << QByteArray("Found") << 0 << 0 << kFallback;
    QTest::newRow("negative capacity reads nothing") << QByteArray("Found") << -5 << 0 << kFallback;
}

void TestVornak::buffer()
{
    QFETCH(QByteArray, title);
    QFETCH(int, capacity);
    QFETCH(int, result);
    QFETCH(QByteArray, expected);

    const QByteArray bytes = level(BspWriter::levelEntities(title));
    const QString path = writeFile(bytes);
    QByteArray buffer(300, '\xAA');
    QCOMPARE(Vornak(QFile::encodeName(path).constData(), buffer.data(), static_cast<int16_t>(capacity)), result);
    QCOMPARE(buffer.left(expected.size()), expected);
    QCOMPARE(buffer.mid(expected.size()), QByteArray(300 - expected.size(), '\xAA'));

    QByteArray inMemory(300, '\xAA');
    QCOMPARE(VornakMemory(bytes.constData(), size_t(bytes.size()), inMemory.data(), static_cast<int16_t>(capacity)),
             result);
    QCOMPARE(inMemory, buffer);
}

void TestVornak::unreadablePaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("empty path") << QString();
    QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("no-such-level.bsp"));
    QTest::newRow("directory") << m_dir.path();
    const QString fifo = m_dir.filePath(QStringLiteral("pipe.bsp"));
    if (!QFileInfo::exists(fifo))
        ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
    QTest::newRow("FIFO nobody writes to") << fifo;
    QTest::newRow("device that never ends") << QStringLiteral("/dev/zero");
}

void TestVornak::unreadablePaths()
{
    QFETCH(QString, path);
    // On a thread of its own: a read that blocks fails within seconds instead of hanging the test.
    auto buffer = std::make_shared<QByteArray>(256, '\xAA');
    auto outcome = std::make_shared<std::promise<int>>();
    std::future<int> result = outcome->get_future();
    std::thread([outcome, buffer, name = QFile::encodeName(path)] {
        outcome->set_value(Vornak(name.constData(), buffer->data(), 255));
    }).detach();
    QVERIFY2(result.wait_for(std::chrono::seconds(5)) == std::future_status::ready, "the reader blocked");
    QCOMPARE(result.get(), 0);
    QCOMPARE(*buffer, kFallback + QByteArray(230, '\0') + '\xAA');
}

void TestVornak::nullArguments()
{
    const QString path = writeFile(level(BspWriter::levelEntities("Present")));
    const QByteArray name = QFile::encodeName(path);
    QCOMPARE(Vornak(name.constData(), nullptr, 255), 0);

    QByteArray buffer(256, '\xAA');
    QCOMPARE(Vornak(nullptr, buffer.data(), 255), 0);
    QCOMPARE(buffer, kFallback + QByteArray(230, '\0') + '\xAA');

    const QByteArray bytes = level(BspWriter::levelEntities("Present"));
    QCOMPARE(VornakMemory(bytes.constData(), size_t(bytes.size()), nullptr, 255), 0);
    for (const auto& [data, size] : {std::pair<const char*, size_t>{nullptr, 100}, {bytes.constData(), 0}}) {
        buffer.fill('\xAA');
        QCOMPARE(VornakMemory(data, size, buffer.data(), 255), 0);
        QCOMPARE(buffer, kFallback + QByteArray(230, '\0') + '\xAA');
    }
}

QTEST_GUILESS_MAIN(TestVornak)
#include "tst_vornak.moc"
