#pragma once
#include <QString>

// The program's eleven event sounds, by the names under which they are compiled in.
namespace snd {
inline constexpr char WarnGame[] = "SND_WARNGAME";
inline constexpr char SkipFound[] = "SND_SKIPFOUND";
inline constexpr char Refresh[] = "SND_REFRESH";
inline constexpr char Go[] = "SND_GO";
inline constexpr char GoExit[] = "SND_GOEXIT";
inline constexpr char About[] = "SND_ABOUT";
inline constexpr char Confirm[] = "SND_CONFIRM";
inline constexpr char IdLevels[] = "SND_IDLEVELS";
inline constexpr char Closing[] = "SND_CLOSING";
inline constexpr char Empathy[] = "SND_EMPATHY";
inline constexpr char Help[] = "SND_HELP";
} // namespace snd

// Where event sounds go. The program plays them through Qt Multimedia; tests put a recorder here.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // `name` ending exactly in ".wav" is a file; anything else names a compiled-in clip (case-insensitive).
    // With `wait`, returns when the clip has ended, taking no user input meanwhile.
    virtual void play(const QString& name, bool wait) = 0;
};

// Installs `output` (not owned; nullptr silences everything) and returns the previous one.
SoundOutput* setSoundOutput(SoundOutput* output);
SoundOutput* soundOutput();

// Plays a sound whatever the user's sound preference says. A new sound stops the one playing.
void playSound(const QString& name, bool wait);

// The program's event sounds as the user's preference allows them: what the pages and dialogs are given, so none
// of them needs to know where that preference is kept.
class EventSounds {
public:
    virtual ~EventSounds() = default;
    virtual void play(const QString& name, bool wait) = 0;
};
