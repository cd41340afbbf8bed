// Fuzz target for the level-title reader. Each input becomes a level file on disk and goes through
// Vornak as the program calls it (capacity 255 in a 256-byte buffer) and again with a small
// capacity in a buffer of exactly the size the contract asks for, so any write past it lands in
// AddressSanitizer's redzone; then through VornakMemory over the same bytes. All answers must agree
// with each other and with the plain model of
// the reader's rules; a disagreement aborts, so libFuzzer keeps the input.
//
// The corpus replay test links this file too, without libFuzzer.
#include "vornak/TitleModel.h"

#include "vornak.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <unistd.h>

namespace {

const char kFallback[] = "[Map Name Not Available]";

void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "vornak_fuzz: %s\n", what);
        std::abort();
    }
}

// One scratch file per process, so parallel fuzzing jobs and test runs do not share it.
const char* scratchPath()
{
    static char path[] = "/tmp/vornak_fuzz_XXXXXX";
    [[maybe_unused]] static const bool made = [] {
        const int fd = mkstemp(path);
        require(fd >= 0, "cannot create the scratch file");
        close(fd);
        std::atexit([] { unlink(path); });
        return true;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* path = scratchPath();
    std::FILE* file = std::fopen(path, "wb");
    require(file != nullptr, "cannot write the scratch file");
    require(size == 0 || std::fwrite(data, 1, size, file) == size, "short write to the scratch file");
    std::fclose(file);

    std::vector<char> out(256, '\x5A');
    const int32_t result = Vornak(path, out.data(), 255);
    require(result == 0 || result == 1, "result is neither 0 nor 1");
    require(out[255] == '\x5A', "byte past the capacity was written");

    const auto expected = velstrom::test::modelTitle(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    require((result == 1) == expected.found, "found/not found differs from the model");
    std::size_t length = sizeof kFallback;
    if (result == 1) {
        length = static_cast<std::size_t>(expected.title.size()) + 1;
        require(length <= 100, "title longer than 99 bytes");
        require(std::memcmp(out.data(), expected.title.constData(), length) == 0, "title differs from the model");
    } else {
        require(std::memcmp(out.data(), kFallback, sizeof kFallback) == 0, "fallback text missing");
    }
    for (std::size_t i = length < sizeof kFallback ? sizeof kFallback : length; i < 255; ++i)
        require(out[i] == '\0', "cleared byte was overwritten");

    // The same file with a capacity of 1 to 40 in a buffer no larger than it must be.
    const int16_t capacity = static_cast<int16_t>(1 + (size == 0 ? 0 : data[size / 2] % 40));
    std::vector<char> tight(capacity < 25 ? 25 : static_cast<std::size_t>(capacity));
    require(Vornak(path, tight.data(), capacity) == result, "result depends on the capacity");
    const auto room = static_cast<std::size_t>(capacity);
    const std::size_t copied = result == 1 && length < room ? length : room;
    require(std::memcmp(tight.data(), out.data(), copied) == 0, "cut title differs from the full one");

    // The bytes in memory give the same answer, in an exact-size copy so a read past them is caught.
    std::vector<uint8_t> copy(data, data + size);
    std::vector<char> fromMemory(256, '\x5A');
    require(VornakMemory(copy.data(), copy.size(), fromMemory.data(), 255) == result, "memory result differs");
    require(fromMemory == out, "memory export wrote other bytes than the file export");
    return 0;
}
