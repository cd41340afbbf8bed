#include "motd/ServerMessageFile.h"

#include "support/AppError.h"
#include "support/TextFile.h"

#include <QFile>
#include <QFileInfo>

namespace servermessage {

Loaded load(const QString& path)
{
    Loaded loaded;
    QList<QByteArray> lines;
    try {
        lines = textfile::readLines(path);
    } catch (const AppError& e) {
        if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
            loaded.keepFile = true;
            loaded.tooLarge = e.isTooLarge();
            loaded.error =
                loaded.tooLarge ? e.text() : QStringLiteral("Cannot read ") + path + QStringLiteral(": ") + e.text();
        }
        return loaded;
    }
    const QByteArray text = quaketext::joinFileLines(lines);
    if (text.size() > quaketext::MaxLoadedText) {
        loaded.keepFile = true;
        return loaded;
    }
    loaded.text = quaketext::decode(text);
    return loaded;
}

Saved save(const QString& path, const QuakeText& text)
{
    const std::optional<QByteArray> encoded = quaketext::encode(text);
    if (!encoded)
        return Saved::LineTooLong;
    if (quaketext::isBlank(*encoded)) {
        QFile::remove(path); // a message that cannot be removed is no reason to stop a launch
        return Saved::Removed;
    }
    textfile::writeBytes(path, *encoded + QByteArrayLiteral("\r\n"));
    return Saved::Written;
}

} // namespace servermessage
