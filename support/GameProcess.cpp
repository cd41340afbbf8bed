#include "support/GameProcess.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int KillDelayMs = 5000;

int exitCodeOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return 255;
}

} // namespace

GameProcess::GameProcess(pid_t gamePid, pid_t helperPid, int statusFd, int outputFd, QObject* parent)
    : QObject(parent), m_pid(gamePid), m_helperPid(helperPid), m_statusFd(statusFd), m_outputFd(outputFd)
{
    m_clock.start();
    if (m_outputFd >= 0) {
        m_outputNotifier = new QSocketNotifier(qintptr(m_outputFd), QSocketNotifier::Read, this);
        connect(m_outputNotifier, &QSocketNotifier::activated, this, [this] { readOutput(); });
    }
    m_notifier = new QSocketNotifier(qintptr(statusFd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readStatus(); });
    m_killTimer = new QTimer(this);
    m_killTimer->setSingleShot(true);
    m_killTimer->setInterval(KillDelayMs);
    connect(m_killTimer, &QTimer::timeout, this, [this] {
        if (isRunning())
            ::kill(m_pid, SIGKILL);
    });
}

GameProcess::~GameProcess()
{
    m_notifier->setEnabled(false);
    if (m_outputNotifier != nullptr)
        m_outputNotifier->setEnabled(false);
    if (m_statusFd >= 0)
        ::close(m_statusFd);
    // The helper notices that nobody reads its output any more and only keeps the log from then on.
    if (m_outputFd >= 0)
        ::close(m_outputFd);
    // The helper ends with the game; once the pipe is closed it may be reaped by whoever adopts it.
    if (m_helperPid > 0)
        ::waitpid(m_helperPid, nullptr, WNOHANG);
}

void GameProcess::stop()
{
    if (!isRunning())
        return;
    ::kill(m_pid, SIGTERM);
    m_killTimer->start();
}

void GameProcess::readStatus()
{
    int status = 0;
    ssize_t got;
    do {
        got = ::read(m_statusFd, &status, sizeof status);
    } while (got < 0 && errno == EINTR);
    if (got < 0 && errno == EAGAIN)
        return;
    m_notifier->setEnabled(false);
    m_ranMs = m_clock.elapsed();
    // The helper passes on all the output before it reports the end.
    readOutput();
    ::close(m_statusFd);
    m_statusFd = -1;
    if (m_helperPid > 0) {
        ::waitpid(m_helperPid, nullptr, 0); // it exits right after writing
        m_helperPid = -1;
    }
    m_killTimer->stop();
    // A helper that died without a word leaves the game's fate unknown; report it as ended all the same.
    m_exitCode = got == ssize_t(sizeof status) ? exitCodeOf(status) : 255;
    Q_EMIT finished(*m_exitCode);
}

void GameProcess::readOutput()
{
    if (m_outputFd < 0)
        return;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(m_outputFd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN)
            return;
        if (got <= 0) {
            // The helper has gone: nothing more will come.
            m_outputNotifier->setEnabled(false);
            ::close(m_outputFd);
            m_outputFd = -1;
            return;
        }
        const QByteArray bytes(buffer, got);
        m_recent.append(bytes);
        if (m_recent.size() > RecentOutputBytes)
            m_recent.remove(0, m_recent.size() - RecentOutputBytes);
        Q_EMIT output(bytes);
    }
}
