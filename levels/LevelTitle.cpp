#include "levels/LevelTitle.h"
#include "levels/GameLevels.h"

#include "support/ByteText.h"
#include "support/Quake2Paths.h"
#include "vornak/vornak.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

std::optional<QByteArray> readLevelTitle(const QString& path)
{
    // A NUL inside the name would make the library open some other file.
    if (path.contains(QChar(u'\0')))
        return std::nullopt;
    // File names are bytes: a name that is not UTF-8 is opened by exactly the bytes it was listed with.
    const QByteArray native = bytetext::encode(path);
    char buffer[256] = {};
    if (Vornak(native.constData(), buffer, 255) == 0)
        return std::nullopt;
    return QByteArray(buffer, qsizetype(::strnlen(buffer, sizeof buffer)));
}

std::optional<QByteArray> readLevelTitleInMemory(const QByteArray& level)
{
    char buffer[256] = {};
    if (VornakMemory(level.constData(), size_t(level.size()), buffer, 255) == 0)
        return std::nullopt;
    return QByteArray(buffer, qsizetype(::strnlen(buffer, sizeof buffer)));
}

namespace levels {

QString titleForDisplay(const QByteArray& title)
{
    QString text;
    text.reserve(title.size());
    for (qsizetype i = 0; i < title.size(); ++i) {
        const auto byte = static_cast<unsigned char>(title.at(i));
        if (byte == '\\' && i + 1 < title.size() && title.at(i + 1) == 'n') {
            text.append(u'\n');
            ++i;
            continue;
        }
        const unsigned char shown = byte >= 160 ? byte - 128 : byte;
        // 255 shows as 127, which is no printable character either.
        if (shown >= 32 && shown < 127)
            text.append(QChar(char16_t(shown)));
        else
            text.append(QChar(0x00B7));
    }
    return text;
}

QString levelFilePath(const QString& quake2Dir, const QString& levelName)
{
    const QString exact = quake2Dir + q2::MapsSubdir + levelName + q2::LevelExtension;
    struct stat st {};
    if (::stat(bytetext::encode(exact).constData(), &st) == 0)
        return exact;
    // Look for the file name in its directory without regard to case.
    const qsizetype slash = exact.lastIndexOf(u'/');
    const QString dir = exact.left(slash + 1);
    const QString wanted = exact.mid(slash + 1);
    DIR* d = ::opendir(bytetext::encode(dir).constData());
    if (d == nullptr)
        return exact;
    QString found;
    while (const dirent* entry = ::readdir(d)) {
        const size_t length = std::strlen(entry->d_name);
        const QString name = bytetext::decode(QByteArray(entry->d_name, qsizetype(length)));
        if (name.size() == wanted.size() && name.compare(wanted, Qt::CaseInsensitive) == 0) {
            found = dir + name;
            break;
        }
    }
    ::closedir(d);
    return found.isEmpty() ? exact : found;
}

std::optional<QString> runningLevelTitle(const GameLevels& game, const QString& levelName)
{
    const bool plain = !levelName.isEmpty() && !levelName.contains(u'\\') && !levelName.startsWith(u'/') &&
                       !levelName.contains(QStringLiteral(".."));
    if (!plain)
        return std::nullopt;
    const std::optional<QString> title = game.title(levelName);
    if (!title || *title == levelName)
        return std::nullopt;
    return title->simplified();
}

QString runningLevelText(const GameLevels& game, const QString& levelName)
{
    const std::optional<QString> title = runningLevelTitle(game, levelName);
    return title ? levelName + QStringLiteral(" \u2014 ") + *title : levelName;
}

} // namespace levels
