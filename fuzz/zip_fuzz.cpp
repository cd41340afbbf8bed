// Fuzz target for the zip (.pk3) central directory reader and its member reads, inflating included.
#include "ArchiveFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return archivefuzz::check(data, size, vornak::ArchiveFormat::Zip);
}
