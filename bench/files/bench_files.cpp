// Loading and saving the largest files the program still reads (8 MiB): a profile INI of 100,000 keys, in few
// sections or each in its own, and a play list. The profile goes through the store the window uses; the play list
// through the line reader, the list rules over the two list models, and the level-file writer.
#include "launch/LevelFiles.h"
#include "levels/LevelListModel.h"
#include "levels/LevelLists.h"
#include "profiles/Profile.h"
#include "profiles/ProfileStore.h"
#include "support/Installation.h"
#include "support/TextFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QItemSelectionModel>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype Limit = textfile::MaxReadSize;
constexpr int Keys = 100000;

// [Options] first, as a saved profile has it, then 100,000 more keys, `perSection` to a section; the values are
// padded so that the file is as large as a file may be and still be read.
QByteArray bigProfile(int perSection)
{
    QByteArray file = "[Options]\r\nFragLimit=20\r\nTimeLimit=15\r\nHostName=Big\r\n";
    const qsizetype lineSize = (Limit - file.size() - (Keys / perSection) * 24) / Keys;
    for (int i = 0; i < Keys; ++i) {
        if (i % perSection == 0)
            file += "[Section" + QByteArray::number(i / perSection).rightJustified(12, '0') + "]\r\n";
        QByteArray line = "Key" + QByteArray::number(i % perSection) + '=';
        line += QByteArray(lineSize - line.size() - 2, 'v') + "\r\n";
        file += line;
    }
    file += QByteArray(Limit - file.size(), '\n');
    return file;
}

QByteArray bigPlayList()
{
    QByteArray file;
    for (int i = 0; file.size() < Limit - 32; ++i)
        file += "dm_level_" + QByteArray::number(i) + "\r\n";
    return file;
}

struct Program {
    QTemporaryDir dir;
    Installation inst;
    Program() : inst(dir.path(), QStringLiteral("velstrom")) { setInstallation(inst); }
    void put(const QString& name, const QByteArray& bytes) { textfile::writeBytes(inst.file(name), bytes); }
};

void loadProfile(benchmark::State& state)
{
    Program program;
    const QByteArray file = bigProfile(int(state.range(0)));
    program.put("untitled.ini", file);
    for (auto _ : state) {
        Profile profile;
        const profilestore::LoadOutcome outcome = profilestore::load(profile, program.inst, false);
        if (!outcome.unreadable.isEmpty() || profile.fragLimit != "20")
            state.SkipWithError("the profile did not load");
        benchmark::DoNotOptimize(profile.host);
    }
    state.SetBytesProcessed(state.iterations() * file.size());
}

void saveProfile(benchmark::State& state)
{
    Program program;
    const QByteArray file = bigProfile(int(state.range(0)));
    Profile profile;
    for (auto _ : state) {
        state.PauseTiming();
        program.put("untitled.ini", file);
        state.ResumeTiming();
        // A save reads the file it keeps the other sections of, sets every key and writes it once.
        profilestore::save(profile, program.inst);
    }
    state.SetBytesProcessed(state.iterations() * file.size());
}

void loadPlayList(benchmark::State& state)
{
    Program program;
    const QByteArray file = bigPlayList();
    program.put("untitled_maps.txt", file);
    for (auto _ : state) {
        LevelListModel available(LevelListModel::Order::Sorted);
        LevelListModel play(LevelListModel::Order::Insertion);
        QItemSelectionModel availableSelection(&available);
        QItemSelectionModel playSelection(&play);
        LevelLists lists(available, availableSelection, play, playSelection);
        lists.appendPlayList(textfile::readUtf8Lines(program.inst.profileLevelsPath("untitled")));
        benchmark::DoNotOptimize(play.count());
    }
    state.SetBytesProcessed(state.iterations() * file.size());
}

void savePlayList(benchmark::State& state)
{
    Program program;
    Profile profile;
    profile.currentUser = "untitled";
    profile.playList = QString::fromUtf8(bigPlayList()).split("\r\n", Qt::SkipEmptyParts);
    for (auto _ : state)
        writeLevelFiles(program.inst, profile); // QLevels.TXT and the profile's own copy
    state.SetBytesProcessed(state.iterations() * 2 * Limit);
}

} // namespace

BENCHMARK(loadProfile)->ArgName("keysPerSection")->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(saveProfile)->ArgName("keysPerSection")->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(loadPlayList)->Unit(benchmark::kMillisecond);
BENCHMARK(savePlayList)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
