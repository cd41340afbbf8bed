#pragma once
// A real Quake 2 dedicated server (yquake2 or q2pro, built from tools/engines), installed in a temporary Quake 2
// tree the way an operator installs it, with our game module where the program installs it, and started with
// the words the program's own launch produces. Running as root, the server runs as "nobody". The destructor
// ends it (SIGTERM, then SIGKILL), and any engine of its tree the program started, so a failed check never
// leaves a server behind.
#include "launch/ServerStatus.h"
#include "profiles/Profile.h"
#include "support/Installation.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <initializer_list>
#include <optional>

class QuakeText;

namespace velstrom::test {

// An engine and how it is installed.
enum class Layout {
    Yquake2,         // q2ded in the Quake 2 folder
    Q2proPortable,   // portable q2proded in the Quake 2 folder (game libraries from its working directory)
    Q2proSystemData, // q2proded installed system-wide (found on the PATH), Quake 2 data in its data folder
    Q2proSystemHome, // the same, Quake 2 data in its home folder ~/.q2pro
};

// A test's "layout" column and a row for each of `layouts`, named as layoutName() names it.
void addLayoutRows(std::initializer_list<Layout> layouts);
inline void addLayoutRows()
{
    addLayoutRows({Layout::Yquake2, Layout::Q2proPortable, Layout::Q2proSystemData, Layout::Q2proSystemHome});
}

// Empty when the engines the tests need are built; else what is missing and how to build them.
QString enginesProblem();

// The port of a UDP socket nothing listens on just now.
quint16 freeUdpPort();

// A profile for a short game: a dedicated server on a free port with a remote console, the given play list.
Profile gameProfile(const QStringList& playList);

class RealServer {
public:
    // The tree for the layout: the engine, its stock game, every level of tests/data/bsp in baseq2/maps, and our
    // game module installed into <Quake 2>/Velstrom/ as game.so and under q2pro's name.
    explicit RealServer(Layout layout);
    ~RealServer();
    RealServer(const RealServer&) = delete;
    RealServer& operator=(const RealServer&) = delete;

    Layout layout() const { return m_layout; }
    const Installation& installation() const { return m_inst; }
    QString quake2Dir() const { return m_inst.quake2Dir(); }
    QString home() const { return m_home; }
    // The folder of the engine's stock game, where the levels lie: <Quake 2>/baseq2.
    QString baseDir() const { return quake2Dir() + QStringLiteral("/baseq2"); }

    // What a launch writes (QLevels.TXT, the profile's level list, Velstrom.cfg, and the message file as the
    // message page writes it when `message` is given), then the start: the engine the program finds for the
    // profile, from the Quake 2 folder, with the launch's words after those that keep it on the loopback.
    // False (and the reason in `problem()`) when it did not start.
    bool start(const Profile& profile, const QuakeText* message = nullptr);
    QString problem() const { return m_problem; }
    // The program and the words the engine was started with, as the launch made them.
    QString program() const { return m_program; }
    QStringList launchWords() const { return m_launchWords; }

    quint16 port() const { return m_port; }
    bool running() const { return m_process.state() != QProcess::NotRunning; }
    std::optional<int> exitCode() const;
    // Everything the server printed so far.
    QByteArray output() const;
    // The file's bytes in the program directory (empty when it is not there).
    QByteArray programFile(const QString& name) const;

    // The remote console's answer to `command` (its datagrams joined), with the profile's password; nothing when
    // the server did not answer within two seconds.
    std::optional<QString> rcon(const QString& command) const;
    // The value the server holds for a console variable, asked through the remote console.
    std::optional<QString> variable(const QString& name) const;
    std::optional<server::Status> status() const;

    // Ends the server: SIGTERM, and SIGKILL when it has not gone within 3 s.
    void stop();

    // For the program's own Go and Go/Exit: puts a launcher in the engine's place, a script that runs the real
    // engine as start() does (as nobody, on the loopback, unbuffered) with the words the program gives it.
    // start() is not for such a tree.
    void installLauncher();

private:
    void install();
    QString engineInTree() const { return m_engine; }
    // The command that runs `engine` before the launch's words, and the environment it needs.
    QStringList runWords(const QString& engine) const;
    QList<std::pair<QString, QString>> environment() const;

    Layout m_layout;
    QTemporaryDir m_dir;
    QString m_home;
    QString m_searchPath; // where a system-wide engine is found
    QString m_engine;     // the engine's place in the tree
    Installation m_inst;
    Profile m_profile;
    quint16 m_port = 0;
    QString m_program;
    QStringList m_launchWords;
    QString m_problem;
    mutable QProcess m_process;
    mutable QByteArray m_output;
};

// The row name of a layout in the tests' tables: q2ded, q2proded, q2proded-system-data, q2proded-system-home.
const char* layoutName(Layout layout);

} // namespace velstrom::test
