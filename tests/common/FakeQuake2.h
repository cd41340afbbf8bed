#pragma once
// A throw-away Quake 2 installation for tests, and the seams every GUI test needs.
#include "support/Sound.h"
// The window's pages, as the GUI tests drive them.
#include "app/MainWindow.h"
#include "launch/LaunchController.h"
#include "levels/LevelsController.h"
#include "motd/MotdController.h"
#include "profiles/SettingsController.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class MainWindow;

namespace velstrom::test {

// Records every event sound instead of playing it.
class RecordingSound : public SoundOutput {
public:
    struct Played {
        QString name;
        bool wait;
    };
    void play(const QString& name, bool wait) override { m_played.append({name, wait}); }
    const QList<Played>& played() const { return m_played; }
    QStringList names() const;
    void clear() { m_played.clear(); }

private:
    QList<Played> m_played;
};

// <temp>/quake2/ with baseq2/maps/, and the program directory <temp>/quake2/Velstrom/.
// Creating one makes it the installation of this run, scripts every message box (default answers) and
// records sounds; destroying it restores what was there.
class FakeQuake2 {
public:
    FakeQuake2();
    ~FakeQuake2();
    FakeQuake2(const FakeQuake2&) = delete;
    FakeQuake2& operator=(const FakeQuake2&) = delete;

    QString quake2Dir() const;      // no trailing "/"
    QString programDir() const;     // with trailing "/"
    QString mapsDir() const;        // with trailing "/"
    QString file(const QString& nameInProgramDir) const { return programDir() + nameInProgramDir; }

    // A level file with a title (none when `title` is null) in baseq2/maps/.
    void addLevel(const QString& fileName, const QByteArray& title = QByteArray("A Level"));
    void addLevels(const QStringList& fileNames);
    // baseq2/maps.lst with these lines, CR LF after each.
    void writeMapsList(const QList<QByteArray>& lines);
    void writeProgramFile(const QString& name, const QByteArray& bytes);
    QByteArray readProgramFile(const QString& name) const;
    void writePak2();
    // A stand-in game: a shell script named `name` ("quake2" or "quake2.exe") that appends its working
    // directory and arguments, one "[arg]" each, to launch.log beside it.
    void installGame(const QString& name = QStringLiteral("quake2"));
    QString launchLog() const;

    RecordingSound& sounds() { return m_sounds; }

private:
    QTemporaryDir m_dir;
    RecordingSound m_sounds;
    SoundOutput* m_previousSound = nullptr;
    QString m_previousCwd;
};

// The texts of the error boxes shown so far, in order.
QStringList errorTexts();

// The main window over a fake installation, as the program starts it (without showing it).
std::unique_ptr<MainWindow> makeMainWindow();
// The same, then the first fill of the lists, as the start-up does.
std::unique_ptr<MainWindow> startMainWindow();

} // namespace velstrom::test
