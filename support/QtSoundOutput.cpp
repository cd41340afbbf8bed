#include "support/QtSoundOutput.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
#include <QtEndian>

#include <algorithm>

namespace {

// Qt starts a clip a little after play(); a waited clip gets this much on top of its own length.
constexpr int WaitMargin = 300;
// Chunks before the data chunk (LIST, fact...) are small; a header beyond this is not worth looking for.
constexpr qint64 HeadBytes = 65536;

quint32 le32(const QByteArray& data, qsizetype pos)
{
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(data.constData()) + pos);
}

bool isResource(const QString& path) { return path.startsWith(u':'); }

int clipLengthMs(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return QtSoundOutput::wavDurationMs(file.read(HeadBytes), file.size());
}

void beep()
{
    // Without a widget application there is no desktop to beep through.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr)
        QApplication::beep();
}

} // namespace

QtSoundOutput::QtSoundOutput(bool requireAudioDevice) : m_requireAudioDevice(requireAudioDevice) {}

QtSoundOutput::~QtSoundOutput() = default;

QString QtSoundOutput::sourcePath(const QString& name)
{
    if (name.endsWith(QLatin1String(".wav")))
        return QDir::current().absoluteFilePath(name);
    return QStringLiteral(":/sounds/") + name.toUpper() + QStringLiteral(".wav");
}

int QtSoundOutput::wavDurationMs(const QByteArray& head, qint64 fileSize)
{
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return -1;
    const qint64 size = fileSize >= 0 ? fileSize : head.size();
    quint32 byteRate = 0;
    qint64 pos = 12;
    while (pos + 8 <= head.size()) {
        const QByteArray id = head.mid(pos, 4);
        const quint32 length = le32(head, pos + 4);
        const qint64 body = pos + 8;
        if (id == "fmt ") {
            if (length < 16 || body + 16 > head.size())
                return -1;
            byteRate = le32(head, body + 8);
        } else if (id == "data") {
            if (byteRate == 0)
                return -1;
            const qint64 bytes = std::clamp<qint64>(size - body, 0, length);
            return int((bytes * 1000 + byteRate - 1) / byteRate);
        }
        pos = body + length + (length & 1); // chunks are padded to an even length
    }
    return -1;
}

void QtSoundOutput::play(const QString& name, bool wait)
{
    if (QCoreApplication::instance() == nullptr)
        return;
    const QString path = sourcePath(name);
    if (!QFile::exists(path)) {
        beep();
        return;
    }
    if (m_requireAudioDevice && QMediaDevices::audioOutputs().isEmpty()) {
        if (m_effect)
            m_effect->stop();
        return;
    }
    if (!m_effect)
        m_effect = std::make_unique<QSoundEffect>();
    QSoundEffect* effect = m_effect.get();
    effect->stop();
    const QUrl url = isResource(path) ? QUrl(QStringLiteral("qrc") + path) : QUrl::fromLocalFile(path);
    if (effect->source() != url)
        effect->setSource(url);
    effect->play();
    if (!wait)
        return;

    const int length = clipLengthMs(path);
    if (length < 0)
        return; // not a clip Qt can play either
    // The user's clicks and keys wait until the clip is over; painting and timers go on.
    QEventLoop loop;
    QTimer::singleShot(length + WaitMargin, &loop, &QEventLoop::quit);
    QObject::connect(effect, &QSoundEffect::playingChanged, &loop, [&loop, effect] {
        if (!effect->isPlaying())
            loop.quit();
    });
    QObject::connect(effect, &QSoundEffect::statusChanged, &loop, [&loop, effect] {
        if (effect->status() == QSoundEffect::Error)
            loop.quit();
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}
