#include "support/ByteText.h"

namespace bytetext {

namespace {

constexpr char16_t EscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence that starts at `i`, or 0.
qsizetype validSequence(const unsigned char* p, qsizetype i, qsizetype size)
{
    const unsigned char c = p[i];
    qsizetype length;
    char32_t min;
    char32_t code;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        min = 0x80;
        code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        min = 0x800;
        code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        min = 0x10000;
        code = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > size)
        return 0;
    for (qsizetype k = 1; k < length; ++k) {
        if ((p[i + k] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i + k] & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not valid text.
    if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

QString decode(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    QString text;
    text.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        const qsizetype length = validSequence(p, i, size);
        if (length == 0) {
            text.append(QChar(char16_t(EscapeBase + p[i])));
            ++i;
            continue;
        }
        text.append(QString::fromUtf8(bytes.constData() + i, length));
        i += length;
    }
    return text;
}

QByteArray encode(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    qsizetype run = 0; // start of the stretch of ordinary text not yet encoded
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0xDC80 || c > 0xDCFF || (i > 0 && text.at(i - 1).isHighSurrogate()))
            continue;
        bytes.append(QStringView(text).mid(run, i - run).toUtf8());
        bytes.append(char(c - EscapeBase));
        run = i + 1;
    }
    bytes.append(QStringView(text).mid(run).toUtf8());
    return bytes;
}

} // namespace bytetext
