#include "launch/BatchScript.h"

#include "support/Shell.h"

#include <QFileInfo>
#include <QStringList>

QString shellQuote(const QString& word)
{
    QString quoted = word;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString batchGameProgram(const QString& quake2Dir)
{
    return QFileInfo(quake2Dir + QStringLiteral("/quake2.exe")).isFile() ? QStringLiteral("./quake2.exe")
                                                                         : QStringLiteral("./quake2");
}

QByteArray BatchScript(const QString& quake2Dir, const QString& commandLine, const QString& gameProgram)
{
    QStringList words = splitCommandLine(commandLine);
    if (!words.isEmpty())
        words.first() = gameProgram;
    else
        words.append(gameProgram);
    QStringList exec;
    for (const QString& word : words)
        exec.append(shellQuote(word));

    QString script;
    script += QStringLiteral("#!/bin/sh\n");
    script += QStringLiteral("cd ") + shellQuote(quake2Dir) + QStringLiteral(" || exit 1\n");
    script += QStringLiteral("exec ") + exec.join(u' ') + u'\n';
    return script.toUtf8();
}
