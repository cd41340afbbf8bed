#include "launch/EngineFinder.h"

#include "support/ByteText.h"
#include "support/Quake2Paths.h"
#include "vornak/GameFolders.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int DedicatedServer = 1;

bool isStartable(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    return ::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) && ::access(native.constData(), X_OK) == 0;
}

QStringList searchDirectories(const QByteArray& searchPath)
{
    QStringList dirs;
    for (const QByteArray& entry : searchPath.split(':')) {
        const QString dir = QFile::decodeName(entry);
        if (QDir::isAbsolutePath(dir))
            dirs.append(QDir::cleanPath(dir));
    }
    return dirs;
}

GameEngine firstIn(const QStringList& dirs, const QStringList& names, bool fromSearchPath)
{
    // A better name anywhere on the PATH beats a worse one earlier on it; within a name, the PATH's order holds.
    for (const QString& name : names)
        for (const QString& dir : dirs) {
            const QString path = dir.endsWith(u'/') ? QString(dir + name) : QString(dir + u'/' + name);
            if (isStartable(path))
                return {name, path, fromSearchPath};
        }
    return {};
}

vornak::Engine levelRules(const GameEngine& engine)
{
    if (!engine.found())
        return vornak::Engine::AnyEngine;
    if (engine.name == QLatin1String("q2pro") || engine.name == QLatin1String("q2proded"))
        return vornak::Engine::Q2pro;
    if (engine.name == QLatin1String("quake2") || engine.name == QLatin1String("q2ded"))
        return vornak::Engine::YamagiQuake2;
    return vornak::Engine::AnyEngine;
}

} // namespace

QString GameEngine::directory() const
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

levels::LevelSearch levelSearch(const GameEngine& engine, const QString& quake2Dir)
{
    const vornak::Engine rules = levelRules(engine);
    if (rules == vornak::Engine::AnyEngine)
        return {rules};
    const auto native = [](const QString& text) { return bytetext::encode(text).toStdString(); };
    // The engine as the launch sets it up: our game folder, the Quake 2 directory as its data folder and its
    // working directory, no folder options on its command line.
    vornak::EngineView view;
    view.q2pro = rules == vornak::Engine::Q2pro;
    view.game = native(q2::GameName);
    view.basedir = native(quake2Dir);
    view.engineDir = native(engine.directory());
    view.workingDir = native(quake2Dir);
    view.home = qgetenv("HOME").toStdString();
    view.xdgDataHome = qgetenv("XDG_DATA_HOME").toStdString();
    // A q2pro built to be installed system-wide has ~/.q2pro as its home folder; a portable one has none.
    if (view.q2pro && engine.fromSearchPath && !view.home.empty())
        view.homedir = view.home + "/.q2pro";
    return {rules, vornak::gameFolders(view)};
}

QStringList engineNames(int serverType)
{
    if (serverType == DedicatedServer)
        return {QStringLiteral("q2ded"), QStringLiteral("q2proded"), QStringLiteral("quake2"), QStringLiteral("q2pro"),
                QStringLiteral("quake2.exe")};
    return {QStringLiteral("quake2"), QStringLiteral("q2pro"), QStringLiteral("quake2.exe")};
}

GameEngine findGameEngine(const QString& quake2Dir, int serverType, const QByteArray& searchPath)
{
    const QStringList names = engineNames(serverType);
    const GameEngine local = firstIn({QDir::cleanPath(quake2Dir)}, names, false);
    return local.found() ? local : firstIn(searchDirectories(searchPath), names, true);
}

GameEngine findGameEngine(const QString& quake2Dir, int serverType)
{
    return findGameEngine(quake2Dir, serverType, qgetenv("PATH"));
}

bool anyGameEngine(const QString& quake2Dir, const QByteArray& searchPath)
{
    // The dedicated server's names include every listen server's.
    return findGameEngine(quake2Dir, DedicatedServer, searchPath).found();
}

bool anyGameEngine(const QString& quake2Dir)
{
    return anyGameEngine(quake2Dir, qgetenv("PATH"));
}

QString engineDescription(const GameEngine& engine, const QString& home)
{
    if (!engine.found())
        return QStringLiteral("No Quake 2 engine found");
    QString dir = engine.directory();
    const QString homeDir = QDir::cleanPath(home);
    if (!home.isEmpty() && homeDir != QStringLiteral("/") && (dir == homeDir || dir.startsWith(homeDir + u'/')))
        dir = u'~' + dir.mid(homeDir.size());
    return QStringLiteral("Starts: ") + engine.name + QStringLiteral(" (in ") + dir + u')';
}
