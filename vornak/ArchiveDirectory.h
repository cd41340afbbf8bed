#pragma once
// Directories of the two archive kinds Quake 2 engines read: id's PACK files (.pak) and zip files (.pk3 and
// kin). Only the directory is read; one member's bytes are read on demand, inflated and capped.
// Every number in an archive is distrusted: a fault ends the reading with a text saying why, never a crash,
// a hang or an allocation the archive's size does not justify. No Qt, no exceptions out of the readers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vornak {

// No member is read into memory beyond this, whatever its directory claims.
inline constexpr std::size_t MemberSizeCap = std::size_t{64} << 20;
// A directory with more entries is refused (id's retail pak0.pak has about 3,300).
inline constexpr std::size_t MemberCountCap = std::size_t{1} << 18;

enum class ArchiveFormat { Pak, Zip };

struct ArchiveMember {
    std::string name;             // as stored, byte for byte
    std::uint64_t offset = 0;     // PACK: where the bytes start; zip: where the member's local header starts
    std::uint64_t packedSize = 0; // bytes in the archive (PACK: the size)
    std::uint64_t size = 0;       // bytes once read
    std::uint16_t method = 0;     // zip: 0 stored, 8 deflated
    std::uint32_t crc = 0;        // zip only
};

// Random access to the archive's bytes: a file or, for fuzzing and tests, memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // All `count` bytes at `offset`, or false.
    virtual bool readAt(std::uint64_t offset, void* buffer, std::size_t count) const = 0;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(const void* data, std::size_t size) : m_data(static_cast<const unsigned char*>(data)), m_size(size) {}
    std::uint64_t size() const override { return m_size; }
    bool readAt(std::uint64_t offset, void* buffer, std::size_t count) const override;

private:
    const unsigned char* m_data;
    std::size_t m_size;
};

// A regular file, opened without following the reader into a FIFO or a device.
class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    bool isOpen() const { return m_fd >= 0; }
    const std::string& openError() const { return m_error; }
    std::uint64_t size() const override { return m_size; }
    bool readAt(std::uint64_t offset, void* buffer, std::size_t count) const override;

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
    std::string m_error;
};

struct ArchiveDirectory {
    std::vector<ArchiveMember> members;
    std::string problem;         // why the archive cannot be read at all; empty when it can
    std::size_t skipped = 0;     // entries left out because they are broken
    std::string firstSkipReason; // the first of them, with the entry's place

    bool ok() const { return problem.empty(); }
};

ArchiveDirectory readPakDirectory(const ByteSource& source);
// ZIP64 archives (over 4 GiB or 65,535 entries) are refused as a whole.
ArchiveDirectory readZipDirectory(const ByteSource& source);
ArchiveDirectory readDirectory(const ByteSource& source, ArchiveFormat format);

// One member's bytes into `bytes`: a PACK member or a stored zip member copied, a deflated one inflated by
// libdeflate, checked against its stated size and CRC. False with `problem` set when it cannot be read, also when
// it is larger than `cap`.
bool readMember(const ByteSource& source, ArchiveFormat format, const ArchiveMember& member, std::string& bytes,
                std::string& problem, std::size_t cap = MemberSizeCap);

} // namespace vornak
