#pragma once
// A slow, plain model of where the title reader finds a title, used as the oracle for the boundary
// sweep, the corpus replay and the fuzzer. It holds the whole file in memory, cuts out the windows
// the reader sees (window k is bytes 8192k to 8192k + 16384, searched only when the reader got
// that far), and answers each with whole-array QByteArray searches and quote counts.
#include <QByteArray>

namespace velstrom::test {

struct ModelTitle {
    bool found = false;
    QByteArray title;
};

inline ModelTitle modelTitleInWindow(const QByteArray& window)
{
    static const QByteArray worldspawn = "\"classname\" \"worldspawn\"";
    static const QByteArray key = "\"message\"";
    // Quotes in [from, to), counted piece by piece as a walk moves on.
    const auto quotes = [&](qsizetype from, qsizetype to) { return window.mid(from, to - from).count('"'); };

    const qsizetype match = window.indexOf(worldspawn);
    if (match < 2) // no match, or no room for a "{" after the window's first byte
        return {};

    qsizetype open = -1;
    qsizetype inside = 0; // quotes between the brace looked at and the match
    for (qsizetype at = window.lastIndexOf('{', match - 1), last = match; at >= 1;
         last = at, at = window.lastIndexOf('{', at - 1)) {
        inside += quotes(at, last);
        if (inside % 2 == 0) {
            open = at;
            break;
        }
    }
    if (open < 1)
        return {};

    qsizetype close = -1;
    inside = 0;
    for (qsizetype at = window.indexOf('}', open), last = open; at >= 0; last = at, at = window.indexOf('}', at + 1)) {
        inside += quotes(last, at);
        if (inside % 2 == 0) {
            close = at;
            break;
        }
    }
    if (close < 0)
        return {};

    inside = 0;
    for (qsizetype at = window.indexOf(key, open), last = open; at >= 0 && at < close;
         last = at, at = window.indexOf(key, at + 1)) {
        inside += quotes(last, at);
        if (inside % 4 != 0)
            continue; // a value, or text inside one
        QByteArray value = window.mid(at + key.size() + 2);
        for (char end : {'"', '\0'}) {
            const qsizetype cut = value.indexOf(end);
            if (cut >= 0)
                value.truncate(cut);
        }
        return {true, value.left(99)};
    }
    return {};
}

inline ModelTitle modelTitle(const QByteArray& file)
{
    constexpr qsizetype half = 8192;
    // Window k exists when every read before it came back full.
    for (qsizetype k = 0; k == 0 || file.size() >= half * (k + 1); ++k) {
        const ModelTitle title = modelTitleInWindow(file.mid(k * half, 2 * half));
        if (title.found)
            return title;
    }
    return {};
}

} // namespace velstrom::test
