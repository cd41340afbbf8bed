#include "FakeQuake2.h"

#include "ArchiveWriter.h"
#include "BspWriter.h"
#include "StandInGame.h"
#include "app/MainWindow.h"
#include "support/Installation.h"
#include "support/MessageBoxes.h"

#include <QDir>
#include <QFile>

namespace velstrom::test {

QStringList RecordingSound::names() const
{
    QStringList list;
    for (const Played& p : m_played)
        list.append(p.name);
    return list;
}

FakeQuake2::FakeQuake2()
{
    m_previousCwd = QDir::currentPath();
    QDir().mkpath(mapsDir());
    QDir().mkpath(programDir());
    setInstallation(Installation(programDir(), QStringLiteral("velstrom")));
    QDir::setCurrent(programDir());
    m_previousSound = setSoundOutput(&m_sounds);
    msgbox::script();
}

FakeQuake2::~FakeQuake2()
{
    msgbox::unscript();
    setSoundOutput(m_previousSound);
    setInstallation(Installation());
    QDir::setCurrent(m_previousCwd);
}

QString FakeQuake2::quake2Dir() const { return m_dir.path() + QStringLiteral("/quake2"); }

QString FakeQuake2::programDir() const { return quake2Dir() + QStringLiteral("/Velstrom/"); }

QString FakeQuake2::mapsDir() const { return quake2Dir() + QStringLiteral("/baseq2/maps/"); }

void FakeQuake2::addLevel(const QString& fileName, const QByteArray& title)
{
    BspWriter writer;
    writer.setEntities(BspWriter::levelEntities(title));
    writer.write(mapsDir() + fileName);
}

void FakeQuake2::addLevels(const QStringList& fileNames)
{
    for (const QString& name : fileNames)
        addLevel(name);
}

void FakeQuake2::writeMapsList(const QList<QByteArray>& lines)
{
    QFile f(quake2Dir() + QStringLiteral("/baseq2/maps.lst"));
    f.open(QIODevice::WriteOnly);
    for (const QByteArray& line : lines)
        f.write(line + "\r\n");
}

void FakeQuake2::writeProgramFile(const QString& name, const QByteArray& bytes)
{
    QFile f(file(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

QByteArray FakeQuake2::readProgramFile(const QString& name) const
{
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void FakeQuake2::writePak2()
{
    QFile f(quake2Dir() + QStringLiteral("/baseq2/pak2.pak"));
    f.open(QIODevice::WriteOnly);
    // The vweap models' archive, with one of them in it (an empty archive stops yquake2 at its start).
    f.write(velstrom::test::pakArchive({{"players/male/w_blaster.md2", "IDP2", false}}));
}

void FakeQuake2::installGame(const QString& name)
{
    installStandInGame(quake2Dir(), name);
}

QString FakeQuake2::launchLog() const
{
    QFile f(quake2Dir() + QStringLiteral("/launch.log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

std::unique_ptr<MainWindow> makeMainWindow()
{
    auto window = std::make_unique<MainWindow>();
    window->createDialogs();
    QDir::setCurrent(installation().programDir());
    return window;
}

std::unique_ptr<MainWindow> startMainWindow()
{
    auto window = makeMainWindow();
    window->levels().loadPlayList();
    return window;
}

QStringList errorTexts()
{
    QStringList texts;
    for (const msgbox::Shown& box : msgbox::shown())
        if (box.icon == msgbox::Icon::Error)
            texts.append(box.text);
    return texts;
}

} // namespace velstrom::test
