#include "profiles/ProfileNames.h"

#include "support/TextUtil.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>

namespace {

bool isNameCharacter(char16_t c)
{
    return c == u'-' || c == u'_' || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

QString withoutExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

QRegularExpression wildcardExpression(const QString& wildcard)
{
    QString rx;
    for (const QChar c : wildcard) {
        if (c == u'*')
            rx += QStringLiteral(".*");
        else if (c == u'?')
            rx += u'.';
        else
            rx += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(rx),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

void profileNameKeyFilter(QChar& key)
{
    const char16_t c = key.unicode();
    if (c < 32 || isNameCharacter(c))
        return;
    key = QChar(0);
}

QString cleanProfileName(const QString& name)
{
    QString clean;
    clean.reserve(name.size());
    for (QChar c : name) {
        if (c.unicode() < 32) // editing keys when typed, never part of a name
            continue;
        profileNameKeyFilter(c);
        if (!c.isNull())
            clean += c;
    }
    return clean;
}

bool profileNameLess(const QString& a, const QString& b)
{
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

int sortedInsertPosition(const QStringList& sorted, const QString& name)
{
    return int(std::upper_bound(sorted.begin(), sorted.end(), name, profileNameLess) - sorted.begin());
}

int indexOfProfile(const QStringList& names, const QString& name)
{
    for (int i = 0; i < names.size(); ++i)
        if (QString::compare(names[i], name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QStringList profileEntries(const QStringList& fileNames, const QString& exeBaseName)
{
    const QString programIni = (exeBaseName + QStringLiteral(".INI")).toUpper();
    QStringList entries;
    for (const QString& name : fileNames) {
        if (isBlankText(name) || name.toUpper() == programIni)
            continue;
        entries.append(withoutExtension(name));
    }
    std::stable_sort(entries.begin(), entries.end(), profileNameLess);
    return entries;
}

QStringList configEntries(const QStringList& fileNames)
{
    QStringList entries{QStringLiteral("[None]")};
    for (const QString& name : fileNames)
        if (!isBlankText(name))
            entries.append(name);
    return entries;
}

QStringList listMatchingEntries(const QString& pattern)
{
    const qsizetype slash = pattern.lastIndexOf(u'/');
    const QString dir = slash < 0 ? QStringLiteral(".") : pattern.left(slash + 1);
    const QRegularExpression match = wildcardExpression(pattern.mid(slash + 1));
    const QStringList all = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                QDir::Name | QDir::IgnoreCase);
    QStringList names;
    for (const QString& name : all)
        if (match.match(name).hasMatch())
            names.append(name);
    return names;
}

bool isValidProfileName(const QString& name)
{
    return name.size() <= MaxProfileNameLength && cleanProfileName(name) == name;
}
