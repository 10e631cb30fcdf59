// Single-line fields keep Qt's own undo history, which closes a step whenever the cursor
// moves; multi-line boxes group the change in one edit block of their document.
#include "ui/colour/field_edit.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

#include "actions/colour_fields.h"
#include "ui/base/text.h"
#include "ui/loader/live_window.h"
#include "ui/panels/multi_line_edit.h"

namespace ui {
namespace {

bool startsPair(const QString& text, qsizetype at) {
    return at + 1 < text.size() && text.at(at).isHighSurrogate() && text.at(at + 1).isLowSurrogate();
}

// The text of a multi-line box with each paragraph break as LF: one unit each, so a position
// in it is a position of the document.
QString boxText(const QPlainTextEdit* box) {
    QString text = box->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

QString textOf(const QWidget* field) {
    if (auto* line = qobject_cast<const QLineEdit*>(field)) return line->text();
    if (auto* box = qobject_cast<const QPlainTextEdit*>(field)) return boxText(box);
    return {};
}

// Ends the line edit's undo step: the cursor steps aside and back, which Qt takes as the
// end of a step. An empty field has no step to end.
void closeStep(QLineEdit* line) {
    const int at = line->cursorPosition();
    if (line->text().isEmpty()) return;
    line->setCursorPosition(at > 0 ? at - 1 : at + 1);
    line->setCursorPosition(at);
}

void selectUnits(QWidget* field, qsizetype start, qsizetype end) {
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        if (start == end)
            line->setCursorPosition(static_cast<int>(end));
        else  // a negative length selects backwards, the cursor at end
            line->setSelection(static_cast<int>(start), static_cast<int>(end - start));
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(field)) {
        QTextCursor cursor(box->document());
        cursor.setPosition(static_cast<int>(start));
        cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
        box->setTextCursor(cursor);
    }
}

// Replaces units [from, to) of the field with text, as one undo step.
void replaceUnits(QWidget* field, qsizetype from, qsizetype to, const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        closeStep(line);
        if (to > from)
            line->setSelection(static_cast<int>(from), static_cast<int>(to - from));
        else
            line->setCursorPosition(static_cast<int>(from));
        if (text.isEmpty())
            line->del();
        else
            line->insert(text);
        closeStep(line);
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(field)) {
        prepareForText(box, text);
        QTextCursor cursor(box->document());
        cursor.beginEditBlock();
        cursor.setPosition(static_cast<int>(from));
        cursor.setPosition(static_cast<int>(to), QTextCursor::KeepAnchor);
        cursor.insertText(text);
        cursor.endEditBlock();
    }
}

std::string apply(QWidget* field, const text::ToolResult& result, std::size_t start, std::size_t end) {
    if (!result.ok()) return result.refusal;
    applyFieldEdit(field, {result.text, start, end});
    return {};
}

std::size_t codePoints(std::string_view utf8) {
    const QString text = fromUtf8(utf8);
    return codePointsBefore(text, text.size());
}

}  // namespace

std::size_t codePointsBefore(const QString& text, qsizetype units) {
    std::size_t points = 0;
    for (qsizetype i = 0; i < std::min(units, text.size()); i += startsPair(text, i) ? 2 : 1) ++points;
    return points;
}

qsizetype unitsBefore(const QString& text, std::size_t points) {
    qsizetype i = 0;
    for (std::size_t n = 0; n < points && i < text.size(); ++n) i += startsPair(text, i) ? 2 : 1;
    return i;
}

text::Edit fieldEdit(const QWidget* field) {
    const QString text = textOf(field);
    qsizetype start = 0;
    qsizetype end = 0;
    if (auto* line = qobject_cast<const QLineEdit*>(field)) {
        start = end = line->cursorPosition();
        if (line->hasSelectedText()) {
            start = line->selectionStart();
            end = line->selectionEnd();
        }
    } else if (auto* box = qobject_cast<const QPlainTextEdit*>(field)) {
        const QTextCursor cursor = box->textCursor();
        start = cursor.selectionStart();
        end = cursor.selectionEnd();
    }
    return {toUtf8(text), codePointsBefore(text, start), codePointsBefore(text, end)};
}

void applyFieldEdit(QWidget* field, const text::Edit& edit) {
    const QString before = textOf(field);
    const QString after = fromUtf8(edit.text);
    if (after != before) {
        // Only the middle that differs is replaced, never half a surrogate pair.
        const qsizetype shorter = std::min(before.size(), after.size());
        qsizetype head = 0;
        while (head < shorter && before.at(head) == after.at(head)) ++head;
        if (head > 0 && before.at(head - 1).isHighSurrogate()) --head;
        qsizetype tail = 0;
        while (tail < shorter - head && before.at(before.size() - 1 - tail) == after.at(after.size() - 1 - tail))
            ++tail;
        if (tail > 0 && before.at(before.size() - tail).isLowSurrogate()) --tail;
        replaceUnits(field, head, before.size() - tail, after.mid(head, after.size() - tail - head));
    }
    selectInField(field, edit.selectionStart, edit.selectionEnd);
}

void selectInField(QWidget* field, std::size_t start, std::size_t end) {
    const QString text = textOf(field);
    selectUnits(field, unitsBefore(text, start), unitsBefore(text, end));
}

bool fieldEditable(const QWidget* field) {
    if (field == nullptr || !field->isEnabled()) return false;
    if (auto* line = qobject_cast<const QLineEdit*>(field)) return !line->isReadOnly();
    if (auto* box = qobject_cast<const QPlainTextEdit*>(field)) return !box->isReadOnly();
    return false;
}

// Whether the field shows a name or lore lines, which start in different styles: the codes
// that keep the text after a selection as it was drawn depend on it.
text::Role roleOf(const QWidget* field) {
    for (const QWidget* window = field->parentWidget(); window != nullptr; window = window->parentWidget()) {
        const auto* live = qobject_cast<const LiveWindow*>(window);
        if (live == nullptr) continue;
        const int index = live->unitIndexOf(field);
        if (index < 0) break;
        const actions::ColourField* row =
            actions::colourField(live->id(), live->form().units[static_cast<std::size_t>(index)].name);
        if (row != nullptr) return row->role;
        break;
    }
    return text::Role::Message;
}

void insertIntoField(QWidget* field, std::string_view code) {
    const text::Edit now = fieldEdit(field);
    applyFieldEdit(field, text::insertCode(now.text, now.selectionStart, now.selectionEnd, code, roleOf(field)));
}

std::string gradientIntoField(QWidget* field, std::span<const std::string> colours, std::string_view formats,
                              std::string_view form) {
    const text::Edit now = fieldEdit(field);
    const text::EditResult result =
        text::gradientEdit(now.text, now.selectionStart, now.selectionEnd, colours, formats, form, roleOf(field));
    if (!result.ok()) return result.refusal;
    applyFieldEdit(field, result.edit);
    return {};
}

std::string convertField(QWidget* field, std::string_view to) {
    const std::string now = fieldEdit(field).text;
    const text::ToolResult result = text::convertHex(now, to);
    if (result.ok() && result.text == now) return {};  // nothing to convert: no step, the cursor stays
    const std::size_t length = result.ok() ? codePoints(result.text) : 0;
    return apply(field, result, length, length);
}

void stripField(QWidget* field) {
    const std::string now = fieldEdit(field).text;
    const std::string stripped = text::stripCodes(now);
    if (stripped == now) return;
    const std::size_t length = codePoints(stripped);
    apply(field, {stripped, {}}, length, length);
}

}  // namespace ui
