// Levels inside archives, on a Quake 2 directory as large as a big server's: 20 .pk3 archives holding 5,000
// levels in all (two of them deflated levels of 10 MB, one at zlib's fastest level and one at its best) and a
// pak0.pak of 400 MB with 2,000 entries (a sparse file: only its directory is ever read). Measured: what start-up
// does to fill Available Levels (the game's folders read, the loose levels listed, the archive levels and
// maps.lst added, the list sorted), and the label's title of a 10 MB level (found, inflated, searched).
//
// Run from a Release build: bench_archives [--benchmark_filter=...]
#include "common/ArchiveWriter.h"
#include "common/BspWriter.h"
#include "levels/GameLevels.h"
#include "levels/LevelCatalogue.h"
#include "levels/LevelLists.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

using namespace velstrom::test;

namespace {

constexpr int kPk3Count = 20;
constexpr int kPk3Levels = 5000;
constexpr int kPakEntries = 2000;
constexpr qint64 kPakSize = 400LL * 1000 * 1000;
constexpr qsizetype kBigLevel = 10 * 1000 * 1000;
const QString kBigName = QStringLiteral("bigarena");
const QString kBestName = QStringLiteral("bestarena");

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A level of `size` bytes whose lump data is hard to inflate: four bits of each byte are random, so it deflates
// to about 57 % (the compilers' levels in tests/data deflate to 24-37 %) in short matches and literals. Its
// entities and title are at the end, as compilers write them, so the whole member is inflated and searched.
QByteArray bigLevel(qsizetype size)
{
    const QByteArray entities = BspWriter::levelEntities("The Big Arena");
    QByteArray bytes = BspWriter().setEntities(entities).setEntityOffset(size - entities.size() - 1).build();
    QRandomGenerator random(38);
    for (qsizetype i = BspWriter::kHeaderSize; i < size - entities.size() - 1; ++i)
        bytes[i] = char(0x40 | (random.generate() & 0x0F)); // never a quote or a brace
    return bytes;
}

// pak0.pak: 2,000 entries spread over 400 MB, the directory at the end; the member bytes are holes.
bool writeSparsePak(const QString& path)
{
    QByteArray dir;
    for (int i = 0; i < kPakEntries; ++i) {
        QByteArray entry(64, '\0');
        const QByteArray name = i % 4 == 3 ? QByteArray("textures/e1u1/wall") + QByteArray::number(i) + ".wal"
                                           : QByteArray("maps/base") + QByteArray::number(i) + ".bsp";
        entry.replace(0, name.size(), name);
        const qint64 length = (kPakSize - 12 - kPakEntries * 64) / kPakEntries;
        put32(entry, 56, quint32(12 + i * length));
        put32(entry, 60, quint32(length));
        dir += entry;
    }
    const qint64 dirOffset = kPakSize - dir.size();
    QByteArray header("PACK" + QByteArray(8, '\0'));
    put32(header, 4, quint32(dirOffset));
    put32(header, 8, quint32(dir.size()));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(header) == header.size() && file.seek(dirOffset) &&
           file.write(dir) == dir.size();
}

bool makeInstallation(const QString& q2)
{
    const QString baseq2 = q2 + QStringLiteral("/baseq2/");
    if (!QDir().mkpath(baseq2 + QStringLiteral("maps")) || !QDir().mkpath(q2 + QStringLiteral("/Velstrom")))
        return false;
    // Loose levels as a server collects them, a few hundred.
    for (int i = 0; i < 300; ++i)
        if (!writeFile(baseq2 + QStringLiteral("maps/loose%1.bsp").arg(i), QByteArray(64, 'x')))
            return false;
    const QByteArray small = BspWriter().setEntities(BspWriter::levelEntities("Small")).setTrailingSize(2000).build();
    for (int a = 0; a < kPk3Count; ++a) {
        QList<ArchiveFile> files;
        for (int i = 0; i < kPk3Levels / kPk3Count; ++i) {
            const int n = a * (kPk3Levels / kPk3Count) + i;
            if (a == 0 && i == 0)
                files.append({"maps/" + kBigName.toLatin1() + ".bsp", bigLevel(kBigLevel), true});
            else if (a == 1 && i == 0)
                files.append({"maps/" + kBestName.toLatin1() + ".bsp", bigLevel(kBigLevel), true, Z_BEST_COMPRESSION});
            else
                files.append({"maps/custom" + QByteArray::number(n) + ".bsp", small, n % 2 == 0});
        }
        if (!writeFile(baseq2 + QStringLiteral("map-pack%1.pk3").arg(a, 2, 10, QLatin1Char('0')), zipArchive(files)))
            return false;
    }
    return writeSparsePak(baseq2 + QStringLiteral("pak0.pak")) &&
           writeFile(baseq2 + QStringLiteral("maps.lst"), "base1 \"Outer Base\"\r\nbase2 \"Installation\"\r\n");
}

void listAllLevels(benchmark::State& state, const QString& q2)
{
    LevelListModel available(LevelListModel::Order::Sorted);
    LevelListModel play(LevelListModel::Order::Insertion);
    QItemSelectionModel availableSel(&available);
    QItemSelectionModel playSel(&play);
    LevelLists lists(available, availableSel, play, playSel);
    for (auto _ : state) {
        const levels::GameLevels game(q2, vornak::Engine::YamagiQuake2);
        const QStringList ids = game.readIdLevelNames();
        lists.fillAvailable(levels::listLevelFiles(q2 + QStringLiteral("/baseq2/maps/")) + game.extraLevelNames(ids),
                            ids);
        benchmark::DoNotOptimize(available.count());
    }
    state.counters["levels"] = available.count();
    if (available.count() != 300 + kPk3Levels + kPakEntries * 3 / 4)
        state.SkipWithError("the catalogue holds another number of levels");
}

void bigTitle(benchmark::State& state, const QString& q2, const QString& name, const QString& expected)
{
    const levels::GameLevels game(q2, vornak::Engine::YamagiQuake2);
    for (auto _ : state) {
        const QString text = game.description(name);
        if (text != expected) {
            state.SkipWithError(qPrintable(QStringLiteral("unexpected title: ") + text));
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    QTemporaryDir dir;
    const QString q2 = dir.path();
    if (!dir.isValid() || !makeInstallation(q2)) {
        std::fprintf(stderr, "cannot write the installation\n");
        return 1;
    }
    benchmark::RegisterBenchmark("catalogue/all_levels_20pk3_5000_pak0_400MB",
                                 [&](benchmark::State& state) { listAllLevels(state, q2); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("title/deflated_10MB_member", [&](benchmark::State& state) {
        bigTitle(state, q2, kBigName, QStringLiteral("The Big Arena (in map-pack00.pk3)"));
    })->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("title/deflated_10MB_member_best_compression", [&](benchmark::State& state) {
        bigTitle(state, q2, kBestName, QStringLiteral("The Big Arena (in map-pack01.pk3)"));
    })->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
