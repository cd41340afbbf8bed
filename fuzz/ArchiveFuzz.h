#pragma once
// What both archive fuzz targets check. The input is an archive in memory; its directory is read and every
// member it lists is read back (capped at 1 MiB so a run stays fast). Nothing may crash, hang or leak; a
// member the reader accepts lies inside the input, and one read in full has exactly its stated size.
// A broken promise aborts, so libFuzzer keeps the input.
//
// The corpus replay test links the targets too, without libFuzzer.
#include "ArchiveDirectory.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace archivefuzz {

inline void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "archive fuzz: %s\n", what);
        std::abort();
    }
}

inline int check(const uint8_t* data, size_t size, vornak::ArchiveFormat format)
{
    const vornak::MemorySource source(data, size);
    const vornak::ArchiveDirectory dir = vornak::readDirectory(source, format);
    require(dir.ok() || (dir.members.empty() && dir.skipped == 0), "a refused archive lists members");
    require(dir.members.size() <= vornak::MemberCountCap, "more members than the cap");
    require((dir.skipped == 0) == dir.firstSkipReason.empty(), "skipped entries without a reason");
    for (const vornak::ArchiveMember& member : dir.members) {
        require(!member.name.empty(), "a member without a name");
        require(member.offset <= size && member.packedSize <= size - member.offset, "a member outside the input");
        std::string bytes;
        std::string problem;
        const bool read = vornak::readMember(source, format, member, bytes, problem, std::size_t{1} << 20);
        require(read ? bytes.size() == member.size : bytes.empty() && !problem.empty(),
                "a member read with the wrong size, or refused without a reason");
    }
    return 0;
}

} // namespace archivefuzz
