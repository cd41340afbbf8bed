#pragma once
#include "support/Sound.h"

#include <QByteArray>
#include <QString>

#include <memory>

class QSoundEffect;

// Event sounds through Qt Multimedia. A compiled-in clip is ":/sounds/<NAME>.wav"; an unknown name plays the
// desktop's beep. One clip at a time: a new one cuts off the one playing. Without an audio device nothing is
// played, waited for or reported. Lives within the application object's lifetime, as Qt Multimedia needs it.
class QtSoundOutput : public SoundOutput {
public:
    // Tests pass false to run the whole playback path on machines without sound hardware; Qt then keeps
    // saying the clip is playing, and only the clip's own length ends a wait.
    explicit QtSoundOutput(bool requireAudioDevice = true);
    ~QtSoundOutput() override;

    void play(const QString& name, bool wait) override;

    // The file or resource path that `name` plays.
    static QString sourcePath(const QString& name);
    // How long the PCM data of a WAV file plays, in milliseconds, read from the file's first bytes; -1 when
    // they are not a WAV header that says. `fileSize` (when known) caps a data length that claims too much.
    static int wavDurationMs(const QByteArray& head, qint64 fileSize = -1);

private:
    bool m_requireAudioDevice;
    std::unique_ptr<QSoundEffect> m_effect;
};
