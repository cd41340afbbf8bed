#include "support/TextFile.h"

#include "support/AppError.h"
#include "support/ByteText.h"

#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace textfile {

QList<QByteArray> splitLines(const QByteArray& data)
{
    QList<QByteArray> lines;
    // Byte 26 marks the end of the file only as its last byte, where old editors put it. Anywhere else it is
    // data: stopping there would cut the file short, and the next save would write the shortened copy back.
    const qsizetype end = data.endsWith('\x1a') ? data.size() - 1 : data.size();
    const char* p = data.constData();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < end) {
        const char c = p[i];
        if (c == '\r' || c == '\n') {
            lines.append(QByteArray(p + start, i - start));
            i += (c == '\r' && i + 1 < end && p[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < end)
        lines.append(QByteArray(p + start, end - start));
    return lines;
}

QByteArray readAll(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    // Without blocking: a FIFO in a file's place would otherwise hold the window until something writes to it.
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw AppError::fromErrno(errno);
    QByteArray data;
    struct stat st {};
    // Only a regular file is text: a directory, a FIFO or a device (/dev/zero reads forever) is not readable here.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw AppError::accessDenied();
    }
    if (st.st_size > MaxReadSize) {
        ::close(fd);
        throw AppError::tooLarge(path, st.st_size);
    }
    if (st.st_size > 0)
        data.reserve(qsizetype(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            throw AppError::fromErrno(err);
        }
        if (n == 0)
            break;
        data.append(buffer, qsizetype(n));
        if (data.size() > MaxReadSize) { // it grew while being read
            ::close(fd);
            throw AppError::tooLarge(path, data.size());
        }
    }
    ::close(fd);
    return data;
}

QList<QByteArray> readLines(const QString& path) { return splitLines(readAll(path)); }

QStringList readUtf8Lines(const QString& path)
{
    const QList<QByteArray> raw = readLines(path);
    QStringList lines;
    lines.reserve(raw.size());
    for (const QByteArray& line : raw)
        lines.append(bytetext::decode(line));
    return lines;
}

namespace {

bool writeFully(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

void writeBytes(const QString& path, const QByteArray& data, Access access)
{
    // Write through a link to the file it names, so a linked profile stays linked.
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink() && !info.symLinkTarget().isEmpty())
        target = info.symLinkTarget();
    const QByteArray native = QFile::encodeName(target);

    struct stat old {};
    const bool exists = ::stat(native.constData(), &old) == 0;
    if (exists) {
        // A file the user made read-only stays as it is, as the file system would refuse it in place.
        if (S_ISDIR(old.st_mode))
            throw AppError::accessDenied();
        if (::access(native.constData(), W_OK) != 0)
            throw AppError::fromErrno(errno);
    }

    QByteArray temp = native + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        throw AppError::fromErrno(errno);
    mode_t mode = 0600;
    if (exists) {
        mode = old.st_mode & 07777;
    } else if (access == Access::Shared) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    int err = 0;
    if (::fchmod(fd, mode) != 0 && access == Access::OwnerOnly)
        err = errno;
    if (err == 0 && !writeFully(fd, data.constData(), data.size()))
        err = errno;
    if (err == 0 && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0 && ::rename(temp.constData(), native.constData()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(temp.constData());
        throw AppError::fromErrno(err);
    }
}

void writeLines(const QString& path, const QList<QByteArray>& lines, Access access)
{
    QByteArray data;
    qsizetype size = 0;
    for (const QByteArray& line : lines)
        size += line.size() + 2;
    data.reserve(size);
    for (const QByteArray& line : lines) {
        data.append(line);
        data.append("\r\n", 2);
    }
    writeBytes(path, data, access);
}

void writeUtf8Lines(const QString& path, const QStringList& lines, Access access)
{
    QList<QByteArray> raw;
    raw.reserve(lines.size());
    for (const QString& line : lines)
        raw.append(bytetext::encode(line));
    writeLines(path, raw, access);
}

} // namespace textfile
