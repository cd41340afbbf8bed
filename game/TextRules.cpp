#include "TextRules.h"

#include <strings.h>

namespace velstrom::game {

std::vector<std::string> splitLines(std::string_view data)
{
    if (!data.empty() && data.back() == '\x1a')
        data.remove_suffix(1);
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < data.size()) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(data.substr(start, i - start));
            i += (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < data.size())
        lines.emplace_back(data.substr(start));
    return lines;
}

namespace {

bool sameLevel(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::vector<std::string> playListEntries(const std::vector<std::string>& lines)
{
    std::vector<std::string> entries;
    for (const std::string& line : lines) {
        if (!line.empty())
            entries.push_back(line);
    }
    return entries;
}

std::string levelEntryFault(std::string_view entry)
{
    if (entry.find_first_not_of(' ') == std::string_view::npos)
        return "blank";
    constexpr std::size_t framing = sizeof "maps/" - 1 + sizeof ".bsp" - 1;
    if (entry.size() + framing > LevelPathLimit)
        return "too long: maps/" + std::string(entry) + ".bsp has " + std::to_string(entry.size() + framing) +
               " bytes, the engine takes " + std::to_string(LevelPathLimit);
    for (const char c : entry) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"')
            return "holds a double quote";
        if (c == ';')
            return "holds a semicolon";
        if (b < 32 || b == 127)
            return "holds a control byte";
        // The engines' map command reads these as a chain of levels and a spawn point.
        if (c == '+' || c == '$')
            return std::string("holds a ") + c + ", which the engine reads as more than a level name";
    }
    if (entry.front() == '*' || entry.front() == '!')
        return std::string("starts with ") + entry.front() + ", which the engine reads as more than a level name";
    // ... and these as a cinematic, a picture or a demo.
    for (const char* other : {".cin", ".pcx", ".dm2"}) {
        if (entry.size() > 4 && ::strcasecmp(std::string(entry.substr(entry.size() - 4)).c_str(), other) == 0)
            return std::string("ends in ") + other + ", which the engine plays as something else than a level";
    }
    return {};
}

std::optional<NextLevel> nextLevel(const std::vector<std::string>& levels, std::string_view current, std::size_t played)
{
    if (levels.empty())
        return std::nullopt;
    std::size_t at = levels.size();
    if (played < levels.size() && sameLevel(levels[played], current)) {
        at = played;
    } else {
        for (std::size_t i = 0; i < levels.size(); ++i) {
            if (sameLevel(levels[i], current)) {
                at = i;
                break;
            }
        }
    }
    const std::size_t next = at < levels.size() ? (at + 1) % levels.size() : 0;
    return NextLevel{levels[next], next};
}

bool isGamemapCommand(std::string_view command)
{
    std::size_t i = 0;
    while (i < command.size() && isBlank(command[i]))
        ++i;
    constexpr std::string_view word = "gamemap";
    if (command.size() - i < word.size() || ::strncasecmp(command.data() + i, word.data(), word.size()) != 0)
        return false;
    i += word.size();
    if (i < command.size() && !isBlank(command[i]) && command[i] != '"')
        return false;
    while (i < command.size() && isBlank(command[i]))
        ++i;
    if (i < command.size() && command[i] == '"') {
        const std::size_t close = command.find('"', i + 1);
        if (close == std::string_view::npos)
            return false;
        i = close + 1;
    } else {
        while (i < command.size() && !isBlank(command[i]) && command[i] != ';' && command[i] != '"')
            ++i;
    }
    while (i < command.size() && isBlank(command[i]))
        ++i;
    return i == command.size();
}

std::string centrePrintText(std::string_view data, std::size_t limit)
{
    std::string text;
    const std::vector<std::string> lines = splitLines(data);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += '\n';
        text += lines[i];
    }
    if (text.size() > limit)
        text.resize(limit);
    return text;
}

} // namespace velstrom::game
