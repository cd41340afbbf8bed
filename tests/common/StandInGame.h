#pragma once
// A stand-in game for a Quake 2 directory of any name (FakeQuake2 installs this one), whose log entries
// ("cwd: <dir>", "args: [a] [b] ...") tell exactly which words arrived and where the game ran.
#include <QFile>
#include <QString>
#include <QStringList>

namespace velstrom::test {

inline void installStandInGame(const QString& quake2Dir, const QString& name)
{
    QFile f(quake2Dir + u'/' + name);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\n"
            "log=\"$(dirname \"$0\")/launch.log\"\n"
            "{ printf 'cwd: %s\\n' \"$PWD\"; printf 'args:'; for a in \"$@\"; do printf ' [%s]' \"$a\"; done;"
            " printf '\\n'; } >> \"$log\"\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The recorded starts, each "cwd: ...\nargs: ...".
inline QStringList launchEntries(const QString& log)
{
    QStringList entries;
    const QStringList lines = log.split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i + 1 < lines.size(); i += 2)
        entries.append(lines[i] + u'\n' + lines[i + 1]);
    return entries;
}

inline QStringList launchEntriesIn(const QString& quake2Dir)
{
    QFile f(quake2Dir + QStringLiteral("/launch.log"));
    return f.open(QIODevice::ReadOnly) ? launchEntries(QString::fromUtf8(f.readAll())) : QStringList();
}

// The entry a start with these argument words in `cwd` records.
inline QString launchEntry(const QString& cwd, const QStringList& args)
{
    QString entry = QStringLiteral("cwd: ") + cwd + QStringLiteral("\nargs:");
    for (const QString& a : args)
        entry += QStringLiteral(" [") + a + u']';
    return entry;
}

} // namespace velstrom::test
