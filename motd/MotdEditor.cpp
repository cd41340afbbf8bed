#include "motd/MotdEditor.h"

#include "motd/Windows1252.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {

QColor toQColor(TextColor c) { return QColor(c.red, c.green, c.blue); }

QTextCharFormat formatFor(TextColor c)
{
    QTextCharFormat format;
    format.setForeground(toQColor(c));
    return format;
}

// Characters without a colour of their own show in the editor's default white.
TextColor colorOf(const QTextCharFormat& format)
{
    const QBrush brush = format.foreground();
    if (brush.style() == Qt::NoBrush)
        return WhiteColor;
    const QColor c = brush.color().toRgb();
    return TextColor{quint8(c.red()), quint8(c.green()), quint8(c.blue())};
}

QTextBlockFormat centredBlock()
{
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    return centred;
}

void centreAll(QTextDocument& doc)
{
    QTextCursor all(&doc);
    all.select(QTextCursor::Document);
    all.mergeBlockFormat(centredBlock());
}

} // namespace

MotdEditor::MotdEditor(QTextEdit& edit) : m_edit(edit) {}

void MotdEditor::setupLook()
{
    QPalette pal = m_edit.palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Base, Qt::black);
        pal.setColor(group, QPalette::Text, Qt::white);
    }
    m_edit.setPalette(pal);

    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(15);
    font.setBold(true);
    m_edit.setFont(font);

    // Lines the user starts, and lines pasted without an alignment of their own, are centred too.
    QTextDocument& doc = *m_edit.document();
    QTextOption option = doc.defaultTextOption();
    option.setAlignment(Qt::AlignHCenter);
    doc.setDefaultTextOption(option);
    centreAll(doc);
    m_edit.setCurrentCharFormat(formatFor(WhiteColor));
}

void MotdEditor::clear()
{
    m_edit.clear();
    centreAll(*m_edit.document());
    m_edit.setCurrentCharFormat(formatFor(WhiteColor));
    m_edit.document()->setModified(false);
}

bool MotdEditor::isModified() const { return m_edit.document()->isModified(); }

QuakeText MotdEditor::text() const
{
    QuakeText text;
    const QTextDocument& doc = *m_edit.document();
    bool firstBlock = true;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (!firstBlock)
            text.appendLineBreak();
        firstBlock = false;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const TextColor color = colorOf(fragment.charFormat());
            const QString chars = fragment.text();
            for (qsizetype i = 0; i < chars.size(); ++i) {
                char32_t ch = chars[i].unicode();
                if (QChar::isHighSurrogate(ch) && i + 1 < chars.size() && chars[i + 1].isLowSurrogate()) {
                    ch = QChar::surrogateToUcs4(chars[i], chars[i + 1]);
                    ++i;
                }
                if (ch == QChar::LineSeparator)
                    text.appendLineBreak();
                else
                    text.append(cp1252::fromUnicode(ch), color);
            }
        }
    }
    return text;
}

void MotdEditor::setText(const QuakeText& text)
{
    QTextDocument& doc = *m_edit.document();
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.clear();

    const QTextCharFormat white = formatFor(WhiteColor);
    const QTextCharFormat green = formatFor(GreenColor);
    const QTextCharFormat special = formatFor(SpecialColor);
    const auto formatOf = [&](TextColor c) -> const QTextCharFormat& {
        return c == GreenColor ? green : c == SpecialColor ? special : white;
    };

    QTextCursor cursor(&doc);
    cursor.beginEditBlock();
    // Every new line takes this block's centring with it.
    cursor.setBlockFormat(centredBlock());
    bool firstLine = true;
    QString run;
    for (const QuakeLine& line : text.lines()) {
        if (!firstLine)
            cursor.insertBlock();
        firstLine = false;
        // One insertion per run of one colour keeps a long message quick to load.
        qsizetype i = 0;
        while (i < line.size()) {
            const TextColor color = line[i].color;
            run.clear();
            while (i < line.size() && line[i].color == color)
                run.append(QChar(cp1252::toUnicode(line[i++].code)));
            cursor.insertText(run, formatOf(color));
        }
    }
    cursor.endEditBlock();
    doc.setUndoRedoEnabled(undo);
    m_edit.moveCursor(QTextCursor::Start);
    m_edit.setCurrentCharFormat(white);
    doc.setModified(false);
}

void MotdEditor::setColor(TextColor color) { m_edit.mergeCurrentCharFormat(formatFor(color)); }

void MotdEditor::appendLine(const QByteArray& chars, TextColor color)
{
    QTextDocument& doc = *m_edit.document();
    QTextCursor cursor(&doc);
    cursor.movePosition(QTextCursor::End);
    // A text that ends with a line break (or is empty) already has the empty last line to fill.
    if (!cursor.block().text().isEmpty())
        cursor.insertBlock();
    const int start = cursor.position();
    QString line;
    for (const char c : chars)
        line.append(QChar(cp1252::toUnicode(quint8(c))));
    cursor.insertText(line, formatFor(color));
    cursor.setPosition(start);
    cursor.setPosition(start + int(line.size()), QTextCursor::KeepAnchor);
    m_edit.setTextCursor(cursor);
}
