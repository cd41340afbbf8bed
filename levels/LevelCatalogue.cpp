#include "levels/LevelCatalogue.h"

#include "support/Quake2Paths.h"
#include "support/AppError.h"
#include "support/ByteText.h"
#include "support/Installation.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"

#include <QFile>
#include <QLocale>

#include <cstring>
#include <dirent.h>
#include <utility>

namespace levels {

LevelKeyFolder::LevelKeyFolder()
    // Only the Turkic languages fold letters differently from Unicode's own folding (dotted and dotless i);
    // everywhere else the locale-free folding is the locale's, and much cheaper.
    : m_turkic(m_locale.language() == QLocale::Turkish || m_locale.language() == QLocale::Azerbaijani)
{
}

QString LevelKeyFolder::operator()(const QString& name) const
{
    if (m_turkic)
        return m_locale.toLower(name).toCaseFolded();
    // Level names are nearly always plain ASCII, where folding is A-Z to a-z; the Unicode tables are only
    // needed beyond it.
    bool upper = false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            return name.toCaseFolded();
        upper = upper || (u >= u'A' && u <= u'Z');
    }
    if (!upper)
        return name;
    QString key = name;
    for (QChar& c : key)
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return key;
}

QString levelKey(const QString& name)
{
    return LevelKeyFolder()(name);
}

bool isSameLevel(const QString& a, const QString& b)
{
    return levelKey(a) == levelKey(b);
}

bool isBlankLevelName(const QString& name)
{
    return isBlankText(name);
}

namespace {

bool hasLevelExtension(const char* name, size_t length)
{
    if (length < 4)
        return false;
    const char* ext = name + length - 4;
    return ext[0] == '.' && (ext[1] | 0x20) == 'b' && (ext[2] | 0x20) == 's' && (ext[3] | 0x20) == 'p';
}

} // namespace

bool isUsableLevelName(QStringView name)
{
    for (const QChar c : name)
        if (c == u'"' || c == u';' || c.unicode() < 32 || c.unicode() == 127)
            return false;
    return true;
}

QStringList listLevelFiles(const QString& dir)
{
    QStringList names;
    const QByteArray native = bytetext::encode(dir.isEmpty() ? QStringLiteral(".") : dir);
    DIR* d = ::opendir(native.constData());
    if (d == nullptr)
        return names;
    while (const dirent* entry = ::readdir(d)) {
        const size_t length = std::strlen(entry->d_name);
        if (!hasLevelExtension(entry->d_name, length))
            continue;
        QString name = bytetext::decode(QByteArray(entry->d_name, qsizetype(length) - 4));
        if (isUsableLevelName(name))
            names.append(std::move(name));
    }
    ::closedir(d);
    return names;
}

QString idLevelName(const QByteArray& line)
{
    const qsizetype space = line.indexOf(' ');
    if (space <= 0)
        return QString();
    return bytetext::decode(line.left(space));
}

QStringList readIdLevelNames(const QString& path)
{
    const QList<QByteArray> lines = textfile::readLines(path);
    QStringList names;
    names.reserve(lines.size());
    for (const QByteArray& line : lines)
        names.append(idLevelName(line));
    return names;
}

QStringList readProfileLevels(const QString& path)
{
    try {
        return textfile::readUtf8Lines(path);
    } catch (const AppError&) {
        return {};
    }
}

QString mapsListPath()
{
    return installation().quake2Dir() + q2::MapsList;
}

QString profileLevelsPath(const QString& user)
{
    return installation().profileLevelsPath(user);
}

QString skippedLevelsPath()
{
    return installation().file(q2::SkippedLevels);
}

} // namespace levels
