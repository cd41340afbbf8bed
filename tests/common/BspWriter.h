#pragma once
// Writes Quake 2 level files (IBSP version 38) for tests, benchmarks and the demo installation.
//
// The file is laid out as a map compiler lays it out: the 160-byte header (magic, version and the
// 19-entry lump directory), binary lump data, the entity lump (entity text and its NUL), and more
// binary lump data. The entity lump can be placed so that any byte of its text lands at an exact
// file offset, which is what tests at block boundaries need.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace velstrom::test {

class BspWriter {
public:
    static constexpr qint64 kHeaderSize = 4 + 4 + 19 * 8;

    enum class Filler {
        Zeros,
        Noise,    // binary bytes, but never a quote or a brace, so they cannot take part in entity text
        RawNoise, // any byte value, as real lump data has
    };

    // The entity text, without the lump's terminating NUL (added unless setTerminatingNul(false)).
    BspWriter& setEntities(const QByteArray& text);
    // Where the entity lump starts; the bytes between the header and it are another lump's data.
    BspWriter& setEntityOffset(qint64 fileOffset);
    // Places the entity lump so that byte `index` of the entity text lands at `fileOffset`.
    BspWriter& placeEntityByte(qsizetype index, qint64 fileOffset);
    // Places the entity lump so that the first occurrence of `needle` in the text lands at `fileOffset`.
    BspWriter& placeText(const QByteArray& needle, qint64 fileOffset);
    // Binary lump data after the entity lump.
    BspWriter& setTrailingSize(qint64 bytes);
    BspWriter& setFiller(Filler filler);
    BspWriter& setTerminatingNul(bool on);

    qint64 entityOffset() const { return m_entityOffset; }
    // False when the entity lump was asked to start inside the header, or placeText() did not
    // find its needle; build() then gives nothing and write() fails.
    bool isValid() const { return m_entityOffset >= kHeaderSize; }

    QByteArray build() const;
    bool write(const QString& path) const;

    // One entity block as compilers write it: "{", one `"key" "value"` line per pair, "}".
    static QByteArray entity(const QList<QPair<QByteArray, QByteArray>>& pairs);
    // A small playable level's entity text: worldspawn with the given title (none when null)
    // and a deathmatch start. `messageFirst` puts the title before the classname, as some
    // compilers order their pairs.
    static QByteArray levelEntities(const QByteArray& title, bool messageFirst = false);

private:
    QByteArray m_entities;
    qint64 m_entityOffset = kHeaderSize;
    qint64 m_trailing = 0;
    Filler m_filler = Filler::Noise;
    bool m_terminatingNul = true;
};

} // namespace velstrom::test
