#include "launch/BatchScript.h"

QString shellQuote(const QString& word)
{
    QString quoted = word;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString batchGameProgram(const GameEngine& engine)
{
    if (!engine.found())
        return QStringLiteral("./quake2");
    return engine.fromSearchPath ? engine.path : QStringLiteral("./") + engine.name;
}

QByteArray batchScript(const QString& quake2Dir, const QString& gameProgram, const QStringList& arguments)
{
    QString exec = QStringLiteral("exec ") + shellQuote(gameProgram);
    for (const QString& word : arguments)
        exec += u' ' + shellQuote(word);

    QString script;
    script += QStringLiteral("#!/bin/sh\n");
    script += QStringLiteral("cd ") + shellQuote(quake2Dir) + QStringLiteral(" || exit 1\n");
    script += exec + u'\n';
    return script.toUtf8();
}
