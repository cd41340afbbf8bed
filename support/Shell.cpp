#include "support/Shell.h"

#include "support/ErrorReport.h"
#include "support/GameProcess.h"
#include "support/MessageBoxes.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The codes WinExec answers with, which callers and messages are written against.
constexpr int OutOfResources = 0;
constexpr int FileNotFound = 2;
constexpr int PathNotFound = 3;
constexpr int BadFormat = 11;
constexpr int Started = 33;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

int codeForErrno(int err)
{
    switch (err) {
    case ENOENT:
        return FileNotFound;
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return PathNotFound;
    case ENOMEM:
    case EAGAIN:
    case EMFILE:
    case ENFILE:
    case E2BIG:
        return OutOfResources;
    default: // EACCES, ENOEXEC, EISDIR, ETXTBSY, ELIBBAD, EPERM...
        return BadFormat;
    }
}

bool isDirectory(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Something that could be started: present and not a directory. Whether it really runs is for exec to say.
bool isCandidate(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool endsWithQuake2Exe(const QString& path)
{
    return path.endsWith(QLatin1String("quake2.exe"), Qt::CaseInsensitive) &&
           (path.size() == 10 || path.at(path.size() - 11) == u'/');
}

// The program at `path`, or the native game beside it when a missing "quake2.exe" is asked for.
QString withGameFallback(const QString& path)
{
    if (isCandidate(path) || !endsWithQuake2Exe(path))
        return path;
    const QString native = path.left(path.size() - 4);
    return isCandidate(native) ? native : path;
}

struct Resolved {
    QString path; // empty when not found
    int error = FileNotFound;
};

Resolved resolveProgram(const QString& word)
{
    if (word.contains(u'/')) {
        const QString path = withGameFallback(QDir::current().absoluteFilePath(word));
        if (isCandidate(path) || isDirectory(path))
            return {path, 0};
        // Tell a missing file from a missing directory on the way to it.
        return {QString(), isDirectory(QFileInfo(path).absolutePath()) ? FileNotFound : PathNotFound};
    }
    // A bare name: the current directory first, as Windows does, then the search path.
    QStringList dirs{QDir::currentPath()};
    const QByteArray pathVar = qgetenv("PATH");
    for (const QByteArray& dir : pathVar.split(':'))
        dirs.append(dir.isEmpty() ? QDir::currentPath() : QFile::decodeName(dir));
    for (const QString& dir : dirs) {
        const QString path = withGameFallback(QDir(dir).absoluteFilePath(word));
        if (isCandidate(path))
            return {path, 0};
    }
    return {QString(), FileNotFound};
}

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

struct Spawned {
    int error = 0;
    std::unique_ptr<GameProcess> process;
};

// Starts `path` with `args` in `workingDir` (empty: ours) in a grandchild of its own session, so it outlives us
// and never takes our terminal. The helper between us reports the grandchild's pid, or the errno of the step that
// failed, through a pipe. Unwatched, the helper ends at once and the grandchild belongs to no one; watched, the
// helper stays its parent, waits for it and writes its wait status into the pipe, which GameProcess reads.
Spawned spawn(const QByteArray& path, const std::vector<std::string>& args, const QByteArray& workingDir, bool watch)
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

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return {errno, nullptr};
    int execFailed[2];
    if (::pipe2(execFailed, O_CLOEXEC) != 0) {
        const int err = errno;
        ::close(report[0]);
        ::close(report[1]);
        return {err, nullptr};
    }

    const pid_t helper = ::fork();
    if (helper < 0) {
        const int err = errno;
        for (int fd : {report[0], report[1], execFailed[0], execFailed[1]})
            ::close(fd);
        return {err, nullptr};
    }
    if (helper == 0) {
        ::close(report[0]);
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
            if (dir != nullptr && ::chdir(dir) != 0)
                err = errno;
            if (err == 0) {
                ::execv(file, argv.data());
                err = errno;
            }
            tell(execFailed[1], &err, sizeof err);
            ::_exit(127);
        }
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
        // Nobody may be reading any more when the game ends (the window was closed): the write then just fails.
        ::sigaction(SIGPIPE, &ignoreAction, nullptr);
        int status = 0;
        while (::waitpid(game, &status, 0) < 0 && errno == EINTR) {
        }
        tell(report[1], &status, sizeof status);
        ::_exit(0);
    }

    ::close(report[1]);
    ::close(execFailed[0]);
    ::close(execFailed[1]);
    SpawnReport started{0, -1};
    if (!readFully(report[0], &started, sizeof started))
        started = {ECHILD, -1}; // the helper died before it could say anything
    if (started.error != 0 || !watch) {
        ::close(report[0]);
        while (::waitpid(helper, nullptr, 0) < 0 && errno == EINTR) {
        }
        return {started.error, nullptr};
    }
    return {0, std::make_unique<GameProcess>(started.pid, helper, report[0])};
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

// Tells the user why a start failed; nothing for a start that worked.
void reportStartFailure(int code, const QString& commandLine)
{
    QString text;
    switch (code) {
    case OutOfResources:
        text = QStringLiteral("The system is out of memory or resources.");
        break;
    case FileNotFound:
        text = QStringLiteral("The file (") + commandLine + QStringLiteral(") was not found.");
        break;
    case PathNotFound:
        text = QStringLiteral("The path (") + commandLine + QStringLiteral(") was not found.");
        break;
    case BadFormat:
        text = QStringLiteral("The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).");
        break;
    default:
        break;
    }
    if (!text.isEmpty())
        msgbox::show(nullptr, msgbox::Icon::None, applicationTitle(), text, {msgbox::Button::Ok});
}

// The code for a program given by its path: tells a missing file from a missing directory on the way to it.
int missingProgramCode(const QString& path)
{
    return isDirectory(QFileInfo(path).absolutePath()) ? FileNotFound : PathNotFound;
}

} // namespace

QStringList splitCommandLine(const QString& commandLine)
{
    QStringList words;
    QString word;
    bool inWord = false; // a pair of quotes alone still makes an (empty) word
    bool quoted = false;
    for (const QChar c : commandLine) {
        if (c == u'"') {
            quoted = !quoted;
            inWord = true;
        } else if (isBlank(c) && !quoted) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word.append(c);
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

int startCommandLine(const QString& commandLine)
{
    const QStringList words = splitCommandLine(commandLine);
    if (words.isEmpty())
        return FileNotFound;
    // An associated program comes as "C:\...\NOTEPAD.EXE " with the blank before its %1 still on it.
    QString program = words.first();
    while (!program.isEmpty() && program.back().unicode() <= 32)
        program.chop(1);
    if (program.isEmpty())
        return FileNotFound;

    const Resolved found = resolveProgram(program);
    if (found.path.isEmpty())
        return found.error;

    const QByteArray path = QFile::encodeName(found.path);
    const Spawned spawned = spawn(path, argumentVector(path, words.mid(1)), QByteArray(), false);
    return spawned.error == 0 ? Started : codeForErrno(spawned.error);
}

bool RunCommandLine(const QString& commandLine, int showMode)
{
    Q_UNUSED(showMode); // every program of ours opens in its normal window anyway
    const int code = startCommandLine(commandLine);
    reportStartFailure(code, commandLine);
    return code > 31;
}

StartedProgram startProgram(const QString& program, const QStringList& arguments, const QString& workingDir,
                            Watch watch)
{
    if (program.isEmpty())
        return {FileNotFound, nullptr};
    // The child changes its directory before exec, so a relative path is made ours first.
    const QString absolute = QDir::current().absoluteFilePath(program);
    const QByteArray path = QFile::encodeName(absolute);
    // Whether it runs is for exec to say; only a missing file is told apart here, by where it is missing.
    if (!isCandidate(absolute) && !isDirectory(absolute))
        return {missingProgramCode(absolute), nullptr};
    Spawned spawned = spawn(path, argumentVector(path, arguments), QFile::encodeName(workingDir), watch == Watch::Yes);
    if (spawned.error != 0)
        return {codeForErrno(spawned.error), nullptr};
    return {Started, std::move(spawned.process)};
}

StartedProgram RunProgram(const QString& program, const QStringList& arguments, const QString& workingDir,
                          const QString& shownAs, Watch watch)
{
    StartedProgram started = startProgram(program, arguments, workingDir, watch);
    reportStartFailure(started.code, (QStringList{shownAs} + arguments).join(u' '));
    return started;
}

namespace {

// An address keeps its scheme; anything else is a file, relative to `directory` or the current directory.
QUrl documentUrl(const QString& fileName, const QString& directory)
{
    const QUrl url(fileName, QUrl::StrictMode);
    if (url.isValid() && url.scheme().size() > 1 && !fileName.startsWith(u'/'))
        return url;
    const QDir base(directory.isEmpty() ? QDir::currentPath() : QDir::current().absoluteFilePath(directory));
    return QUrl::fromLocalFile(base.absoluteFilePath(fileName));
}

} // namespace

void OpenDocument(const QString& fileOrAddress)
{
    ExecuteFile(fileOrAddress, QString(), QString(), SW_SHOWNORMAL);
}

int ExecuteFile(const QString& fileName, const QString& parameters, const QString& directory, int showMode)
{
    // The desktop opens documents with their default application; it takes no parameters or window mode.
    Q_UNUSED(parameters);
    Q_UNUSED(showMode);
    const QUrl url = documentUrl(fileName, directory);
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return FileNotFound;
    constexpr int NoAssociation = 31;
    return QDesktopServices::openUrl(url) ? Started : NoAssociation;
}
