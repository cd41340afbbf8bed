#include "support/Shell.h"

#include "support/ErrorReport.h"
#include "support/MessageBoxes.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
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

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

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
    return path.endsWith(QLatin1String("quake2.exe"), Qt::CaseInsensitive)
           && (path.size() == 10 || path.at(path.size() - 11) == u'/');
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

// Starts `path` with `args` in a grandchild that belongs to no one, so it outlives us and never becomes our
// zombie. Returns 0 or the errno of the step that failed (exec's errno comes back through a pipe).
int spawnDetached(const QByteArray& path, const std::vector<std::string>& args)
{
    // Everything the children need is built here: after fork only async-signal-safe calls are allowed.
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const char* file = path.constData();
    sigset_t noSignals;
    sigemptyset(&noSignals);
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return errno;

    const pid_t child = ::fork();
    if (child < 0) {
        const int err = errno;
        ::close(report[0]);
        ::close(report[1]);
        return err;
    }
    if (child == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild < 0) {
            const int err = errno;
            (void)!::write(report[1], &err, sizeof err);
            ::_exit(1);
        }
        if (grandchild > 0)
            ::_exit(0);
        // The game should not inherit our signal handling.
        for (int sig = 1; sig < NSIG; ++sig)
            if (sig != SIGKILL && sig != SIGSTOP)
                ::sigaction(sig, &defaultAction, nullptr);
        ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);
        ::execv(file, argv.data());
        const int err = errno;
        (void)!::write(report[1], &err, sizeof err);
        ::_exit(127);
    }

    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes without a word when exec succeeded; otherwise it carries the errno.
    int err = 0;
    ssize_t n;
    do {
        n = ::read(report[0], &err, sizeof err);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    return n == ssize_t(sizeof err) ? err : 0;
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
    std::vector<std::string> args;
    args.reserve(size_t(words.size()));
    args.emplace_back(path.constData(), size_t(path.size()));
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QByteArray arg = words[i].toUtf8();
        args.emplace_back(arg.constData(), size_t(arg.size()));
    }
    const int err = spawnDetached(path, args);
    return err == 0 ? Started : codeForErrno(err);
}

bool RunCommandLine(const QString& commandLine, int showMode)
{
    Q_UNUSED(showMode); // every program of ours opens in its normal window anyway
    const int code = startCommandLine(commandLine);
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
    return code > 31;
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

void OpenDocument(const QString& fileOrAddress) { ExecuteFile(fileOrAddress, QString(), QString(), SW_SHOWNORMAL); }

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

QString findGameExecutable(const QString& dir)
{
    const QString base = dir.endsWith(u'/') ? dir : dir + u'/';
    for (const QString& name : {QStringLiteral("quake2.exe"), QStringLiteral("quake2")}) {
        const QString path = base + name;
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}
