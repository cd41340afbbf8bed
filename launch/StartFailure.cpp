#include "launch/StartFailure.h"

#include "support/GameProcess.h"

#include <algorithm>

namespace server {

QString consoleText(QByteArrayView output)
{
    QString text;
    text.reserve(output.size());
    for (qsizetype i = 0; i < output.size(); ++i) {
        const char c = char(output[i] & 0x7f);
        if (c == '\x1b') {
            // A terminal sequence: ESC [ parameters, ended by a letter; or ESC and one more byte.
            if (i + 1 < output.size() && output[i + 1] == '[') {
                i += 2;
                while (i < output.size() && !((output[i] >= '@' && output[i] <= '~')))
                    ++i;
            } else {
                ++i;
            }
            continue;
        }
        if (c == '\n' || c == '\t' || (c >= ' ' && c != '\x7f'))
            text.append(QLatin1Char(c));
    }
    return text;
}

bool isFatalLine(QStringView line)
{
    line = line.trimmed();
    // q2pro may put a syslog level such as "<3>" before its lines.
    if (line.startsWith(u'<')) {
        const qsizetype end = line.indexOf(u'>');
        if (end > 0)
            line = line.sliced(end + 1);
    }
    return line.startsWith(u"FATAL:", Qt::CaseInsensitive) || line.startsWith(u"Error:", Qt::CaseInsensitive);
}

QStringList lastLines(QByteArrayView output, int count)
{
    const QStringList all = consoleText(output).split(u'\n');
    QStringList lines;
    for (auto it = all.crbegin(); it != all.crend() && lines.size() < count; ++it) {
        if (!it->trimmed().isEmpty())
            lines.prepend(*it);
    }
    return lines;
}

bool stoppedAtStart(qint64 ranMs, int exitCode, QByteArrayView output)
{
    if (ranMs > StartupMs)
        return false;
    if (exitCode != 0)
        return true;
    const QStringList lines = consoleText(output).split(u'\n');
    return std::any_of(lines.cbegin(), lines.cend(), [](const QString& line) { return isFatalLine(line); });
}

QString stoppedAtStartText(int exitCode, QByteArrayView output)
{
    QString text = QStringLiteral("The server stopped right after it started (exit code %1).").arg(exitCode);
    const QStringList lines = lastLines(output);
    if (!lines.isEmpty())
        text += QStringLiteral("\n\n") + lines.join(u'\n');
    return text;
}

bool stoppedAtStart(const GameProcess& game)
{
    const std::optional<int> code = game.exitCode();
    return code.has_value() && stoppedAtStart(game.ranMs(), *code, game.recentOutput());
}

QString stoppedAtStartText(const GameProcess& game)
{
    return stoppedAtStartText(game.exitCode().value_or(0), game.recentOutput());
}

} // namespace server
