#pragma once
// File access that never blocks the server: only regular files are read or appended to, so a FIFO or
// a device put in place of a file is refused instead of stalling the frame loop.
#include <cstddef>
#include <string>

namespace velstrom::game {

// Reads at most `limit` bytes of the file into `data`. Returns 0, or the errno that stopped it
// (EINVAL for something that is not a regular file).
int readRegularFile(const std::string& path, std::size_t limit, std::string& data);

// Appends `data` to the file, creating it if missing. Returns 0 or the errno that stopped it.
int appendToRegularFile(const std::string& path, const std::string& data);

} // namespace velstrom::game
