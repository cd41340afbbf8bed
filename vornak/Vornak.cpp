// The level-title reader behind libvornak.so.
//
// A level's title is the "message" value of its worldspawn entity. Rather than walk the BSP header
// we scan the raw bytes for the worldspawn text through a 16 KiB window that moves on by 8 KiB at a
// time (window k holds bytes 8192k to 8192k + 16384), so reading stops at the first title.
//
// Most of a level is lump data that holds no worldspawn text at all, and a window without a match
// changes nothing but the window. So the bytes are searched straight through, vectorised, for the
// next match, and the windows are only cut out around a match: the answer is the one the window
// walk gives, without the walk. A file is read in growing blocks into one buffer that keeps the
// bytes the next window may still need.
#include "vornak.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__SSE2__)
#include <immintrin.h>
#define VORNAK_X86 1
#endif

namespace {

constexpr std::size_t kHalf = 8192;
constexpr std::size_t kWindow = 2 * kHalf;
constexpr std::size_t kTitleSize = 100; // 99 bytes of title and its NUL

constexpr char kFallback[] = "[Map Name Not Available]";
constexpr char kWorldspawn[] = "\"classname\" \"worldspawn\"";
constexpr std::size_t kWorldspawnLength = sizeof kWorldspawn - 1;
constexpr char kMessageKey[] = "\"message\"";
constexpr std::size_t kMessageKeyLength = sizeof kMessageKey - 1;
// The key, one separator and the value's opening quote; none of them is checked, so two blanks
// after the key give an empty title, as they always have.
constexpr std::size_t kValueSkip = kMessageKeyLength + 2;

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);
constexpr std::uint64_t kNoMatch = static_cast<std::uint64_t>(-1);

// The candidates are filtered on two bytes of the pattern at once: its opening quote and the "w"
// 13 bytes on. In lump data (any byte value) one place in 65,536 passes; the rest is compared whole.
constexpr std::size_t kSecondProbe = 13;
static_assert(kWorldspawn[kSecondProbe] == 'w');

// The first offset q with the whole pattern inside the `size` bytes at `data` and starting at q.
std::size_t scanPlain(const char* data, std::size_t size, std::size_t at)
{
    if (size < kWorldspawnLength)
        return kNotFound;
    for (const std::size_t last = size - kWorldspawnLength; at <= last; ++at) {
        const void* hit = std::memchr(data + at, '"', last - at + 1);
        if (hit == nullptr)
            return kNotFound;
        at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        if (std::memcmp(data + at, kWorldspawn, kWorldspawnLength) == 0)
            return at;
    }
    return kNotFound;
}

std::size_t confirm(const char* data, std::size_t base, std::uint64_t mask)
{
    while (mask != 0) {
        const std::size_t at = base + static_cast<std::size_t>(__builtin_ctzll(mask));
        if (std::memcmp(data + at, kWorldspawn, kWorldspawnLength) == 0)
            return at;
        mask &= mask - 1;
    }
    return kNotFound;
}

#ifdef VORNAK_X86
std::size_t scanSse2(const char* data, std::size_t size)
{
    std::size_t at = 0;
    if (size >= kWorldspawnLength) {
        // Candidates at..at+63 read bytes up to at + 63 + 13 + 1, inside the data while a whole
        // pattern fits after the last of them.
        const std::size_t candidates = size - kWorldspawnLength + 1;
        const __m128i quote = _mm_set1_epi8('"');
        const __m128i w = _mm_set1_epi8('w');
        const auto block = [&](std::size_t from) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + from + kSecondProbe));
            return static_cast<std::uint64_t>(static_cast<unsigned>(
                _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, quote), _mm_cmpeq_epi8(b, w)))));
        };
        for (; at + 64 <= candidates; at += 64) {
            const std::uint64_t mask = block(at) | block(at + 16) << 16 | block(at + 32) << 32 | block(at + 48) << 48;
            if (mask != 0) {
                const std::size_t hit = confirm(data, at, mask);
                if (hit != kNotFound)
                    return hit;
            }
        }
    }
    return scanPlain(data, size, at);
}

__attribute__((target("avx2"))) std::size_t scanAvx2(const char* data, std::size_t size)
{
    std::size_t at = 0;
    if (size >= kWorldspawnLength) {
        const std::size_t candidates = size - kWorldspawnLength + 1;
        const __m256i quote = _mm256_set1_epi8('"');
        const __m256i w = _mm256_set1_epi8('w');
        const auto block = [&](std::size_t from) __attribute__((target("avx2")))
        {
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + from));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + from + kSecondProbe));
            return static_cast<std::uint64_t>(static_cast<unsigned>(
                _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, quote), _mm256_cmpeq_epi8(b, w)))));
        };
        for (; at + 128 <= candidates; at += 128) {
            const std::uint64_t low = block(at) | block(at + 32) << 32;
            const std::uint64_t high = block(at + 64) | block(at + 96) << 32;
            if ((low | high) != 0) {
                std::size_t hit = confirm(data, at, low);
                if (hit == kNotFound)
                    hit = confirm(data, at + 64, high);
                if (hit != kNotFound)
                    return hit;
            }
        }
    }
    return scanPlain(data, size, at);
}

using Scanner = std::size_t (*)(const char*, std::size_t);

// Chosen at the first search, not when the library is loaded.
Scanner bestScanner()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? scanAvx2 : scanSse2;
}
#endif

std::size_t scan(const char* data, std::size_t size)
{
#ifdef VORNAK_X86
    static const Scanner scanner = bestScanner();
    return scanner(data, size);
#else
    return scanPlain(data, size, 0);
#endif
}

// A level held in memory.
class MemoryBytes {
public:
    MemoryBytes(const char* data, std::size_t size) : m_data(data), m_size(size) {}

    // The first match that starts at or after `from`.
    std::uint64_t next(std::uint64_t from)
    {
        if (from >= m_size)
            return kNoMatch;
        const std::size_t at = scan(m_data + from, m_size - static_cast<std::size_t>(from));
        return at == kNotFound ? kNoMatch : from + at;
    }

    // Window bytes from `at` on: up to kWindow of them, as many as the level has.
    const char* window(std::uint64_t at, std::size_t& size)
    {
        size = at >= m_size ? 0 : std::min(kWindow, m_size - static_cast<std::size_t>(at));
        return m_data + std::min<std::uint64_t>(at, m_size);
    }

private:
    const char* m_data;
    std::size_t m_size;
};

// A level file, read front to back into one buffer. Reads start at one window and grow to kBlock,
// so a title near the start costs one small read and a file read to its end few system calls.
// Read errors count as the end of the file.
class FileBytes {
public:
    static constexpr std::size_t kBlock = 256 * 1024;
    static constexpr std::size_t kCapacity = kBlock + 2 * kWindow;

    explicit FileBytes(int fd) : m_fd(fd), m_buffer(new (std::nothrow) char[kCapacity]) {}
    bool ok() const { return m_buffer != nullptr; }

    std::uint64_t next(std::uint64_t from)
    {
        for (;;) {
            load(from, from + kWindow);
            const std::uint64_t end = m_start + m_length;
            if (from < end) {
                const std::size_t at = scan(m_buffer.get() + (from - m_start), static_cast<std::size_t>(end - from));
                if (at != kNotFound)
                    return from + at;
            }
            if (m_atEnd)
                return kNoMatch;
            // A match may straddle the end of what is read; it starts within the last bytes.
            from = std::max(from, end >= kWorldspawnLength - 1 ? end - (kWorldspawnLength - 1) : 0);
            load(from, end + 1);
        }
    }

    const char* window(std::uint64_t at, std::size_t& size)
    {
        load(at, at + kWindow);
        const std::uint64_t end = m_start + m_length;
        // `at` is never before the kept bytes: a window is only asked for around the last match.
        size = at < m_start || at >= end ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, end - at));
        return m_buffer.get() + (at < m_start ? 0 : std::min<std::uint64_t>(at, end) - m_start);
    }

private:
    // Reads until the buffer holds the file up to `end` or the file ends. Bytes before `keep` may be
    // dropped, but never those of a window that could still hold a match at or after `keep`.
    void load(std::uint64_t keep, std::uint64_t end)
    {
        while (m_start + m_length < end && !m_atEnd) {
            if (m_length + m_nextRead > kCapacity) {
                const std::uint64_t lowest = keep > kWindow ? (keep - kWindow) / kHalf * kHalf : 0;
                const std::size_t drop = static_cast<std::size_t>(
                    std::min<std::uint64_t>(lowest > m_start ? lowest - m_start : 0, m_length));
                std::memmove(m_buffer.get(), m_buffer.get() + drop, m_length - drop);
                m_start += drop;
                m_length -= drop;
            }
            const std::size_t room = std::min(m_nextRead, kCapacity - m_length);
            const ssize_t got = ::read(m_fd, m_buffer.get() + m_length, room);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                m_atEnd = true;
                break;
            }
            m_length += static_cast<std::size_t>(got);
            m_nextRead = std::min(kBlock, m_nextRead * 2);
        }
    }

    int m_fd;
    std::unique_ptr<char[]> m_buffer;
    std::uint64_t m_start = 0; // file offset of the buffer's first byte
    std::size_t m_length = 0;
    std::size_t m_nextRead = kWindow;
    bool m_atEnd = false;
};

// The "{" that opens the entity holding the match at `match`: the nearest one before it that is
// not inside a quoted value (titles such as "Arena {Team Moo}" hold braces). Entity text has no
// escaped quotes, so an even number of quotes in between means outside. The window's first byte
// is never taken: what lies before it is unknown.
std::size_t findEntityStart(const char* data, std::size_t match)
{
    std::size_t quotes = 0;
    for (std::size_t at = match; at-- > 1;) {
        if (data[at] == '"')
            ++quotes;
        else if (data[at] == '{' && quotes % 2 == 0)
            return at;
    }
    return kNotFound;
}

// Looks inside the entity that opens at `start` for the "message" key before the entity's own
// "}", both outside quoted text, and copies its value (at most 99 bytes) into `title`.
// Returns false when the entity, as far as this window holds it, has no such key.
bool readTitle(const char* data, std::size_t size, std::size_t start, char (&title)[kTitleSize])
{
    // Counting quotes from the "{": a multiple of four puts us where a key begins, an even count
    // outside any quoted text. A value that happens to read "message" is not the key.
    std::size_t quotes = 0;
    std::size_t key = kNotFound;
    std::size_t at = start + 1;
    for (; at < size; ++at) {
        const char c = data[at];
        if (c == '"') {
            if (key == kNotFound && quotes % 4 == 0 && size - at >= kMessageKeyLength &&
                std::memcmp(data + at, kMessageKey, kMessageKeyLength) == 0)
                key = at;
            ++quotes;
        } else if (c == '}' && quotes % 2 == 0) {
            break;
        }
    }
    if (key == kNotFound || at == size)
        return false;

    // The value runs to the next quote; a value cut off by the end of the data or by a NUL ends
    // there, and one too long for the title buffer is cut to fit.
    std::size_t length = 0;
    const std::size_t value = key + kValueSkip;
    if (value < size) {
        const std::size_t limit = size - value < kTitleSize - 1 ? size - value : kTitleSize - 1;
        while (length < limit && data[value + length] != '"' && data[value + length] != '\0')
            ++length;
        std::memcpy(title, data + value, length);
    }
    title[length] = '\0';
    return true;
}

// The window walk. Each pass searches window k from `from` on; a pass without a match moves to the
// next window and searches only what the new half adds (from kHalf - 23), a pass whose match gives
// no title moves on and searches the next window whole. The walk ends after the first window that
// reaches the end of the data. Windows without a match are passed over in one step: the next one
// searched is the first that holds the whole next match.
template <class Bytes> bool findTitle(Bytes& bytes, char (&title)[kTitleSize])
{
    std::uint64_t window = 0;
    std::size_t from = 0;
    for (;;) {
        const std::uint64_t match = bytes.next(window + from);
        if (match == kNoMatch)
            return false;
        const std::uint64_t matchEnd = match + kWorldspawnLength;
        if (matchEnd > window + kWindow) {
            // The data reach past this window (the match lies beyond it), so more passes follow.
            const std::uint64_t first = (matchEnd - kWindow + kHalf - 1) / kHalf * kHalf;
            window = std::max(window + kHalf, first);
            from = kHalf - (kWorldspawnLength - 1);
        }
        std::size_t size = 0;
        const char* data = bytes.window(window, size);
        if (window + size < matchEnd)
            return false; // cannot happen: the match lies in the data
        const std::size_t start = findEntityStart(data, static_cast<std::size_t>(match - window));
        if (start != kNotFound && readTitle(data, size, start, title))
            return true;
        if (size < kWindow)
            return false;
        window += kHalf;
        from = 0;
    }
}

// What both exports do before reading: the buffer cleared and the fallback written.
bool prepare(char* out, int16_t capacity)
{
    if (out == nullptr)
        return false;
    if (capacity > 0)
        std::memset(out, 0, static_cast<std::size_t>(capacity));
    // The caller always gets the fallback text, even when it passed no level or no room.
    std::memcpy(out, kFallback, sizeof kFallback);
    return capacity >= 1;
}

int32_t deliver(bool found, const char (&title)[kTitleSize], char* out, int16_t capacity)
{
    if (!found)
        return 0;
    const std::size_t length = std::strlen(title) + 1;
    const std::size_t room = static_cast<std::size_t>(capacity);
    std::memcpy(out, title, length < room ? length : room);
    return 1;
}

} // namespace

extern "C" int32_t Vornak(const char* path, char* out, int16_t capacity)
{
    if (!prepare(out, capacity) || path == nullptr || path[0] == '\0')
        return 0;

    // Only a regular file is a level: a FIFO would block the open and a device such as /dev/zero would read
    // forever. Opened without blocking, checked, and only then read.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return 0;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return 0;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    FileBytes bytes(fd);
    char title[kTitleSize];
    const bool found = bytes.ok() && findTitle(bytes, title);
    ::close(fd);
    return deliver(found, title, out, capacity);
}

extern "C" int32_t VornakMemory(const void* data, size_t size, char* out, int16_t capacity)
{
    if (!prepare(out, capacity) || data == nullptr || size == 0)
        return 0;
    MemoryBytes bytes(static_cast<const char*>(data), size);
    char title[kTitleSize];
    return deliver(findTitle(bytes, title), title, out, capacity);
}
