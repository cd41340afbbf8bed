#pragma once
#include <QObject>

#include <optional>
#include <sys/types.h>

class QSocketNotifier;
class QTimer;

// A game the launcher started, watched until it ends. The launcher's helper process stays the game's parent, waits
// for it and writes its wait status into a pipe, so the exit is known without the game being our own child and
// without blocking: the pipe is watched on the event loop.
class GameProcess : public QObject {
    Q_OBJECT

public:
    // `gamePid`: the game; `helperPid`: the launcher's helper, reaped once it has reported; `statusFd`: the read end
    // of the helper's pipe, owned from here on.
    GameProcess(pid_t gamePid, pid_t helperPid, int statusFd, QObject* parent = nullptr);
    ~GameProcess() override;

    pid_t pid() const { return m_pid; }
    bool isRunning() const { return !m_exitCode.has_value(); }
    // The exit code; 128 + the signal's number when a signal ended the game. Empty while it runs.
    std::optional<int> exitCode() const { return m_exitCode; }

    // SIGTERM now, SIGKILL 5 s later if the game is still running. Returns at once.
    void stop();

Q_SIGNALS:
    void finished(int exitCode);

private:
    void readStatus();

    pid_t m_pid;
    pid_t m_helperPid;
    int m_statusFd;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_killTimer = nullptr;
    std::optional<int> m_exitCode;
};
