#pragma once
// The module's text rules: how its files split into lines, which play-list line is a level, what follows
// the current level, and how the message file becomes a centre-print. Pure functions, no I/O.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velstrom::game {

// Lines as the program reads them: CR LF, a lone CR or a lone LF ends a line (an LF right after a CR
// belongs to that ending), and a byte 26 as the file's last byte is an old end-of-file mark; anywhere
// else it is a byte like any other.
std::vector<std::string> splitLines(std::string_view data);

// The play list's entries: its lines that are not empty.
std::vector<std::string> playListEntries(const std::vector<std::string>& lines);

// The engines find a level as `maps/<name>.bsp`, a path of at most 63 bytes.
inline constexpr std::size_t LevelPathLimit = 63;

// Why the server cannot be sent to this entry by its words alone: blank, too long for the engine, a
// double quote, semicolon or control byte (its command line would take it apart), or what the engines'
// map command reads as more than a level (+ $, a leading * or !, .cin .pcx .dm2); empty when it can.
std::string levelEntryFault(std::string_view entry);

struct NextLevel {
    std::string name;
    std::size_t index; // its place in the list, so a level listed twice moves on from where it was played
};

// The level after `current` (compared without regard to case), wrapping; the first when `current` is
// not listed. `played` is the place chosen last time: when it still holds `current`, the search starts
// there. Nothing for an empty list.
std::optional<NextLevel> nextLevel(const std::vector<std::string>& levels, std::string_view current,
                                   std::size_t played);

// True when `command` is one `gamemap` command and nothing else, whatever level it names.
bool isGamemapCommand(std::string_view command);

// The message file's bytes as one centre-print: its lines joined by line breaks, at most `limit` bytes.
std::string centrePrintText(std::string_view data, std::size_t limit);

} // namespace velstrom::game
