#include "ArchiveDirectory.h"

#include <libdeflate.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vornak {

namespace {

constexpr std::size_t PakHeaderSize = 12;
constexpr std::size_t PakEntrySize = 64;
constexpr std::size_t PakNameSize = 56;
constexpr std::uint64_t PakDirectoryCap = MemberCountCap * PakEntrySize;

constexpr std::size_t ZipEndSize = 22;
constexpr std::size_t ZipEntrySize = 46;
constexpr std::size_t ZipLocalSize = 30;
constexpr std::size_t ZipCommentMax = 0xFFFF;
constexpr std::uint64_t ZipDirectoryCap = std::uint64_t{16} << 20;
constexpr std::uint32_t ZipEndMagic = 0x06054b50;
constexpr std::uint32_t ZipLocator64Magic = 0x07064b50;
constexpr std::uint32_t ZipEntryMagic = 0x02014b50;
constexpr std::uint32_t ZipLocalMagic = 0x04034b50;

std::uint16_t le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Reads into a fresh buffer, or reports a short file; never allocates more than the source holds.
bool readBytes(const ByteSource& source, std::uint64_t offset, std::size_t count, std::vector<unsigned char>& out)
{
    if (offset > source.size() || count > source.size() - offset)
        return false;
    out.resize(count);
    return count == 0 || source.readAt(offset, out.data(), count);
}

void skipEntry(ArchiveDirectory& dir, std::size_t index, const std::string& why)
{
    if (dir.skipped++ == 0)
        dir.firstSkipReason = "entry " + std::to_string(index + 1) + ": " + why;
}

ArchiveDirectory refused(std::string why)
{
    ArchiveDirectory dir;
    dir.problem = std::move(why);
    return dir;
}

} // namespace

bool MemorySource::readAt(std::uint64_t offset, void* buffer, std::size_t count) const
{
    if (offset > m_size || count > m_size - offset)
        return false;
    if (count)
        std::memcpy(buffer, m_data + offset, count);
    return true;
}

FileSource::FileSource(const std::string& path)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0) {
        m_error = std::strerror(errno);
        return;
    }
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_error = "not a regular file";
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_size = static_cast<std::uint64_t>(st.st_size);
}

FileSource::~FileSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FileSource::readAt(std::uint64_t offset, void* buffer, std::size_t count) const
{
    auto* out = static_cast<unsigned char*>(buffer);
    while (count > 0) {
        if (offset > static_cast<std::uint64_t>(INT64_MAX))
            return false;
        const ssize_t n = ::pread(m_fd, out, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) // an error, or the file shrank under us
            return false;
        out += n;
        offset += static_cast<std::uint64_t>(n);
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

ArchiveDirectory readPakDirectory(const ByteSource& source)
{
    std::vector<unsigned char> header;
    if (!readBytes(source, 0, PakHeaderSize, header))
        return refused("too short for a PACK header");
    if (std::memcmp(header.data(), "PACK", 4) != 0)
        return refused("not a PACK file");
    // The engines read both numbers as signed 32-bit values.
    const std::uint32_t dirOffset = le32(&header[4]);
    const std::uint32_t dirLength = le32(&header[8]);
    if (dirOffset > INT32_MAX || dirLength > INT32_MAX)
        return refused("directory offset or length out of range");
    if (dirLength % PakEntrySize != 0)
        return refused("directory length " + std::to_string(dirLength) + " is not a multiple of 64");
    if (dirLength == 0)
        return refused("empty directory");
    if (dirLength > PakDirectoryCap)
        return refused("more than " + std::to_string(MemberCountCap) + " entries");
    if (std::uint64_t{dirOffset} + dirLength > source.size())
        return refused("directory runs past the end of the file");
    std::vector<unsigned char> table;
    if (!readBytes(source, dirOffset, dirLength, table))
        return refused("cannot read the directory");

    ArchiveDirectory dir;
    const std::size_t count = dirLength / PakEntrySize;
    dir.members.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* entry = &table[i * PakEntrySize];
        const std::uint32_t position = le32(entry + PakNameSize);
        const std::uint32_t length = le32(entry + PakNameSize + 4);
        if (position > INT32_MAX || length > INT32_MAX - position)
            return refused("entry " + std::to_string(i + 1) + " has a position or length out of range");
        const void* end = std::memchr(entry, 0, PakNameSize);
        if (!end) {
            skipEntry(dir, i, "name without an end");
            continue;
        }
        const auto nameLength = static_cast<std::size_t>(static_cast<const unsigned char*>(end) - entry);
        if (nameLength == 0) {
            skipEntry(dir, i, "empty name");
            continue;
        }
        if (std::uint64_t{position} + length > source.size()) {
            skipEntry(dir, i, "data runs past the end of the file");
            continue;
        }
        ArchiveMember member;
        member.name.assign(reinterpret_cast<const char*>(entry), nameLength);
        member.offset = position;
        member.packedSize = length;
        member.size = length;
        dir.members.push_back(std::move(member));
    }
    return dir;
}

ArchiveDirectory readZipDirectory(const ByteSource& source)
{
    const std::uint64_t fileSize = source.size();
    if (fileSize < ZipEndSize)
        return refused("too short for a zip file");
    // The end record sits in the last 22 bytes plus an archive comment of at most 65,535 bytes.
    const std::uint64_t tailStart = fileSize - std::min<std::uint64_t>(fileSize, ZipEndSize + ZipCommentMax);
    std::vector<unsigned char> tail;
    if (!readBytes(source, tailStart, static_cast<std::size_t>(fileSize - tailStart), tail))
        return refused("cannot read the end of the file");
    std::size_t at = tail.size() - ZipEndSize + 1;
    bool found = false;
    while (at-- > 0) {
        if (le32(&tail[at]) == ZipEndMagic && at + ZipEndSize + le16(&tail[at + 20]) <= tail.size()) {
            found = true;
            break;
        }
    }
    if (!found)
        return refused("no zip end record");
    const unsigned char* end = &tail[at];
    const std::uint64_t endPosition = tailStart + at;
    const std::uint16_t disk = le16(end + 4);
    const std::uint16_t directoryDisk = le16(end + 6);
    const std::uint16_t entriesHere = le16(end + 8);
    const std::uint16_t entries = le16(end + 10);
    const std::uint32_t dirSize = le32(end + 12);
    const std::uint32_t dirOffset = le32(end + 16);
    const bool locator64 = at >= 20 && le32(&tail[at - 20]) == ZipLocator64Magic;
    if (locator64 || entries == 0xFFFF || dirSize == 0xFFFFFFFF || dirOffset == 0xFFFFFFFF)
        return refused("ZIP64 archives are not read");
    if (disk != 0 || directoryDisk != 0 || entriesHere != entries)
        return refused("archive split over several parts");
    if (entries == 0)
        return refused("no entries");
    if (std::uint64_t{dirOffset} + dirSize > endPosition)
        return refused("central directory runs past its end record");
    if (dirSize > ZipDirectoryCap)
        return refused("central directory larger than 16 MiB");
    if (std::uint64_t{entries} * ZipEntrySize > dirSize)
        return refused("central directory too short for its " + std::to_string(entries) + " entries");
    // Bytes before the archive proper (a self-extractor) shift every offset alike.
    const std::uint64_t shift = endPosition - (std::uint64_t{dirOffset} + dirSize);
    const std::uint64_t dirStart = dirOffset + shift;
    std::vector<unsigned char> table;
    if (!readBytes(source, dirStart, dirSize, table))
        return refused("cannot read the central directory");

    ArchiveDirectory dir;
    dir.members.reserve(entries);
    std::size_t pos = 0;
    for (std::size_t i = 0; i < entries; ++i) {
        if (table.size() - pos < ZipEntrySize || le32(&table[pos]) != ZipEntryMagic)
            return refused("central directory entry " + std::to_string(i + 1) + " is damaged");
        const unsigned char* entry = &table[pos];
        const std::uint16_t flags = le16(entry + 8);
        const std::uint16_t method = le16(entry + 10);
        const std::uint32_t crc = le32(entry + 16);
        const std::uint32_t packed = le32(entry + 20);
        const std::uint32_t size = le32(entry + 24);
        const std::size_t nameLength = le16(entry + 28);
        const std::size_t extraLength = le16(entry + 30);
        const std::size_t commentLength = le16(entry + 32);
        const std::uint32_t localOffset = le32(entry + 42);
        const std::size_t entryLength = ZipEntrySize + nameLength + extraLength + commentLength;
        if (table.size() - pos < entryLength)
            return refused("central directory entry " + std::to_string(i + 1) + " runs past the directory");
        if (packed == 0xFFFFFFFF || size == 0xFFFFFFFF || localOffset == 0xFFFFFFFF)
            return refused("ZIP64 entries are not read");
        std::string name(reinterpret_cast<const char*>(entry + ZipEntrySize), nameLength);
        pos += entryLength;
        if (name.empty() || name.back() == '/')
            continue; // a folder entry, not a file
        if (name.find('\0') != std::string::npos) {
            skipEntry(dir, i, "name holds a NUL byte");
            continue;
        }
        if (flags & 1) {
            skipEntry(dir, i, "encrypted");
            continue;
        }
        if (method != 0 && method != 8) {
            skipEntry(dir, i, "compression method " + std::to_string(method));
            continue;
        }
        if (method == 0 && packed != size) {
            skipEntry(dir, i, "stored with two different sizes");
            continue;
        }
        if (localOffset + shift + ZipLocalSize + packed > dirStart) {
            skipEntry(dir, i, "data runs into the central directory");
            continue;
        }
        ArchiveMember member;
        member.name = std::move(name);
        member.offset = localOffset + shift;
        member.packedSize = packed;
        member.size = size;
        member.method = method;
        member.crc = crc;
        dir.members.push_back(std::move(member));
    }
    return dir;
}

ArchiveDirectory readDirectory(const ByteSource& source, ArchiveFormat format)
{
    try {
        return format == ArchiveFormat::Pak ? readPakDirectory(source) : readZipDirectory(source);
    } catch (const std::bad_alloc&) {
        return refused("out of memory");
    }
}

namespace {

// A deflate stream never needs much more than the bytes it holds: stored blocks add 5 bytes per 64 KiB. The
// compressed data of a member is read whole, so data far larger than its stated size is not read at all (a
// bomb that claims to be small ends here).
std::uint64_t packedSizeLimit(std::uint64_t size)
{
    return size + size / 8 + (std::uint64_t{1} << 16);
}

// The member is inflated as a whole, as both its sizes are known and bounded: libdeflate's whole-buffer
// inflater takes about half the time zlib's streaming one does.
bool inflateMember(const ByteSource& source, std::uint64_t start, const ArchiveMember& member, std::string& bytes,
                   std::string& problem)
{
    if (member.packedSize > packedSizeLimit(member.size)) {
        problem = "compressed data far larger than its stated size";
        return false;
    }
    std::vector<unsigned char> packed;
    if (!readBytes(source, start, static_cast<std::size_t>(member.packedSize), packed)) {
        problem = "cannot read the compressed data";
        return false;
    }
    const std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> inflater(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    if (!inflater)
        throw std::bad_alloc();
    bytes.resize(static_cast<std::size_t>(member.size));
    std::size_t inflated = 0;
    switch (libdeflate_deflate_decompress(inflater.get(), packed.data(), packed.size(), bytes.data(), bytes.size(),
                                          &inflated)) {
    case LIBDEFLATE_SUCCESS:
        if (inflated == bytes.size())
            return true;
        problem = "inflates to fewer bytes than its stated size";
        return false;
    case LIBDEFLATE_INSUFFICIENT_SPACE:
        problem = "inflates to more than its stated size";
        return false;
    default:
        problem = "compressed data damaged or ends early";
        return false;
    }
}

} // namespace

bool readMember(const ByteSource& source, ArchiveFormat format, const ArchiveMember& member, std::string& bytes,
                std::string& problem, std::size_t cap)
{
    bytes.clear();
    if (member.size > cap) {
        problem = "larger than " + std::to_string(cap) + " bytes";
        return false;
    }
    try {
        std::uint64_t start = member.offset;
        if (format == ArchiveFormat::Zip) {
            std::vector<unsigned char> local;
            if (!readBytes(source, member.offset, ZipLocalSize, local) || le32(local.data()) != ZipLocalMagic) {
                problem = "local header missing";
                return false;
            }
            start = member.offset + ZipLocalSize + le16(&local[26]) + le16(&local[28]);
        }
        if (start > source.size() || member.packedSize > source.size() - start) {
            problem = "data runs past the end of the file";
            return false;
        }
        if (format == ArchiveFormat::Pak || member.method == 0) {
            if (member.packedSize != member.size) {
                problem = "stored with two different sizes";
                return false;
            }
            bytes.resize(static_cast<std::size_t>(member.size));
            if (!bytes.empty() && !source.readAt(start, bytes.data(), bytes.size())) {
                problem = "cannot read the data";
                bytes.clear();
                return false;
            }
        } else if (member.method == 8) {
            if (!inflateMember(source, start, member, bytes, problem)) {
                bytes.clear();
                return false;
            }
        } else {
            problem = "compression method " + std::to_string(member.method);
            return false;
        }
        if (format == ArchiveFormat::Zip) {
            if (libdeflate_crc32(0, bytes.data(), bytes.size()) != member.crc) {
                problem = "CRC does not match";
                bytes.clear();
                return false;
            }
        }
        return true;
    } catch (const std::bad_alloc&) {
        bytes.clear();
        problem = "out of memory";
        return false;
    }
}

} // namespace vornak
