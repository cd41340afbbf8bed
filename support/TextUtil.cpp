#include "support/TextUtil.h"

QString quoteText(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

QString parentDirectory(const QString& path)
{
    QString rest = path;
    if (rest.endsWith(u'/') || rest.endsWith(u'\\'))
        rest.chop(1);
    const qsizetype cut = std::max(rest.lastIndexOf(u'/'), rest.lastIndexOf(u'\\'));
    return cut < 0 ? QString() : rest.left(cut);
}

QString checkStateToText(Qt::CheckState state)
{
    switch (state) {
    case Qt::Unchecked:
        return QStringLiteral("UNC");
    case Qt::Checked:
        return QStringLiteral("CHK");
    default:
        return QStringLiteral("GRAY");
    }
}

Qt::CheckState textToCheckState(const QString& text)
{
    if (text == u"UNC")
        return Qt::Unchecked;
    if (text == u"CHK")
        return Qt::Checked;
    return Qt::PartiallyChecked;
}

bool isBlankText(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 32)
            return false;
    return true;
}
