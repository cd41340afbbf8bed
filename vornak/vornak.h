#pragma once
// libvornak: the title of a Quake 2 level, read from its worldspawn entity, in a file or in memory.
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Clears `capacity` bytes of `out`, writes "[Map Name Not Available]" there, and on success
// overwrites it with the level's title (cut to `capacity` bytes). Returns 1 when a title was found.
// `out` must hold at least max(capacity, 25) bytes. With a null `out` nothing is written; with a
// null or empty `path`, or a capacity below 1, the file is not read and the result is 0 (the
// fallback text is still written).
__attribute__((visibility("default"))) int32_t Vornak(const char* path, char* out, int16_t capacity);

// The same for a level file's bytes held in memory (`size` bytes at `data`), by the same rules and with the
// same results as Vornak() on a file holding those bytes. A null `data` or a `size` of 0 reads nothing.
__attribute__((visibility("default"))) int32_t VornakMemory(const void* data, size_t size, char* out, int16_t capacity);

#ifdef __cplusplus
}
#endif
