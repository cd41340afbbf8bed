// Fuzz target for the PACK (.pak) directory reader and its member reads.
#include "ArchiveFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return archivefuzz::check(data, size, vornak::ArchiveFormat::Pak);
}
