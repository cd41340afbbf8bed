#include "support/Sound.h"

namespace {
SoundOutput*& current()
{
    static SoundOutput* output = nullptr;
    return output;
}
} // namespace

SoundOutput* setSoundOutput(SoundOutput* output)
{
    SoundOutput* previous = current();
    current() = output;
    return previous;
}

SoundOutput* soundOutput() { return current(); }

void playSound(const QString& name, bool wait)
{
    if (SoundOutput* output = current())
        output->play(name, wait);
}
