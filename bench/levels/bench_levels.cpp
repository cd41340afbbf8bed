// The level lists at the sizes of a big server's collection, through the real main window (offscreen):
// the start-up load against a bare listing of the same maps folder, ">>" and "<<", the other editing
// operations at three sizes to show how they grow, and the check before launch.
//
// Workload of n levels: n level files (a third with upper-case names), a maps.lst of n/10 lines, a profile
// level file of n/4 lines naming installed levels, a qskipped.txt of n/20 of those in another case.
#include "app/MainWindow.h"
#include "levels/LevelCatalogue.h"
#include "levels/LevelsController.h"
#include "levels/MissingLevelDialog.h"
#include "levels/ModalDialog.h"
#include "levels/SkippedLevelsDialog.h"
#include "support/Installation.h"
#include "support/MessageBoxes.h"
#include "support/Sound.h"
#include "ui_MainWindow.h"
#include "ui_MissingLevelDialog.h"
#include "ui_SkippedLevelsDialog.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <map>
#include <memory>

namespace {

QString levelName(int i)
{
    return QString::asprintf(i % 3 == 0 ? "LEVEL%05d" : "level%05d", i);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
}

class Workload {
public:
    explicit Workload(int levels) : m_levels(levels)
    {
        QDir().mkpath(mapsDir());
        QDir().mkpath(programDir());
        for (int i = 0; i < levels; ++i)
            writeFile(mapsDir() + levelName(i) + (i % 3 == 0 ? QStringLiteral(".BSP") : QStringLiteral(".bsp")), {});
        QByteArray lst;
        for (int i = 0; i < levels / 10; ++i)
            lst += "id" + QByteArray::number(i) + " Id Level " + QByteArray::number(i) + "\r\n";
        writeFile(m_dir.path() + QStringLiteral("/quake2/baseq2/maps.lst"), lst);
        for (int i = 0; i < levels / 4; ++i)
            m_profile += levelName(i * 3 + 1).toUtf8() + "\r\n";
        writeFile(programDir() + QStringLiteral("untitled_maps.txt"), m_profile);
        for (int i = 0; i < levels / 20; ++i)
            m_skipped += levelName(i * 12 + 1).toUpper().toUtf8() + "\r\n";
        activate();
        m_form = std::make_unique<MainWindow>();
        m_form->createDialogs();
        m_form->ui().ckOrigLevels->setCheckState(Qt::Checked);
        m_form->show();
        QApplication::processEvents();
    }

    void activate()
    {
        setInstallation(Installation(programDir(), QStringLiteral("velstrom")));
        QDir::setCurrent(programDir());
    }

    QString mapsDir() const { return m_dir.path() + QStringLiteral("/quake2/baseq2/maps/"); }
    QString programDir() const { return m_dir.path() + QStringLiteral("/quake2/Velstrom/"); }
    void writeSkipped() { writeFile(programDir() + QStringLiteral("qskipped.txt"), m_skipped); }
    void writeProfile(const QByteArray& lines) { writeFile(programDir() + QStringLiteral("untitled_maps.txt"), lines); }
    const QByteArray& profile() const { return m_profile; }
    MainWindow& form() { return *m_form; }
    int levels() const { return m_levels; }

    // Both lists as the start-up leaves them, with nothing waiting in qskipped.txt.
    void startState()
    {
        QFile::remove(programDir() + QStringLiteral("qskipped.txt"));
        m_form->levels().clearLists();
        m_form->levels().loadPlayList();
    }

private:
    QTemporaryDir m_dir;
    int m_levels;
    QByteArray m_profile;
    QByteArray m_skipped;
    std::unique_ptr<MainWindow> m_form;
};

// Built once per size; gone before the application is.
std::map<int, std::unique_ptr<Workload>> made;

Workload& workload(int levels)
{
    auto& w = made[levels];
    if (!w)
        w = std::make_unique<Workload>(levels);
    w->activate();
    return *w;
}

// The dialogs answer at once: every skipped level chosen, every missing level removed.
int answerDialogs(QDialog& dialog)
{
    if (auto* skip = qobject_cast<SkippedLevelsDialog*>(&dialog)) {
        skip->ui().allButton->click();
        skip->ui().okButton->click();
    } else if (auto* verify = qobject_cast<MissingLevelDialog*>(&dialog)) {
        verify->ui().yesToAllButton->click();
    }
    return dialog.result();
}

// ---- The start-up load against a bare listing of the same folder

void BM_BareListing_readdir(benchmark::State& state)
{
    Workload& w = workload(int(state.range(0)));
    const QByteArray dir = QFile::encodeName(w.mapsDir());
    for (auto _ : state) {
        QStringList names;
        DIR* d = ::opendir(dir.constData());
        while (const dirent* e = ::readdir(d))
            names.append(QFile::decodeName(e->d_name));
        ::closedir(d);
        benchmark::DoNotOptimize(names);
    }
}

void BM_BareListing_QDirIterator(benchmark::State& state)
{
    Workload& w = workload(int(state.range(0)));
    for (auto _ : state) {
        QStringList names;
        QDirIterator it(w.mapsDir(), {QStringLiteral("*.bsp")},
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (it.hasNext())
            names.append(it.next());
        benchmark::DoNotOptimize(names);
    }
}

void BM_LoadPlayList(benchmark::State& state)
{
    Workload& w = workload(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        w.form().levels().clearLists();
        w.writeSkipped();
        state.ResumeTiming();
        w.form().levels().loadPlayList();
    }
    state.counters["available"] = w.form().levels().availableLevels().count();
    state.counters["play"] = w.form().levels().levelsToPlay().count();
}

// ---- Editing

void BM_IncludeAll(benchmark::State& state)
{
    Workload& w = workload(int(state.range(0)));
    w.writeProfile({});
    w.startState();
    for (auto _ : state) {
        w.form().ui().includeAllButton->click();
        state.PauseTiming();
        w.form().ui().excludeAllButton->click();
        state.ResumeTiming();
    }
    state.counters["moved"] = w.form().levels().availableLevels().count();
    w.writeProfile(w.profile());
}

void BM_ExcludeAll(benchmark::State& state)
{
    Workload& w = workload(int(state.range(0)));
    w.writeProfile({});
    w.startState();
    w.form().ui().includeAllButton->click();
    for (auto _ : state) {
        w.form().ui().excludeAllButton->click();
        state.PauseTiming();
        w.form().ui().includeAllButton->click();
        state.ResumeTiming();
    }
    state.counters["moved"] = w.form().levels().levelsToPlay().count();
    w.writeProfile(w.profile());
}

// ">" and "<" with every second level selected: scattered rows out of one list into the other.
void BM_IncludeHalfSelected(benchmark::State& state)
{
    Workload& w = workload(int(state.range(0)));
    Ui::MainWindow& ui = w.form().ui();
    for (auto _ : state) {
        state.PauseTiming();
        w.startState();
        QItemSelection every2nd;
        for (int row = 0; row < ui.lstAvailable->model()->rowCount(); row += 2)
            every2nd.select(ui.lstAvailable->model()->index(row, 0), ui.lstAvailable->model()->index(row, 0));
        ui.lstAvailable->selectionModel()->select(every2nd, QItemSelectionModel::Select);
        state.ResumeTiming();
        ui.includeButton->click();
    }
}

void BM_ExcludeHalfSelected(benchmark::State& state)
{
    Workload& w = workload(int(state.range(0)));
    Ui::MainWindow& ui = w.form().ui();
    for (auto _ : state) {
        state.PauseTiming();
        w.startState();
        ui.includeAllButton->click();
        QItemSelection every2nd;
        for (int row = 0; row < ui.lstToPlay->model()->rowCount(); row += 2)
            every2nd.select(ui.lstToPlay->model()->index(row, 0), ui.lstToPlay->model()->index(row, 0));
        ui.lstToPlay->selectionModel()->select(every2nd, QItemSelectionModel::Select);
        state.ResumeTiming();
        ui.excludeButton->click();
    }
}

void BM_Refresh(benchmark::State& state)
{
    Workload& w = workload(int(state.range(0)));
    w.startState();
    for (auto _ : state)
        w.form().ui().refreshButton->click();
}

void BM_IdLevelsHideAndShow(benchmark::State& state)
{
    Workload& w = workload(int(state.range(0)));
    w.startState();
    for (auto _ : state) {
        w.form().ui().ckOrigLevels->setCheckState(Qt::Unchecked);
        w.form().ui().ckOrigLevels->setCheckState(Qt::Checked);
    }
}

void BM_Randomize(benchmark::State& state)
{
    Workload& w = workload(int(state.range(0)));
    w.startState();
    w.form().ui().includeAllButton->click();
    for (auto _ : state)
        w.form().ui().randomizeButton->click();
}

void BM_DeleteSkipped(benchmark::State& state)
{
    Workload& w = workload(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        w.startState();
        w.writeSkipped();
        state.ResumeTiming();
        w.form().ui().removeSkippedButton->click();
    }
}

// ---- The check before launch

// A play list of `range(1)` installed levels (every twentieth one only named by maps.lst) against `range(0)`
// level files.
void BM_VerifyPlayList(benchmark::State& state)
{
    Workload& w = workload(int(state.range(0)));
    const int listed = int(state.range(1));
    QByteArray lines;
    for (int i = 0; i < listed; ++i)
        lines +=
            (i % 20 == 0 ? "id" + QByteArray::number(i % (w.levels() / 10)) : levelName(i * 7 % w.levels()).toUtf8()) +
            "\r\n";
    w.writeProfile(lines);
    for (auto _ : state) {
        state.PauseTiming();
        w.startState();
        state.ResumeTiming();
        w.form().levels().verifyPlayList();
    }
    state.counters["left"] = w.form().levels().levelsToPlay().count();
    w.writeProfile(w.profile());
}

} // namespace

BENCHMARK(BM_BareListing_readdir)->Arg(5000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareListing_QDirIterator)->Arg(5000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPlayList)->Arg(5000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IncludeAll)->Arg(5000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExcludeAll)->Arg(5000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IncludeHalfSelected)->Arg(5000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExcludeHalfSelected)->Arg(5000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Refresh)->Arg(5000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdLevelsHideAndShow)->Arg(5000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Randomize)->Arg(5000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteSkipped)->Arg(5000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VerifyPlayList)
    ->Args({5000, 500})
    ->Args({20000, 2000})
    ->Args({40000, 4000})
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    msgbox::script();
    setSoundOutput(nullptr);
    levels::setModalHook(answerDialogs);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    made.clear();
    levels::setModalHook({});
    return 0;
}
