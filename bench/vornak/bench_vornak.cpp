// How fast the title reader goes through a level file. A file without a title is read to its end,
// so it is measured against a plain loop of 8 KiB fread calls over the same file in the same run;
// a title in the first entity should cost only the first window's reads. The memory export scans the same
// bytes already in memory.
//
// Run from a Release build: bench_vornak [--benchmark_filter=...]
#include "common/BspWriter.h"

#include "vornak.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>

using velstrom::test::BspWriter;

namespace {

constexpr qint64 kMiB = 1024 * 1024;

QByteArray writeLevel(const QTemporaryDir& dir, const char* name, const BspWriter& bsp)
{
    const QString path = dir.filePath(QLatin1String(name));
    if (!bsp.write(path))
        return {};
    // Read it once, so every measurement finds it in the page cache.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    while (!file.read(1 << 20).isEmpty()) {
    }
    return QFile::encodeName(path);
}

void readTitle(benchmark::State& state, const QByteArray& path, int expected)
{
    char out[256];
    for (auto _ : state) {
        const int32_t result = Vornak(path.constData(), out, 255);
        if (result != expected) {
            state.SkipWithError("unexpected result from Vornak");
            break;
        }
        benchmark::DoNotOptimize(out);
    }
}

void readInMemory(benchmark::State& state, const QByteArray& bytes, int expected)
{
    char out[256];
    for (auto _ : state) {
        const int32_t result = VornakMemory(bytes.constData(), size_t(bytes.size()), out, 255);
        if (result != expected) {
            state.SkipWithError("unexpected result from VornakMemory");
            break;
        }
        benchmark::DoNotOptimize(out);
    }
}

void readPlain(benchmark::State& state, const QByteArray& path)
{
    char block[8192];
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.constData(), "rb");
        if (file == nullptr) {
            state.SkipWithError("cannot open the level file");
            break;
        }
        while (std::fread(block, 1, sizeof block, file) == sizeof block)
            benchmark::DoNotOptimize(block);
        std::fclose(file);
    }
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    QTemporaryDir dir;
    // 64 MiB of lump data like a compiler's (any byte value) and a worldspawn without a message last.
    const qint64 bigSize = 64 * kMiB;
    const QByteArray untitledEntities = BspWriter::levelEntities(QByteArray());
    const QByteArray untitled =
        writeLevel(dir, "untitled.bsp",
                   BspWriter()
                       .setEntities(untitledEntities)
                       .setFiller(BspWriter::Filler::RawNoise)
                       .setEntityOffset(bigSize - untitledEntities.size() - 1));
    // 4 MiB with the entity lump first, right after the header.
    const QByteArray titled = writeLevel(dir, "titled.bsp",
                                         BspWriter()
                                             .setEntities(BspWriter::levelEntities("The Edge"))
                                             .setFiller(BspWriter::Filler::RawNoise)
                                             .setTrailingSize(4 * kMiB));
    if (!dir.isValid() || untitled.isEmpty() || titled.isEmpty()) {
        std::fprintf(stderr, "cannot write the level files\n");
        return 1;
    }

    benchmark::RegisterBenchmark("untitled_64MiB/Vornak",
                                 [&](benchmark::State& state) {
                                     readTitle(state, untitled, 0);
                                     state.SetBytesProcessed(state.iterations() * bigSize);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("untitled_64MiB/fread_8KiB",
                                 [&](benchmark::State& state) {
                                     readPlain(state, untitled);
                                     state.SetBytesProcessed(state.iterations() * bigSize);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    QFile untitledFile(QFile::decodeName(untitled));
    const QByteArray untitledBytes = untitledFile.open(QIODevice::ReadOnly) ? untitledFile.readAll() : QByteArray();
    benchmark::RegisterBenchmark("untitled_64MiB/VornakMemory",
                                 [&](benchmark::State& state) {
                                     readInMemory(state, untitledBytes, 0);
                                     state.SetBytesProcessed(state.iterations() * bigSize);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("titled_first_entity_4MiB/Vornak",
                                 [&](benchmark::State& state) { readTitle(state, titled, 1); })
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
