#pragma once
// Whether a server the program started stopped right after its start, and what to tell the operator then. The same
// rule serves every way the program starts a server, so they all report alike.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

class GameProcess;

namespace server {

// A server that ends within this time of its start with an exit code other than 0, or after a fatal line, never got
// going (a missing game library, a broken archive, a port in use).
inline constexpr qint64 StartupMs = 3000;
// How many of its last lines the report shows.
inline constexpr int ReportedLines = 12;

// The server's console output as text to show: the game's second colour (the high bit) read as the plain letter,
// terminal colour sequences and other control bytes dropped, line ends as "\n".
QString consoleText(QByteArrayView output);
// An engine's last word before it quits: q2pro's "FATAL: ..." (or its "ERROR: ..."), yquake2's "Error: ...".
bool isFatalLine(QStringView line);
// The last `count` lines of the output that are not blank, in order.
QStringList lastLines(QByteArrayView output, int count = ReportedLines);

bool stoppedAtStart(qint64 ranMs, int exitCode, QByteArrayView output);
// The error box: "The server stopped right after it started (exit code N)." and, after a blank line, its last lines.
QString stoppedAtStartText(int exitCode, QByteArrayView output);

// The same for a started game: false while it runs.
bool stoppedAtStart(const GameProcess& game);
QString stoppedAtStartText(const GameProcess& game);

} // namespace server
