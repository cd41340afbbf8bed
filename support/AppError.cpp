#include "support/AppError.h"

#include <cerrno>
#include <cstring>
#include <limits>

AppError::AppError(QString text) : m_text(std::move(text)), m_utf8(m_text.toStdString()) {}

AppError AppError::fileNotFound() { return AppError(QStringLiteral("File not found")); }

AppError AppError::accessDenied() { return AppError(QStringLiteral("File access denied")); }

AppError AppError::unableToWrite(const QString& path) { return AppError(QStringLiteral("Unable to write to ") + path); }

AppError AppError::notAnInteger(const QString& text)
{
    return AppError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

AppError AppError::tooLarge(const QString& path, qint64 size)
{
    constexpr qint64 MB = 1024 * 1024;
    // Rounded up, so a file just over the limit never reads as the limit itself.
    AppError error(path + QStringLiteral(" is too large to read (") + QString::number((size + MB - 1) / MB) +
                   QStringLiteral(" MB); it is left as it is."));
    error.m_tooLarge = true;
    return error;
}

AppError AppError::fromErrno(int err)
{
    switch (err) {
    case ENOENT:
        return fileNotFound();
    case ENOTDIR:
        return AppError(QStringLiteral("Path not found"));
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return accessDenied();
    case ENOSPC:
    case EDQUOT:
        return AppError(QStringLiteral("Disk full"));
    case EMFILE:
    case ENFILE:
        return AppError(QStringLiteral("Too many open files"));
    default:
        return AppError(QString::fromLocal8Bit(std::strerror(err)));
    }
}

int toIntOrThrow(const QString& text)
{
    int i = 0;
    const int n = int(text.size());
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        throw AppError::notAnInteger(text);
    qint64 value = 0;
    for (; i < n; ++i) {
        const int digit = QChar(text[i]).isDigit() && text[i].unicode() < 128 ? text[i].unicode() - '0'
                          : base == 16 && text[i].toLower() >= u'a' && text[i].toLower() <= u'f'
                              ? text[i].toLower().unicode() - 'a' + 10
                              : -1;
        if (digit < 0 || digit >= base)
            throw AppError::notAnInteger(text);
        value = value * base + digit;
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            throw AppError::notAnInteger(text);
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        throw AppError::notAnInteger(text);
    return int(value);
}
