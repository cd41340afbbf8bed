#include "support/ProcessStart.h"

#include "support/BoundedLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace process {

StartResult failure(int err)
{
    using Failure = StartResult::Failure;
    switch (err) {
    case ENOENT:
        return {Failure::FileNotFound, err};
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return {Failure::PathNotFound, err};
    case ENOMEM:
    case EAGAIN:
    case EMFILE:
    case ENFILE:
    case E2BIG:
        return {Failure::OutOfResources, err};
    default: // EACCES, ENOEXEC, EISDIR, ETXTBSY, ELIBBAD, EPERM...
        return {Failure::NotAProgram, err};
    }
}

QString startFailureText(const StartResult& result, const QString& commandLine)
{
    using Failure = StartResult::Failure;
    switch (result.failure) {
    case Failure::OutOfResources:
        return QStringLiteral("The system is out of memory or resources.");
    case Failure::FileNotFound:
        return QStringLiteral("The file (") + commandLine + QStringLiteral(") was not found.");
    case Failure::PathNotFound:
        return QStringLiteral("The path (") + commandLine + QStringLiteral(") was not found.");
    case Failure::NotAProgram:
        return QStringLiteral("The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).");
    case Failure::None:
    case Failure::NoApplication:
        break;
    }
    return {};
}

bool isDirectory(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isCandidate(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::vector<std::string> argumentVector(const QByteArray& path, const QStringList& arguments)
{
    std::vector<std::string> args;
    args.reserve(size_t(arguments.size()) + 1);
    args.emplace_back(path.constData(), size_t(path.size()));
    for (const QString& word : arguments) {
        const QByteArray arg = word.toUtf8();
        args.emplace_back(arg.constData(), size_t(arg.size()));
    }
    return args;
}

namespace {

// What the helper tells us first: the game's pid, or why it could not be started.
struct SpawnReport {
    int error;
    pid_t pid;
};

bool readFully(int fd, void* buffer, size_t size)
{
    auto* bytes = static_cast<char*>(buffer);
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, bytes + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += size_t(n);
    }
    return true;
}

// Write in the helper, where a short write can only mean that nobody listens any more.
void tell(int fd, const void* data, size_t size)
{
    ssize_t n;
    do {
        n = ::write(fd, data, size);
    } while (n < 0 && errno == EINTR);
}

void closeAll(std::initializer_list<int> fds)
{
    for (int fd : fds)
        if (fd >= 0)
            ::close(fd);
}

// Where a kept output goes, all of it made before the fork: after it only async-signal-safe calls are allowed.
struct OutputCapture {
    int terminal = -1; // the pseudo-terminal's master side, read by the helper
    int console = -1;  // its other side: the program's standard output and error
    int nullInput = -1;
    int log = -1;
    int forwardRead = -1; // the output pipe to us
    int forwardWrite = -1;
    std::vector<std::string> environment;
    std::vector<char*> envp;
    int error = 0;

    bool open(const QByteArray& logPath);
    void closeAll() const { process::closeAll({terminal, console, nullInput, log, forwardRead, forwardWrite}); }
};

bool OutputCapture::open(const QByteArray& logPath)
{
    auto fail = [this] {
        error = errno;
        closeAll();
        return false;
    };
    terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0 || ::grantpt(terminal) != 0 || ::unlockpt(terminal) != 0)
        return fail();
    char name[128];
    if (::ptsname_r(terminal, name, sizeof name) != 0)
        return fail();
    console = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (console < 0)
        return fail();
    // Bytes as the program writes them: no "\r" before each "\n", no echo.
    termios mode{};
    if (::tcgetattr(console, &mode) == 0) {
        ::cfmakeraw(&mode);
        ::tcsetattr(console, TCSANOW, &mode);
    }
    nullInput = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nullInput < 0)
        return fail();
    // A new file renamed over the old one: a server of an earlier start that still writes goes on in its own file.
    QByteArray temporary = logPath + ".XXXXXX";
    log = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (log < 0 || ::fchmod(log, 0644) != 0 || ::rename(temporary.constData(), logPath.constData()) != 0) {
        if (log >= 0)
            ::unlink(temporary.constData());
        return fail();
    }
    int forward[2];
    if (::pipe2(forward, O_CLOEXEC | O_NONBLOCK) != 0)
        return fail();
    forwardRead = forward[0];
    forwardWrite = forward[1];
    ::fcntl(terminal, F_SETFL, ::fcntl(terminal, F_GETFL) | O_NONBLOCK);

    for (char** e = environ; e != nullptr && *e != nullptr; ++e)
        if (std::strncmp(*e, "TERM=", 5) != 0 && std::strncmp(*e, "COLORTERM=", 10) != 0)
            environment.emplace_back(*e);
    environment.emplace_back("TERM=dumb");
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    return true;
}

// In the helper: takes what the program wrote, if any, into the log and on to us. False once the terminal has no
// writer left and is empty.
bool pump(int terminal, BoundedLog& log, int& forward, char* buffer, size_t size)
{
    for (;;) {
        const ssize_t n = ::read(terminal, buffer, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return true;
        if (n <= 0)
            return false; // EIO: the program and everything it started have closed their side
        log.append(buffer, size_t(n));
        if (forward >= 0) {
            // Never wait for us: a full pipe (we are busy) drops this piece for the window; the log has it.
            const ssize_t w = ::write(forward, buffer, size_t(n));
            if (w < 0 && errno == EPIPE) {
                ::close(forward);
                forward = -1;
            }
        }
    }
}

} // namespace

Spawned spawn(const QByteArray& path, const std::vector<std::string>& args, const QByteArray& workingDir, bool watch,
              const QByteArray& logPath)
{
    // Everything the children need is built here: after fork only async-signal-safe calls are allowed.
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const char* file = path.constData();
    const char* dir = workingDir.isEmpty() ? nullptr : workingDir.constData();
    sigset_t noSignals;
    sigemptyset(&noSignals);
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    struct sigaction ignoreAction {};
    ignoreAction.sa_handler = SIG_IGN;
    sigemptyset(&ignoreAction.sa_mask);

    OutputCapture capture;
    const bool keepOutput = watch && !logPath.isEmpty();
    if (keepOutput && !capture.open(logPath))
        return {capture.error, nullptr};
    BoundedLog log(capture.log);
    static char buffer[16384]; // the helper's, after the fork

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        const int err = errno;
        capture.closeAll();
        return {err, nullptr};
    }
    int execFailed[2];
    if (::pipe2(execFailed, O_CLOEXEC) != 0) {
        const int err = errno;
        closeAll({report[0], report[1]});
        capture.closeAll();
        return {err, nullptr};
    }

    const pid_t helper = ::fork();
    if (helper < 0) {
        const int err = errno;
        closeAll({report[0], report[1], execFailed[0], execFailed[1]});
        capture.closeAll();
        return {err, nullptr};
    }
    if (helper == 0) {
        closeAll({report[0], capture.forwardRead});
        // Neither the helper nor the game should run our signal handlers.
        for (int sig = 1; sig < NSIG; ++sig)
            if (sig != SIGKILL && sig != SIGSTOP)
                ::sigaction(sig, &defaultAction, nullptr);
        ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);
        ::setsid();
        const pid_t game = ::fork();
        if (game < 0) {
            const SpawnReport failed{errno, -1};
            tell(report[1], &failed, sizeof failed);
            ::_exit(1);
        }
        if (game == 0) {
            ::close(execFailed[0]);
            int err = 0;
            if (keepOutput &&
                (::dup2(capture.nullInput, 0) < 0 || ::dup2(capture.console, 1) < 0 || ::dup2(capture.console, 2) < 0))
                err = errno;
            if (err == 0 && dir != nullptr && ::chdir(dir) != 0)
                err = errno;
            if (err == 0) {
                if (keepOutput)
                    ::execve(file, argv.data(), capture.envp.data());
                else
                    ::execv(file, argv.data());
                err = errno;
            }
            tell(execFailed[1], &err, sizeof err);
            ::_exit(127);
        }
        // Only the game may hold the terminal's other side: it reads as ended once the game has closed it.
        closeAll({capture.console, capture.nullInput});
        // The exec pipe closes without a word when exec succeeded; otherwise it carries the errno.
        ::close(execFailed[1]);
        int err = 0;
        ssize_t n;
        do {
            n = ::read(execFailed[0], &err, sizeof err);
        } while (n < 0 && errno == EINTR);
        ::close(execFailed[0]);
        const SpawnReport started{n == ssize_t(sizeof err) ? err : 0, game};
        if (started.error != 0) {
            while (::waitpid(game, nullptr, 0) < 0 && errno == EINTR) {
            }
            tell(report[1], &started, sizeof started);
            ::_exit(1);
        }
        tell(report[1], &started, sizeof started);
        if (!watch)
            ::_exit(0);
        // Nobody may be reading any more when the game ends (the window was closed): the writes then just fail.
        ::sigaction(SIGPIPE, &ignoreAction, nullptr);
        // We may end long before the game: keep no terminal of ours open.
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            for (int fd : {0, 1, 2})
                ::dup2(null, fd);
            if (null > 2)
                ::close(null);
        }
        int status = 0;
        if (keepOutput) {
            // The game's end shows on a process descriptor; without one (an old kernel) we look every 100 ms.
            const int gameFd = int(::syscall(SYS_pidfd_open, game, 0));
            bool reading = true;
            int forward = capture.forwardWrite;
            for (;;) {
                pollfd fds[2];
                nfds_t count = 0;
                if (reading)
                    fds[count++] = {capture.terminal, POLLIN, 0};
                if (gameFd >= 0)
                    fds[count++] = {gameFd, POLLIN, 0};
                if (::poll(fds, count, gameFd >= 0 ? -1 : 100) < 0 && errno != EINTR)
                    break;
                if (reading && fds[0].revents != 0)
                    reading = pump(capture.terminal, log, forward, buffer, sizeof buffer);
                const pid_t ended = ::waitpid(game, &status, WNOHANG);
                if (ended == game || (ended < 0 && errno == ECHILD))
                    break;
            }
            // What the game wrote last is still in the terminal.
            if (reading)
                pump(capture.terminal, log, forward, buffer, sizeof buffer);
            ::close(capture.log);
        }
        while (::waitpid(game, &status, 0) < 0 && errno == EINTR) {
        }
        tell(report[1], &status, sizeof status);
        ::_exit(0);
    }

    closeAll({report[1], execFailed[0], execFailed[1], capture.terminal, capture.console, capture.nullInput,
              capture.log, capture.forwardWrite});
    SpawnReport started{0, -1};
    if (!readFully(report[0], &started, sizeof started))
        started = {ECHILD, -1}; // the helper died before it could say anything
    if (started.error != 0 || !watch) {
        closeAll({report[0], capture.forwardRead});
        while (::waitpid(helper, nullptr, 0) < 0 && errno == EINTR) {
        }
        return {started.error, nullptr};
    }
    return {0, std::make_unique<GameProcess>(started.pid, helper, report[0], capture.forwardRead)};
}

} // namespace process

StartedProgram startProgram(const QString& program, const QStringList& arguments, const QString& workingDir,
                            Watch watch, const QString& logPath)
{
    using namespace process;
    using Failure = StartResult::Failure;
    if (program.isEmpty())
        return {{Failure::FileNotFound, ENOENT}, nullptr};
    // The child changes its directory before exec, so a relative path is made ours first.
    const QString absolute = QDir::current().absoluteFilePath(program);
    const QByteArray path = QFile::encodeName(absolute);
    // Whether it runs is for exec to say; only a missing file is told apart here, by where it is missing.
    if (!isCandidate(absolute) && !isDirectory(absolute))
        return {{isDirectory(QFileInfo(absolute).absolutePath()) ? Failure::FileNotFound : Failure::PathNotFound, ENOENT},
                nullptr};
    Spawned spawned = spawn(path, argumentVector(path, arguments), QFile::encodeName(workingDir), watch == Watch::Yes,
                            logPath.isEmpty() ? QByteArray() : QFile::encodeName(logPath));
    if (spawned.error != 0)
        return {failure(spawned.error), nullptr};
    return {StartResult{}, std::move(spawned.process)};
}
