#pragma once
#include <QByteArray>
#include <QString>

// File names and the lines of the level files are bytes. Valid UTF-8 reads as its text; every byte that is not
// part of valid UTF-8 reads as a character of its own (U+DC80 to U+DCFF, which valid text never holds) and is
// written back as that same byte, so two names that differ in such a byte stay two names and each reaches every
// file as exactly its bytes. The lists may show such a character as a replacement mark.
namespace bytetext {

QString decode(const QByteArray& bytes);
QByteArray encode(const QString& text);

} // namespace bytetext
