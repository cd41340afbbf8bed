#pragma once
// Archives made by tests: id's PACK format and zip files (stored or deflated members, by zlib), plus the
// little-endian patching that turns them into broken ones.
#include <QByteArray>
#include <QList>

#include <zlib.h>

namespace velstrom::test {

inline void put16(QByteArray& data, qsizetype at, quint32 value)
{
    data[at] = char(value & 0xFF);
    data[at + 1] = char((value >> 8) & 0xFF);
}

inline void put32(QByteArray& data, qsizetype at, quint32 value)
{
    put16(data, at, value & 0xFFFF);
    put16(data, at + 2, value >> 16);
}

inline QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    put32(bytes, 0, value);
    return bytes;
}

struct ArchiveFile {
    QByteArray name;
    QByteArray bytes;
    bool deflate = false; // zip only
    int level = Z_BEST_SPEED; // zlib's compression level when deflated
};

// "PACK", directory offset, directory length; the files; 64-byte entries (56-byte name, offset, length).
inline QByteArray pakArchive(const QList<ArchiveFile>& files)
{
    QByteArray data("PACK" + QByteArray(8, '\0'));
    QByteArray dir;
    for (const ArchiveFile& file : files) {
        QByteArray entry(64, '\0');
        entry.replace(0, qMin<qsizetype>(file.name.size(), 56), file.name.left(56));
        put32(entry, 56, quint32(data.size()));
        put32(entry, 60, quint32(file.bytes.size()));
        data += file.bytes;
        dir += entry;
    }
    put32(data, 4, quint32(data.size()));
    put32(data, 8, quint32(dir.size()));
    return data + dir;
}

inline QByteArray rawDeflate(const QByteArray& bytes, int level = Z_BEST_SPEED)
{
    z_stream s{};
    deflateInit2(&s, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&s, uLong(bytes.size()))), '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    s.avail_in = uInt(bytes.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    out.resize(qsizetype(s.total_out));
    deflateEnd(&s);
    return out;
}

// A plain zip: local headers and data, the central directory, the 22-byte end record last. `stated` sizes
// replace the real uncompressed size of the member at the same place when given (for bombs).
inline QByteArray zipArchive(const QList<ArchiveFile>& files, const QList<quint32>& stated = {})
{
    QByteArray data;
    QByteArray dir;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const ArchiveFile& file = files[i];
        const QByteArray packed = file.deflate ? rawDeflate(file.bytes, file.level) : file.bytes;
        const quint32 crc =
            quint32(crc32(0, reinterpret_cast<const Bytef*>(file.bytes.constData()), uInt(file.bytes.size())));
        const quint32 size = i < stated.size() ? stated[i] : quint32(file.bytes.size());
        QByteArray local(30, '\0');
        put32(local, 0, 0x04034b50);
        put16(local, 8, file.deflate ? 8 : 0);
        put32(local, 14, crc);
        put32(local, 18, quint32(packed.size()));
        put32(local, 22, size);
        put16(local, 26, quint32(file.name.size()));
        QByteArray entry(46, '\0');
        put32(entry, 0, 0x02014b50);
        put16(entry, 10, file.deflate ? 8 : 0);
        put32(entry, 16, crc);
        put32(entry, 20, quint32(packed.size()));
        put32(entry, 24, size);
        put16(entry, 28, quint32(file.name.size()));
        put32(entry, 42, quint32(data.size()));
        data += local + file.name + packed;
        dir += entry + file.name;
    }
    QByteArray end(22, '\0');
    put32(end, 0, 0x06054b50);
    put16(end, 8, quint32(files.size()));
    put16(end, 10, quint32(files.size()));
    put32(end, 12, quint32(dir.size()));
    put32(end, 16, quint32(data.size()));
    return data + dir + end;
}

// Where a zip made above keeps its end record and its first central directory entry.
inline qsizetype zipEnd(const QByteArray& zip)
{
    return zip.size() - 22;
}

inline qsizetype zipFirstEntry(const QByteArray& zip)
{
    const auto* p = reinterpret_cast<const uchar*>(zip.constData() + zipEnd(zip) + 16);
    return qsizetype(p[0] | (p[1] << 8) | (p[2] << 16) | (quint32(p[3]) << 24));
}

} // namespace velstrom::test
