// The level-title reader behind libvornak.so.
//
// A level's title is the "message" value of its worldspawn entity. Rather than walk the BSP header
// we scan the raw bytes for the worldspawn text through a 16 KiB window that moves on by 8 KiB at a
// time, so a level is read front to back once and reading stops at the first title.
#include "vornak.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The file seen through two 8 KiB halves. Only bytes that came from the file are data: after a
// short read the data end where that read ended, and nothing past `size` is ever looked at.
//
// A shift does not move the second half down: the halves trade places in memory and the next block
// is read over the old first half. They are put back in order only when a match needs the window
// as one piece, which saves copying 8 KiB for every block of a file read to its end.
struct Window {
    std::FILE* file = nullptr;
    std::size_t size = 0;
    bool atEnd = false;
    bool swapped = false; // the second half lies first in memory
    char bytes[kWindow];

    const char* first() const { return swapped ? bytes + kHalf : bytes; }
    const char* second() const { return swapped ? bytes : bytes + kHalf; }

    // A short read (or a read error) is the end of the file; after it we read no more.
    std::size_t readHalf(char* into)
    {
        if (atEnd)
            return 0;
        const std::size_t got = std::fread(into, 1, kHalf, file);
        if (got < kHalf)
            atEnd = true;
        return got;
    }

    void fill()
    {
        size = readHalf(bytes);
        size += readHalf(bytes + kHalf);
    }

    // Only called before the end is met, so the second half is full when it becomes the first.
    void shift()
    {
        char* oldFirst = swapped ? bytes + kHalf : bytes;
        swapped = !swapped;
        size = kHalf + readHalf(oldFirst);
    }

    const char* inOrder()
    {
        if (swapped) {
            std::swap_ranges(bytes, bytes + kHalf, bytes + kHalf);
            swapped = false;
        }
        return bytes;
    }
};

// First offset at or after `from` where the whole pattern lies inside the first `size` bytes.
std::size_t find(const char* data, std::size_t size, std::size_t from, const char* pattern, std::size_t length)
{
    while (from < size && size - from >= length) {
        const void* hit = std::memchr(data + from, pattern[0], size - from - length + 1);
        if (hit == nullptr)
            return kNotFound;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        if (std::memcmp(data + at + 1, pattern + 1, length - 1) == 0)
            return at;
        from = at + 1;
    }
    return kNotFound;
}

// First match of the worldspawn pattern at or after window offset `from`: wholly in the first half,
// across the two halves, or wholly in the second half, in that order.
std::size_t findWorldspawn(const Window& window, std::size_t from)
{
    constexpr std::size_t overlap = kWorldspawnLength - 1;
    if (window.size <= kHalf)
        return find(window.first(), window.size, from, kWorldspawn, kWorldspawnLength);

    std::size_t at = find(window.first(), kHalf, from, kWorldspawn, kWorldspawnLength);
    if (at != kNotFound)
        return at;

    // The halves may not be neighbours in memory, so the bytes around their seam are searched in a copy.
    const std::size_t secondSize = window.size - kHalf;
    const std::size_t seamBegin = kHalf - overlap;
    char seam[2 * overlap];
    const std::size_t seamSize = overlap + (secondSize < overlap ? secondSize : overlap);
    std::memcpy(seam, window.first() + seamBegin, overlap);
    std::memcpy(seam + overlap, window.second(), seamSize - overlap);
    at = find(seam, seamSize, from > seamBegin ? from - seamBegin : 0, kWorldspawn, kWorldspawnLength);
    if (at != kNotFound)
        return seamBegin + at;

    at = find(window.second(), secondSize, from > kHalf ? from - kHalf : 0, kWorldspawn, kWorldspawnLength);
    return at == kNotFound ? kNotFound : kHalf + at;
}

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

bool findTitle(Window& window, char (&title)[kTitleSize])
{
    window.fill();
    // After a pass without a match, the half that moves down has been searched already: only a
    // match reaching over into the new half can be new, so the next pass starts just before it.
    std::size_t from = 0;
    for (;;) {
        const bool morePasses = !window.atEnd;
        const std::size_t match = findWorldspawn(window, from);
        if (match == kNotFound) {
            from = kHalf - (kWorldspawnLength - 1);
        } else {
            // A match whose entity began before this window counts as no match here: the next
            // window cannot see that "{" either, but it may hold another worldspawn.
            const char* data = window.inOrder();
            const std::size_t start = findEntityStart(data, match);
            if (start != kNotFound && readTitle(data, window.size, start, title))
                return true;
            from = 0;
        }
        if (!morePasses)
            return false;
        window.shift();
    }
}

} // namespace

extern "C" int32_t Vornak(const char* path, char* out, int16_t capacity)
{
    if (out == nullptr)
        return 0;
    if (capacity > 0)
        std::memset(out, 0, static_cast<std::size_t>(capacity));
    // The caller always gets the fallback text, even when it passed no path or no room.
    std::memcpy(out, kFallback, sizeof kFallback);
    if (path == nullptr || path[0] == '\0' || capacity < 1)
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
    Window window;
    window.file = ::fdopen(fd, "rb");
    if (window.file == nullptr) {
        ::close(fd);
        return 0;
    }
    // Every read is a whole 8 KiB block, so the stream needs no buffer of its own.
    std::setvbuf(window.file, nullptr, _IONBF, 0);

    char title[kTitleSize];
    const bool found = findTitle(window, title);
    std::fclose(window.file);
    if (!found)
        return 0;

    const std::size_t length = std::strlen(title) + 1;
    const std::size_t room = static_cast<std::size_t>(capacity);
    std::memcpy(out, title, length < room ? length : room);
    return 1;
}
