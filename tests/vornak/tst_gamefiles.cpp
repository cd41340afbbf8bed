// The level finder: archive directories (sound and hostile), reading one member, and the game's folders
// searched as each engine searches them.
#include "common/ArchiveWriter.h"
#include "common/FileContents.h"

#include "GameFileSystem.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <sys/stat.h>

using namespace velstrom::test;
using vornak::ArchiveFormat;
using vornak::Engine;

Q_DECLARE_METATYPE(vornak::Engine)

namespace {

const QByteArray Level = "IBSP level bytes";

QByteArray filler(int size)
{
    QByteArray bytes;
    while (bytes.size() < size)
        bytes += "Level data " + QByteArray::number(bytes.size()) + '\n';
    return bytes.left(size);
}

QByteArray patched32(QByteArray data, qsizetype at, quint32 value)
{
    put32(data, at, value);
    return data;
}

QByteArray patched16(QByteArray data, qsizetype at, quint32 value)
{
    put16(data, at, value);
    return data;
}

vornak::ArchiveDirectory directoryOf(const QByteArray& archive, bool zip)
{
    const vornak::MemorySource source(archive.constData(), std::size_t(archive.size()));
    return vornak::readDirectory(source, zip ? ArchiveFormat::Zip : ArchiveFormat::Pak);
}

} // namespace

class TestGameFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void directory_data();
    void directory();
    void member_data();
    void member();
    void lookup_data();
    void lookup();
    void levelsOnceEach();
};

void TestGameFiles::directory_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<bool>("zip");
    QTest::addColumn<QString>("problem"); // part of the refusal; empty when the archive is read
    QTest::addColumn<int>("members");
    QTest::addColumn<int>("skipped");

    const QByteArray pak = pakArchive({{"maps/a.bsp", Level}, {"maps/b.bsp", Level}});
    const qsizetype pakDir = pak.size() - 128;
    QTest::newRow("pak sound") << pak << false << "" << 2 << 0;
    QTest::newRow("pak header cut") << pak.left(8) << false << "too short" << 0 << 0;
    QTest::newRow("pak wrong magic") << "KCAP" + pak.mid(4) << false << "not a PACK" << 0 << 0;
    QTest::newRow("pak directory length odd") << patched32(pak, 8, 100) << false << "multiple of 64" << 0 << 0;
    QTest::newRow("pak empty directory") << patched32(pak, 8, 0) << false << "empty" << 0 << 0;
    QTest::newRow("pak directory past end") << pak.left(pak.size() - 1) << false << "past the end" << 0 << 0;
    QTest::newRow("pak negative offset") << patched32(pak, 4, 0x80000000u) << false << "out of range" << 0 << 0;
    QTest::newRow("pak absurd count") << patched32(pak, 8, 64u << 24) << false << "entries" << 0 << 0;
    QByteArray noEnd = pak;
    noEnd.replace(pakDir, 56, QByteArray(56, 'x'));
    QTest::newRow("pak name without NUL") << noEnd << false << "" << 1 << 1;
    QTest::newRow("pak data past end") << patched32(pak, pakDir + 60, 1u << 20) << false << "" << 1 << 1;
    QTest::newRow("pak length overflows")
        << patched32(pak, pakDir + 60, 0x7FFFFFFFu) << false << "out of range" << 0 << 0;

    const QByteArray zip = zipArchive({{"maps/a.bsp", filler(5000), true}, {"maps/b.bsp", Level, false}});
    const qsizetype end = zipEnd(zip);
    const qsizetype entry = zipFirstEntry(zip);
    QTest::newRow("zip sound") << zip << true << "" << 2 << 0;
    QTest::newRow("zip with a folder entry")
        << zipArchive({{"maps/", {}}, {"maps/a.bsp", Level}}) << true << "" << 1 << 0;
    QTest::newRow("zip after other bytes") << "MZ self-extractor" + zip << true << "" << 2 << 0;
    QTest::newRow("zip no end record") << zip.left(end) << true << "no zip end record" << 0 << 0;
    QTest::newRow("zip comment past end") << patched16(zip, end + 20, 10) << true << "no zip end record" << 0 << 0;
    QTest::newRow("zip cut before end") << zip.mid(entry) << true << "past its end record" << 0 << 0;
    QTest::newRow("zip absurd count") << patched16(patched16(zip, end + 8, 60000), end + 10, 60000) << true
                                      << "too short for its" << 0 << 0;
    QTest::newRow("zip directory is its end record")
        << patched32(patched32(zip, end + 16, quint32(end)), end + 12, 0) << true << "too short for its" << 0 << 0;
    QTest::newRow("zip entry runs on") << patched16(zip, entry + 28, 5000) << true << "runs past the directory" << 0
                                       << 0;
    QTest::newRow("zip damaged entry") << patched32(zip, entry, 0x12345678) << true << "damaged" << 0 << 0;
    QTest::newRow("zip64") << patched32(zip, end + 16, 0xFFFFFFFFu) << true << "ZIP64" << 0 << 0;
    QTest::newRow("zip in parts") << patched16(zip, end + 4, 1) << true << "several parts" << 0 << 0;
    QTest::newRow("zip encrypted member") << patched16(zip, entry + 8, 1) << true << "" << 1 << 1;
    QTest::newRow("zip unknown method") << patched16(zip, entry + 10, 12) << true << "" << 1 << 1;
    QTest::newRow("zip member inside directory")
        << patched32(zip, entry + 42, quint32(entry - 40)) << true << "" << 1 << 1;
    QTest::newRow("zip name with NUL") << zipArchive({{QByteArray("maps/a\0.bsp", 11), Level}, {"b", Level}}) << true
                                       << "" << 1 << 1;
}

void TestGameFiles::directory()
{
    QFETCH(QByteArray, archive);
    QFETCH(bool, zip);
    QFETCH(QString, problem);
    QFETCH(int, members);
    QFETCH(int, skipped);

    const vornak::ArchiveDirectory dir = directoryOf(archive, zip);
    QVERIFY2(QString::fromStdString(dir.problem).contains(problem) && dir.ok() == problem.isEmpty(),
             dir.problem.c_str());
    QCOMPARE(int(dir.members.size()), members);
    QCOMPARE(int(dir.skipped), skipped);
    QCOMPARE(dir.firstSkipReason.empty(), skipped == 0);
}

void TestGameFiles::member_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<bool>("zip");
    QTest::addColumn<QByteArray>("expected"); // the member's bytes; empty when it cannot be read
    QTest::addColumn<QString>("problem");

    const QByteArray big = filler(300000);
    QTest::newRow("pak member") << pakArchive({{"a", "x"}, {"maps/b.bsp", big}}) << false << big << "";
    QTest::newRow("stored member") << zipArchive({{"a", "x"}, {"maps/b.bsp", big, false}}) << true << big << "";
    QTest::newRow("deflated member") << zipArchive({{"a", "x"}, {"maps/b.bsp", big, true}}) << true << big << "";
    QTest::newRow("empty deflated member")
        << zipArchive({{"a", "x"}, {"maps/b.bsp", {}, true}}) << true << QByteArray() << "";
    // 30 MB of zeros, said to be 1,000 bytes: far more compressed data than 1,000 bytes need, so none is read.
    QTest::newRow("bomb under a small size")
        << zipArchive({{"a", "x"}, {"b", QByteArray(30 << 20, '\0'), true}}, {1, 1000}) << true << QByteArray()
        << "far larger than its stated size";
    QTest::newRow("said to be smaller") << zipArchive({{"a", "x"}, {"b", big, true}}, {1, 200000}) << true
                                        << QByteArray() << "more than its stated size";
    QTest::newRow("said to be too large")
        << zipArchive({{"a", "x"}, {"b", big, true}}, {1, 200u << 20}) << true << QByteArray() << "larger than";
    QTest::newRow("said to be larger") << zipArchive({{"a", "x"}, {"b", big, true}}, {1, 400000}) << true
                                       << QByteArray() << "fewer bytes";
    QByteArray flipped = zipArchive({{"a", "x"}, {"b", big, false}});
    flipped[200] = char(flipped[200] ^ 1);
    QTest::newRow("stored bytes changed") << flipped << true << QByteArray() << "CRC";
    QByteArray cut = zipArchive({{"a", "x"}, {"b", big, true}});
    const qsizetype second = zipFirstEntry(cut) + 47;
    QTest::newRow("local header missing") << patched32(cut, second + 42, 5) << true << QByteArray() << "local header";
    const qsizetype packedAt = zipFirstEntry(cut) + 47 + 20;
    QTest::newRow("deflate data cut short") << patched32(cut, packedAt, 100) << true << QByteArray() << "ends early";
}

void TestGameFiles::member()
{
    QFETCH(QByteArray, archive);
    QFETCH(bool, zip);
    QFETCH(QByteArray, expected);
    QFETCH(QString, problem);

    const vornak::MemorySource source(archive.constData(), std::size_t(archive.size()));
    const vornak::ArchiveDirectory dir = directoryOf(archive, zip);
    QVERIFY2(dir.ok() && dir.members.size() == 2, dir.problem.c_str());
    std::string bytes = "left over";
    std::string why;
    const bool read = vornak::readMember(source, zip ? ArchiveFormat::Zip : ArchiveFormat::Pak, dir.members[1], bytes,
                                         why, 100u << 20);
    QVERIFY2(read == problem.isEmpty() && QString::fromStdString(why).contains(problem), why.c_str());
    QCOMPARE(QByteArray::fromStdString(bytes), expected);
}

void TestGameFiles::lookup_data()
{
    QTest::addColumn<QList<QByteArray>>("files"); // "<path>=<kind>": kind pak, zip, level, fifo, junk
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("found"); // "<archive>" or "<loose file>" below the root; empty: not found

    const auto y = Engine::YamagiQuake2;
    const auto q = Engine::Q2pro;
    using L = QList<QByteArray>;
    QTest::newRow("loose exact") << L{"a/maps/dm1.bsp=level"} << y << QByteArray("dm1") << "a/maps/dm1.bsp";
    QTest::newRow("loose then in lower case")
        << L{"a/maps/dm1.bsp=level"} << q << QByteArray("DM1") << "a/maps/dm1.bsp";
    QTest::newRow("loose in upper case") << L{"a/maps/DM1.bsp=level"} << y << QByteArray("dm1") << "";
    QTest::newRow("maps folder in upper case") << L{"a/MAPS/dm1.bsp=level"} << q << QByteArray("dm1") << "";
    QTest::newRow("member in any case") << L{"a/pak0.pak=pak:MAPS/DM1.BSP"} << y << QByteArray("Dm1") << "a/pak0.pak";
    QTest::newRow("member beats loose in its folder")
        << L{"a/maps/dm1.bsp=level", "a/pak0.pak=pak:maps/dm1.bsp"} << q << QByteArray("dm1") << "a/pak0.pak";
    QTest::newRow("earlier folder's loose file wins")
        << L{"b/pak0.pak=pak:maps/dm1.bsp", "a/maps/dm1.bsp=level"} << y << QByteArray("dm1") << "a/maps/dm1.bsp";
    QTest::newRow("pak1 before pak0") << L{"a/pak0.pak=pak:maps/dm1.bsp", "a/pak1.pak=pak:maps/dm1.bsp"} << y
                                      << QByteArray("dm1") << "a/pak1.pak";
    QTest::newRow("q2pro: pak10 after pak2")
        << L{"a/pak2.pak=pak:maps/x.bsp", "a/pak10.pak=pak:maps/x.bsp"} << q << QByteArray("x") << "a/pak10.pak";
    QTest::newRow("yquake2: named pk3 before numbered")
        << L{"a/pak0.pak=pak:maps/x.bsp", "a/my.pk3=zip:maps/x.bsp"} << y << QByteArray("x") << "a/my.pk3";
    QTest::newRow("yquake2: later pk3 first")
        << L{"a/b.pk3=zip:maps/x.bsp", "a/a.pk3=zip:maps/x.bsp"} << y << QByteArray("x") << "a/b.pk3";
    QTest::newRow("yquake2: PAK0.PAK not read") << L{"a/PAK0.PAK=pak:maps/x.bsp"} << y << QByteArray("x") << "";
    QTest::newRow("q2pro: PAK0.PAK read") << L{"a/PAK0.PAK=pak:maps/x.bsp"} << q << QByteArray("x") << "a/PAK0.PAK";
    QTest::newRow("q2pro: no pk3") << L{"a/my.pk3=zip:maps/x.bsp"} << q << QByteArray("x") << "";
    QTest::newRow("q2pro: pkz") << L{"a/my.pkz=zip:maps/x.bsp"} << q << QByteArray("x") << "a/my.pkz";
    QTest::newRow("broken archive passed over")
        << L{"a/pak0.pak=pak:maps/x.bsp", "a/pak1.pak=junk"} << y << QByteArray("x") << "a/pak0.pak";
    QTest::newRow("fifo named like an archive")
        << L{"a/pak0.pak=pak:maps/x.bsp", "a/pak1.pak=fifo"} << q << QByteArray("x") << "a/pak0.pak";
    QTest::newRow("q2pro: long paths only on disk")
        << L{"a/x.pkz=zip:maps/" + QByteArray(55, 'l') + ".bsp"} << q << QByteArray(55, 'l') << "";
    QTest::newRow("no way up") << L{"a/maps/dm1.bsp=level"} << y << QByteArray("../maps/dm1") << "";
    QTest::newRow("no level") << L{"a/pak0.pak=pak:maps/dm1.bsp"} << y << QByteArray("dm2") << "";
}

void TestGameFiles::lookup()
{
    QFETCH(QList<QByteArray>, files);
    QFETCH(Engine, engine);
    QFETCH(QByteArray, name);
    QFETCH(QString, found);

    QTemporaryDir root;
    const QByteArray base = QFile::encodeName(root.path()) + '/';
    for (const QByteArray& file : files) {
        const QByteArray path = file.left(file.indexOf('='));
        const QByteArray kind = file.mid(file.indexOf('=') + 1);
        QDir().mkpath(QFileInfo(root.filePath(QString::fromUtf8(path))).path());
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(base + path, 0600), 0);
            continue;
        }
        const QByteArray member = kind.mid(4);
        const QByteArray bytes = kind.startsWith("pak:")   ? pakArchive({{member, Level}})
                                 : kind.startsWith("zip:") ? zipArchive({{member, Level, true}})
                                 : kind == "junk"          ? QByteArray("PACK\xff\xff\xff\xff")
                                                           : Level;
        putFile(root.filePath(QString::fromUtf8(path)), bytes);
    }
    int reports = 0;
    const vornak::GameFileSystem files2({(base + "a").toStdString(), (base + "b").toStdString()}, engine,
                                        [&](const std::string&) { ++reports; });
    QCOMPARE(reports,
             std::count_if(files.cbegin(), files.cend(), [](const QByteArray& f) { return f.endsWith("=junk"); }));
    const auto location = files2.findLevel(name.toStdString());
    const std::string where = !location ? "" : location->inArchive() ? location->archive : location->path;
    QCOMPARE(QString::fromStdString(where), found.isEmpty() ? found : QString::fromUtf8(base) + found);
    if (location) {
        std::string bytes;
        std::string problem;
        QVERIFY2(vornak::readFile(*location, bytes, problem), problem.c_str());
        QCOMPARE(QByteArray::fromStdString(bytes), Level);
    }
}

void TestGameFiles::levelsOnceEach()
{
    QTemporaryDir root;
    const QString a = root.filePath(QStringLiteral("a"));
    const QString b = root.filePath(QStringLiteral("b"));
    QDir().mkpath(a + QStringLiteral("/maps"));
    QDir().mkpath(b + QStringLiteral("/maps"));
    putFile(a + QStringLiteral("/maps/dm1.bsp"), Level);
    putFile(a + QStringLiteral("/maps/readme.txt"), Level);
    putFile(b + QStringLiteral("/maps/dm1.bsp"), Level);
    putFile(b + QStringLiteral("/maps/Loose.bsp"), Level);
    // The same level twice in the archive, in two spellings, and one under a sub-folder.
    putFile(b + QStringLiteral("/pak0.pak"), pakArchive({{"maps/DM2.bsp", Level},
                                                         {"maps/dm2.BSP", Level},
                                                         {"maps/dm1.bsp", Level},
                                                         {"maps/sub/x.bsp", Level},
                                                         {"maps.lst", Level}}));
    putFile(b + QStringLiteral("/extra.pk3"), zipArchive({{"maps/q2ctf1.bsp", Level, true}}));

    const vornak::GameFileSystem files({a.toStdString(), b.toStdString()}, Engine::YamagiQuake2);
    QStringList listed;
    for (const vornak::LevelEntry& level : files.levels()) {
        const std::string& from = level.location.inArchive() ? level.location.archive : level.location.path;
        listed << QString::fromStdString(level.name) + u'@' +
                      QDir(root.path()).relativeFilePath(QString::fromStdString(from));
    }
    QCOMPARE(listed,
             QStringList({"DM2@b/pak0.pak", "Loose@b/maps/Loose.bsp", "dm1@a/maps/dm1.bsp", "q2ctf1@b/extra.pk3"}));
}

QTEST_GUILESS_MAIN(TestGameFiles)
#include "tst_gamefiles.moc"
