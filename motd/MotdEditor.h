#pragma once
#include "motd/QuakeText.h"

class QTextEdit;

// The message editor as the message's encoding sees it: lines of coloured 8-bit characters. It keeps the
// editor's look (white bold Courier on black, every line centred) and turns its Unicode text into the code
// page's bytes and back.
class MotdEditor {
public:
    explicit MotdEditor(QTextEdit& edit);

    void setupLook();

    // Empty, with white as the typing colour, and not modified.
    void clear();
    // Whether the text changed since it was cleared or loaded.
    bool isModified() const;
    // The editor's whole text. A character the code page cannot hold reads as '?'; a character whose colour is
    // neither green nor the bar colour keeps its code. Soft line breaks count as line breaks.
    QuakeText text() const;
    // Replaces the editor's text, not modified; loading is not an edit the user can undo.
    void setText(const QuakeText& text);
    // Colours the selection, or with no selection the characters typed next.
    void setColor(TextColor color);
    // Adds `chars` as a new last line in `color` and leaves them selected.
    void appendLine(const QByteArray& chars, TextColor color);

    QTextEdit& widget() { return m_edit; }

private:
    QTextEdit& m_edit;
};
