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
// belongs to that ending), and a byte 26 ends the file.
std::vector<std::string> splitLines(std::string_view data);

// Play-list lines that name a level: not empty, and no double quote, semicolon or control byte,
// which the engine's command line would take apart.
std::vector<std::string> playableLevels(const std::vector<std::string>& lines);

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
