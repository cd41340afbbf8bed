#include "BspWriter.h"

#include <QFile>

#include <algorithm>

namespace velstrom::test {

namespace {

constexpr int kLumpCount = 19;
constexpr int kEntityLump = 0;
constexpr int kPlaneLump = 1;  // holds the binary data before the entity lump
constexpr int kVertexLump = 2; // holds the binary data after it

void putInt32(char* at, qint64 value)
{
    const auto v = static_cast<quint32>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Deterministic bytes, so a failing test writes the same file again.
void fill(char* at, qint64 size, BspWriter::Filler filler, quint32 seed)
{
    if (filler == BspWriter::Filler::Zeros) {
        std::fill(at, at + size, '\0');
        return;
    }
    quint32 state = seed;
    for (qint64 i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        char c = static_cast<char>(state >> 24);
        if (filler == BspWriter::Filler::Noise && (c == '"' || c == '{' || c == '}'))
            c = '\x7f';
        at[i] = c;
    }
}

} // namespace

BspWriter& BspWriter::setEntities(const QByteArray& text)
{
    m_entities = text;
    return *this;
}

BspWriter& BspWriter::setEntityOffset(qint64 fileOffset)
{
    m_entityOffset = fileOffset;
    return *this;
}

BspWriter& BspWriter::placeEntityByte(qsizetype index, qint64 fileOffset)
{
    m_entityOffset = fileOffset - index;
    return *this;
}

BspWriter& BspWriter::placeText(const QByteArray& needle, qint64 fileOffset)
{
    const qsizetype index = m_entities.indexOf(needle);
    if (index < 0) {
        m_entityOffset = -1; // nothing to place: the writer is no longer valid
        return *this;
    }
    return placeEntityByte(index, fileOffset);
}

BspWriter& BspWriter::setTrailingSize(qint64 bytes)
{
    m_trailing = bytes;
    return *this;
}

BspWriter& BspWriter::setFiller(Filler filler)
{
    m_filler = filler;
    return *this;
}

BspWriter& BspWriter::setTerminatingNul(bool on)
{
    m_terminatingNul = on;
    return *this;
}

QByteArray BspWriter::build() const
{
    if (!isValid() || m_trailing < 0)
        return {};
    const qint64 entityLength = m_entities.size() + (m_terminatingNul ? 1 : 0);
    const qint64 trailingOffset = m_entityOffset + entityLength;
    const qint64 fileSize = trailingOffset + m_trailing;

    QByteArray file(fileSize, '\0');
    char* data = file.data();
    std::copy_n("IBSP", 4, data);
    putInt32(data + 4, 38);
    // Lumps without data point at the end of the file, as compilers leave empty lumps.
    for (int lump = 0; lump < kLumpCount; ++lump) {
        qint64 offset = fileSize;
        qint64 length = 0;
        if (lump == kEntityLump) {
            offset = m_entityOffset;
            length = entityLength;
        } else if (lump == kPlaneLump) {
            offset = kHeaderSize;
            length = m_entityOffset - kHeaderSize;
        } else if (lump == kVertexLump) {
            offset = trailingOffset;
            length = m_trailing;
        }
        putInt32(data + 8 + 8 * lump, offset);
        putInt32(data + 12 + 8 * lump, length);
    }
    fill(data + kHeaderSize, m_entityOffset - kHeaderSize, m_filler, 0x5eed1u);
    std::copy(m_entities.cbegin(), m_entities.cend(), data + m_entityOffset);
    fill(data + trailingOffset, m_trailing, m_filler, 0x5eed2u);
    return file;
}

bool BspWriter::write(const QString& path) const
{
    if (!isValid())
        return false;
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = build();
    return out.write(bytes) == bytes.size() && out.flush();
}

QByteArray BspWriter::entity(const QList<QPair<QByteArray, QByteArray>>& pairs)
{
    QByteArray text = "{\n";
    for (const auto& [key, value] : pairs)
        text += '"' + key + "\" \"" + value + "\"\n";
    text += "}\n";
    return text;
}

QByteArray BspWriter::levelEntities(const QByteArray& title, bool messageFirst)
{
    using Pair = QPair<QByteArray, QByteArray>;
    QList<Pair> world;
    if (!title.isNull() && messageFirst)
        world.append(Pair("message", title));
    world.append(Pair("classname", "worldspawn"));
    world.append(Pair("sky", "unit1_"));
    if (!title.isNull() && !messageFirst)
        world.append(Pair("message", title));
    return entity(world) + entity({{"classname", "info_player_deathmatch"}, {"origin", "0 0 24"}, {"angle", "90"}});
}

} // namespace velstrom::test
