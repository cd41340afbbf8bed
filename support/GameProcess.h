#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

#include <optional>
#include <sys/types.h>

class QSocketNotifier;
class QTimer;

// A game the launcher started, watched until it ends. The launcher's helper process stays the game's parent, waits
// for it and writes its wait status into a pipe, so the exit is known without the game being our own child and
// without blocking: the pipe is watched on the event loop. When the game's output is kept, the helper also passes
// it on through a second pipe as it comes (see startProgram).
class GameProcess : public QObject {
    Q_OBJECT

public:
    // How much of the latest output is kept here.
    static constexpr qsizetype RecentOutputBytes = 64 * 1024;

    // `gamePid`: the game; `helperPid`: the launcher's helper, reaped once it has reported; `statusFd`: the read end
    // of the helper's pipe, owned from here on; `outputFd`: the read end of the output pipe (non-blocking, owned), or
    // -1 when the output is not kept.
    GameProcess(pid_t gamePid, pid_t helperPid, int statusFd, int outputFd = -1, QObject* parent = nullptr);
    ~GameProcess() override;

    pid_t pid() const { return m_pid; }
    bool isRunning() const { return !m_exitCode.has_value(); }
    // The exit code; 128 + the signal's number when a signal ended the game. Empty while it runs.
    std::optional<int> exitCode() const { return m_exitCode; }
    // How long it has run (ran, once it has ended), in milliseconds from its start.
    qint64 ranMs() const { return m_ranMs.value_or(m_clock.elapsed()); }
    // The latest output as it came, at most RecentOutputBytes; empty when the output is not kept.
    const QByteArray& recentOutput() const { return m_recent; }

    // SIGTERM now, SIGKILL 5 s later if the game is still running. Returns at once.
    void stop();

Q_SIGNALS:
    // Output as it comes, in pieces of any size (a line may come in two). All of it has come before finished().
    void output(const QByteArray& bytes);
    void finished(int exitCode);

private:
    void readStatus();
    void readOutput();

    pid_t m_pid;
    pid_t m_helperPid;
    int m_statusFd;
    int m_outputFd;
    QSocketNotifier* m_notifier = nullptr;
    QSocketNotifier* m_outputNotifier = nullptr;
    QTimer* m_killTimer = nullptr;
    QElapsedTimer m_clock;
    std::optional<qint64> m_ranMs;
    std::optional<int> m_exitCode;
    QByteArray m_recent;
};
