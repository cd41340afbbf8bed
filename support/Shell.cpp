#include "support/Shell.h"

#include "support/ErrorReport.h"
#include "support/MessageBoxes.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

using namespace process;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
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
    // A bare name is looked up on the search path alone. Never in the current directory, not even through an
    // empty or relative entry: a file dropped where the program was started must not run in place of the
    // desktop's viewer.
    const QByteArray pathVar = qgetenv("PATH");
    for (const QByteArray& entry : pathVar.split(':')) {
        const QString dir = QFile::decodeName(entry);
        if (!QDir::isAbsolutePath(dir))
            continue;
        const QString path = withGameFallback(QDir(dir).filePath(word));
        if (isCandidate(path))
            return {path, 0};
    }
    return {QString(), FileNotFound};
}

// Tells the user why a start failed; nothing for a start that worked.
void reportStartFailure(int code, const QString& commandLine)
{
    const QString text = process::startFailureText(code, commandLine);
    if (!text.isEmpty())
        msgbox::show(nullptr, msgbox::Icon::None, applicationTitle(), text, {msgbox::Button::Ok});
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

StartedProgram RunProgram(const QString& program, const QStringList& arguments, const QString& workingDir,
                          const QString& shownAs, Watch watch, const QString& logPath)
{
    StartedProgram started = startProgram(program, arguments, workingDir, watch, logPath);
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

void openDocument(const QString& fileOrAddress)
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
