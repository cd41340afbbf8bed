#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Every text file the program reads or writes goes through here, so every format shares one set of rules:
// reading: CR LF, a lone CR and a lone LF end a line; a byte 26 that is the file's last byte is dropped (one
// anywhere else is an ordinary character); nothing is trimmed; files over 8 MiB are not read;
// writing: CR LF after every line, into a temporary file that is renamed over the old one, so a failed
// write leaves the previous file whole.
namespace textfile {

enum class Access { Shared, OwnerOnly };

// The largest file that is read. No file of ours is legitimately larger; reading one that is would hold the
// window for seconds and take gigabytes.
inline constexpr qint64 MaxReadSize = 8 * 1024 * 1024;

// The lines of a byte stream by the rules above. A final line ending does not start another line.
QList<QByteArray> splitLines(const QByteArray& data);

// Reads the whole file; throws AppError ("File not found", "File access denied", ...) when it cannot, and
// AppError::tooLarge for a file over MaxReadSize, which is not read at all.
QByteArray readAll(const QString& path);
QList<QByteArray> readLines(const QString& path);
// Lines decoded as UTF-8, the encoding of level names and file names; bytes that are not UTF-8 are kept (see
// ByteText.h), and writeUtf8Lines gives them back as they were.
QStringList readUtf8Lines(const QString& path);

// Replaces the file with exactly these bytes; throws AppError on failure, leaving the old file as it was.
void writeBytes(const QString& path, const QByteArray& data, Access access = Access::Shared);
void writeLines(const QString& path, const QList<QByteArray>& lines, Access access = Access::Shared);
void writeUtf8Lines(const QString& path, const QStringList& lines, Access access = Access::Shared);

} // namespace textfile
