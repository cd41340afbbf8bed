#include "support/Shell.h"

#include "support/ErrorReport.h"
#include "support/MessageBoxes.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>

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
    StartResult failure;
};

const StartResult NotFound{StartResult::Failure::FileNotFound, ENOENT};

Resolved resolveProgram(const QString& word)
{
    if (word.contains(u'/')) {
        const QString path = withGameFallback(QDir::current().absoluteFilePath(word));
        if (isCandidate(path) || isDirectory(path))
            return {path, {}};
        // Tell a missing file from a missing directory on the way to it.
        if (isDirectory(QFileInfo(path).absolutePath()))
            return {QString(), NotFound};
        return {QString(), {StartResult::Failure::PathNotFound, ENOENT}};
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
            return {path, {}};
    }
    return {QString(), NotFound};
}

// Tells the user why a start failed; nothing for a start that worked.
void reportStartFailure(const StartResult& result, const QString& commandLine)
{
    const QString text = process::startFailureText(result, commandLine);
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

StartResult startCommandLine(const QString& commandLine)
{
    const QStringList words = splitCommandLine(commandLine);
    if (words.isEmpty())
        return NotFound;
    // An associated program comes as "C:\...\NOTEPAD.EXE " with the blank before its %1 still on it.
    QString program = words.first();
    while (!program.isEmpty() && program.back().unicode() <= 32)
        program.chop(1);
    if (program.isEmpty())
        return NotFound;

    const Resolved found = resolveProgram(program);
    if (found.path.isEmpty())
        return found.failure;

    const QByteArray path = QFile::encodeName(found.path);
    const Spawned spawned = spawn(path, argumentVector(path, words.mid(1)), QByteArray(), false);
    return spawned.error == 0 ? StartResult{} : failure(spawned.error);
}

bool runCommandLine(const QString& commandLine)
{
    const StartResult result = startCommandLine(commandLine);
    reportStartFailure(result, commandLine);
    return result.started();
}

StartedProgram runProgram(const QString& program, const QStringList& arguments, const QString& workingDir,
                          const QString& shownAs, Watch watch, const QString& logPath)
{
    StartedProgram started = startProgram(program, arguments, workingDir, watch, logPath);
    reportStartFailure(started.result, (QStringList{shownAs} + arguments).join(u' '));
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
    openWithDesktop(fileOrAddress, QString());
}

StartResult openWithDesktop(const QString& fileName, const QString& directory)
{
    const QUrl url = documentUrl(fileName, directory);
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return NotFound;
    // The desktop opens documents with their default application and gives no reason when it cannot.
    return QDesktopServices::openUrl(url) ? StartResult{} : StartResult{StartResult::Failure::NoApplication, 0};
}
