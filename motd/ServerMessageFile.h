#pragma once
#include "motd/QuakeText.h"

#include <QString>

#include <optional>

// SERVRMSG.TXT, the message each player sees once on joining: how it is read into a message and written back.
namespace servermessage {

struct Loaded {
    std::optional<QuakeText> text; // the file's message; nothing when no file was read
    // The file is there but was not loaded (it cannot be read, or it is too long to be a message): it stays as it
    // is until the user writes a message of their own.
    bool keepFile = false;
    // For a file that is there and cannot be read: "Cannot read <path>: <reason>", or for one too large to be read
    // at all, the message that says so and names it.
    QString error;
    bool tooLarge = false;
};

// A missing file is no message and no error.
Loaded load(const QString& path);

enum class Saved { Written, Removed, LineTooLong };

// Writes the message (every line ending CR LF), or removes the file when the message is blank (a file that cannot
// be removed is left). A line over the limit writes nothing. A failed write throws AppError.
Saved save(const QString& path, const QuakeText& text);

} // namespace servermessage
