#include "support/QtSoundOutput.h"
#include "support/Sound.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

struct Played {
    QString name;
    bool wait;
    bool operator==(const Played& o) const { return name == o.name && wait == o.wait; }
};

class Recorder : public SoundOutput {
public:
    QList<Played> played;
    void play(const QString& name, bool wait) override { played.append({name, wait}); }
};

const QStringList AllSounds{snd::WarnGame, snd::SkipFound, snd::Refresh, snd::Go,      snd::GoExit, snd::About,
                            snd::Confirm,  snd::IdLevels,  snd::Closing, snd::Empathy, snd::Help};

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray le16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray chunk(const QByteArray& id, const QByteArray& body)
{
    QByteArray c = id + le32(quint32(body.size())) + body;
    if (body.size() % 2)
        c += '\0';
    return c;
}

QByteArray fmtChunk(quint16 channels, quint32 rate, quint16 bits)
{
    const quint16 align = quint16(channels * bits / 8);
    return chunk("fmt ", le16(1) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits));
}

QByteArray riff(const QByteArray& chunks) { return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks; }

struct Format {
    quint16 channels = 0;
    quint32 rate = 0;
    quint16 bits = 0;
};

Format formatOf(const QByteArray& wav)
{
    const qsizetype at = wav.indexOf("fmt ");
    if (at < 0 || at + 24 > wav.size())
        return {};
    const auto* p = reinterpret_cast<const uchar*>(wav.constData()) + at + 8;
    return {qFromLittleEndian<quint16>(p + 2), qFromLittleEndian<quint32>(p + 4), qFromLittleEndian<quint16>(p + 14)};
}

} // namespace

class TestSound : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void routesThroughOutput_data();
    void routesThroughOutput();
    void noOutputIsSilent();
    void clips_data();
    void clips();
    void clipsAreDistinct();
    void sourcePath_data();
    void sourcePath();
    void wavDuration_data();
    void wavDuration();
    void playbackNeverHangs_data();
    void playbackNeverHangs();
    void clipsInARowNeverHang();
};

void TestSound::routesThroughOutput_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("wait");
    QTest::newRow("waited") << snd::GoExit << true;
    QTest::newRow("background") << snd::Refresh << false;
    QTest::newRow("wave file") << "/usr/share/sounds/alert.wav" << false;
    QTest::newRow("name as given") << "snd_go" << true;
}

void TestSound::routesThroughOutput()
{
    QFETCH(QString, name);
    QFETCH(bool, wait);
    Recorder recorder;
    SoundOutput* previous = setSoundOutput(&recorder);
    playSound(name, wait);
    QCOMPARE(setSoundOutput(previous), &recorder);
    const QList<Played> expected{Played{name, wait}};
    QCOMPARE(recorder.played, expected);
}

void TestSound::noOutputIsSilent()
{
    SoundOutput* previous = setSoundOutput(nullptr);
    QCOMPARE(soundOutput(), nullptr);
    playSound(snd::Closing, true); // nothing to play through, nothing to wait for
    setSoundOutput(previous);
}

void TestSound::clips_data()
{
    QTest::addColumn<QString>("name");
    for (const QString& name : AllSounds)
        QTest::newRow(qPrintable(name)) << name;
}

void TestSound::clips()
{
    QFETCH(QString, name);
    QFile clip(QtSoundOutput::sourcePath(name));
    QVERIFY2(clip.open(QIODevice::ReadOnly), qPrintable(clip.fileName()));
    const QByteArray wav = clip.readAll();
    QVERIFY(wav.size() < 30 * 1024);
    const Format f = formatOf(wav);
    QCOMPARE(f.channels, quint16(1));
    QCOMPARE(f.rate, quint32(22050));
    QCOMPARE(f.bits, quint16(16));
    const int ms = QtSoundOutput::wavDurationMs(wav, wav.size());
    QVERIFY2(ms >= 150 && ms <= 600, qPrintable(QString::number(ms)));
    // It must be heard: some samples well away from silence.
    const qsizetype data = wav.indexOf("data") + 8;
    int loud = 0;
    for (qsizetype i = data; i + 1 < wav.size(); i += 2)
        loud += qAbs(qFromLittleEndian<qint16>(wav.constData() + i)) > 8000;
    QVERIFY(loud > 100);
}

void TestSound::clipsAreDistinct()
{
    QSet<QByteArray> hashes;
    for (const QString& name : AllSounds) {
        QFile clip(QtSoundOutput::sourcePath(name));
        QVERIFY(clip.open(QIODevice::ReadOnly));
        hashes.insert(QCryptographicHash::hash(clip.readAll(), QCryptographicHash::Sha1));
    }
    QCOMPARE(hashes.size(), AllSounds.size());
}

void TestSound::sourcePath_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::newRow("sound name") << "SND_GO" << ":/sounds/SND_GO.wav";
    QTest::newRow("names are not case-sensitive") << "snd_Go" << ":/sounds/SND_GO.wav";
    QTest::newRow("upper-case .WAV is a resource name") << "SND_GO.WAV" << ":/sounds/SND_GO.WAV.wav";
    QTest::newRow("absolute wave file") << "/opt/sounds/ding.wav" << "/opt/sounds/ding.wav";
    QTest::newRow("relative wave file") << "ding.wav" << "{cwd}/ding.wav";
}

void TestSound::sourcePath()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QCOMPARE(QtSoundOutput::sourcePath(name), path.replace("{cwd}", QDir::currentPath()));
}

void TestSound::wavDuration_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<int>("ms");
    const QByteArray half = QByteArray(22050, '\0'); // half a second of 16-bit mono at 22050 Hz
    const QByteArray mono = fmtChunk(1, 22050, 16);
    QTest::newRow("mono 16-bit") << riff(mono + chunk("data", half)) << qint64(-1) << 500;
    QTest::newRow("stereo 44.1 kHz") << riff(fmtChunk(2, 44100, 16) + chunk("data", QByteArray(176400, '\0')))
                                     << qint64(-1) << 1000;
    QTest::newRow("8-bit rounds up") << riff(fmtChunk(1, 8000, 8) + chunk("data", QByteArray(8001, '\0')))
                                     << qint64(-1) << 1001;
    QTest::newRow("odd chunk before data is padded")
        << riff(mono + chunk("LIST", "INFOx") + chunk("data", half)) << qint64(-1) << 500;
    QTest::newRow("fact chunk before fmt") << riff(chunk("fact", le32(11025)) + mono + chunk("data", half))
                                           << qint64(-1) << 500;
    const QByteArray onlyHead = riff(mono + chunk("data", half)).left(44);
    QTest::newRow("length from the header, not the bytes read") << onlyHead << qint64(44 + 22050) << 500;
    QTest::newRow("data longer than the file is capped") << onlyHead << qint64(44 + 11025) << 250;
    QTest::newRow("empty data") << riff(mono + chunk("data", {})) << qint64(-1) << 0;
    QTest::newRow("data before fmt") << riff(chunk("data", half) + mono) << qint64(-1) << -1;
    QTest::newRow("no data chunk") << riff(mono) << qint64(-1) << -1;
    QTest::newRow("no fmt chunk") << riff(chunk("data", half)) << qint64(-1) << -1;
    QTest::newRow("short fmt chunk") << riff(chunk("fmt ", QByteArray(8, '\1')) + chunk("data", half)) << qint64(-1)
                                     << -1;
    QTest::newRow("zero byte rate") << riff(fmtChunk(1, 0, 16) + chunk("data", half)) << qint64(-1) << -1;
    QTest::newRow("not RIFF") << QByteArray("RIFX") + riff(mono).mid(4) << qint64(-1) << -1;
    QTest::newRow("not WAVE") << riff(mono).replace("WAVE", "AVI ") << qint64(-1) << -1;
    QTest::newRow("truncated") << QByteArray("RIFF\x10\0\0\0WA", 10) << qint64(-1) << -1;
    QTest::newRow("empty") << QByteArray() << qint64(-1) << -1;
    QTest::newRow("huge chunk length") << riff(mono + QByteArray("LIST\xff\xff\xff\xff", 8)) << qint64(-1) << -1;
}

void TestSound::wavDuration()
{
    QFETCH(QByteArray, head);
    QFETCH(qint64, fileSize);
    QFETCH(int, ms);
    QCOMPARE(QtSoundOutput::wavDurationMs(head, fileSize), ms);
}

void TestSound::playbackNeverHangs_data()
{
    QTest::addColumn<bool>("requireDevice");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("wait");
    for (const bool device : {true, false}) {
        const char* mode = device ? "device check" : "forced playback";
        QTest::addRow("%s: waited clip", mode) << device << QString(snd::Closing) << true;
        QTest::addRow("%s: background clip", mode) << device << QString(snd::Go) << false;
        QTest::addRow("%s: unknown name beeps", mode) << device << QString("SND_NOTHING") << true;
        QTest::addRow("%s: missing wave file", mode) << device << QString("missing.wav") << true;
        QTest::addRow("%s: wave file", mode) << device << QString("{dir}/ding.wav") << true;
        QTest::addRow("%s: file that is not a wave", mode) << device << QString("{dir}/text.wav") << true;
    }
}

void TestSound::playbackNeverHangs()
{
    QFETCH(bool, requireDevice);
    QFETCH(QString, name);
    QFETCH(bool, wait);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile ding(dir.filePath("ding.wav"));
    QVERIFY(ding.open(QIODevice::WriteOnly));
    ding.write(riff(fmtChunk(1, 22050, 16) + chunk("data", QByteArray(4410, '\0'))));
    ding.close();
    QFile text(dir.filePath("text.wav"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a sound at all");
    text.close();

    QtSoundOutput output(requireDevice);
    QElapsedTimer timer;
    timer.start();
    output.play(name.replace("{dir}", dir.path()), wait);
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
}

void TestSound::clipsInARowNeverHang()
{
    // Without an audio device Qt would report the first clip as playing forever; only the second is waited for.
    QtSoundOutput output(false);
    QElapsedTimer timer;
    timer.start();
    output.play(snd::GoExit, false);
    output.play(snd::Closing, true);
    output.play(snd::Closing, true); // the same clip again starts over
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
}

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
