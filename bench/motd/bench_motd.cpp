// The message editor's load (file bytes to the coloured text in a QTextEdit) and encode (back to bytes) at the
// size of a real message and at the sizes of files that are no message at all. Random bytes change colour every
// two characters or so, which is the editor's worst case; the end-of-file byte 26 is left out of them so the
// whole file loads.
#include "motd/MotdEditor.h"
#include "motd/QuakeText.h"
#include "support/TextFile.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QAbstractTextDocumentLayout>
#include <QTextEdit>

#include <benchmark/benchmark.h>

namespace {

// Lines of up to 40 characters, a bar on top, words alternating white and green: what an operator writes.
QByteArray realMessage(qsizetype size)
{
    QByteArray file;
    file += char(29) + QByteArray(38, char(30)) + char(31) + "\r\n";
    int line = 0;
    while (file.size() < size) {
        QByteArray words = "Welcome to the server, line " + QByteArray::number(line);
        if (line % 2 == 1)
            for (char& c : words)
                c = char(quint8(c) ^ 0x80);
        file += words + "\r\n";
        ++line;
    }
    return file;
}

QByteArray noise(qsizetype size)
{
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator rng(7);
    for (char& c : data) {
        c = char(rng.bounded(256));
        if (c == 26)
            c = 27;
    }
    return data;
}

QuakeText loaded(const QByteArray& file)
{
    return quaketext::decode(quaketext::joinFileLines(textfile::splitLines(file)));
}

void load(benchmark::State& state, const QByteArray& file)
{
    QTextEdit edit;
    MotdEditor editor(edit);
    editor.setupLook();
    for (auto _ : state) {
        editor.setText(loaded(file));
        benchmark::DoNotOptimize(edit.document()->characterCount());
    }
    state.SetBytesProcessed(state.iterations() * file.size());
}

// As the page shows it: the editor lays the whole text out (without wrapping) to know how far it scrolls.
void loadAndLayOut(benchmark::State& state, const QByteArray& file)
{
    QTextEdit edit;
    edit.setLineWrapMode(QTextEdit::NoWrap);
    MotdEditor editor(edit);
    editor.setupLook();
    for (auto _ : state) {
        editor.setText(loaded(file));
        benchmark::DoNotOptimize(edit.document()->documentLayout()->documentSize());
    }
    state.SetBytesProcessed(state.iterations() * file.size());
}

void encode(benchmark::State& state, const QByteArray& file)
{
    QTextEdit edit;
    MotdEditor editor(edit);
    editor.setupLook();
    editor.setText(loaded(file));
    for (auto _ : state) {
        auto bytes = quaketext::encode(editor.text());
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(state.iterations() * file.size());
}

void BM_LoadRealMessage(benchmark::State& state) { load(state, realMessage(state.range(0))); }
void BM_EncodeRealMessage(benchmark::State& state) { encode(state, realMessage(state.range(0))); }
void BM_LoadNoise(benchmark::State& state) { load(state, noise(state.range(0))); }
void BM_LoadAndLayOutRealMessage(benchmark::State& state) { loadAndLayOut(state, realMessage(state.range(0))); }
void BM_LoadAndLayOutNoise(benchmark::State& state) { loadAndLayOut(state, noise(state.range(0))); }
void BM_EncodeNoise(benchmark::State& state) { encode(state, noise(state.range(0))); }

} // namespace

BENCHMARK(BM_LoadRealMessage)->Arg(1 << 10)->Arg(64 << 10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeRealMessage)->Arg(1 << 10)->Arg(64 << 10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadNoise)->Arg(64 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadNoise)->Arg(10 << 20)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAndLayOutRealMessage)->Arg(1 << 10)->Arg(64 << 10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadAndLayOutNoise)->Arg(64 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeNoise)->Arg(64 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
