// The colour tools on a name or lore field: the field's text and selection read as the rules
// of text/colour_tools take them, and each change put back into the field as one undo step,
// so Ctrl+Z in the field takes back exactly what the tool did. The colour tool, the fields'
// context menus and the automation interface all change a field through these functions.
#pragma once

#include <QString>
#include <span>
#include <string>
#include <string_view>

#include "text/colour_tools.h"

class QWidget;

namespace ui {

// The number of code points in text[0, units): a surrogate pair is one, any other UTF-16 unit
// one, as text/colour_tools counts the same text in UTF-8.
std::size_t codePointsBefore(const QString& text, qsizetype units);
// The UTF-16 position of code point `points` of the text, its length when past the end.
qsizetype unitsBefore(const QString& text, std::size_t points);

// The field's text (UTF-8, line breaks as LF) with its selection, or its cursor as an empty
// selection, in code points. The field is a QLineEdit or a QPlainTextEdit.
text::Edit fieldEdit(const QWidget* field);

// Puts the edit's text into the field as one undo step, replacing only the part that differs,
// then selects the edit's selection (the cursor at its end). A text equal to the field's
// changes nothing and adds no step; only the selection is set.
void applyFieldEdit(QWidget* field, const text::Edit& edit);

// Selects code points [start, end) of the field, the cursor at end (start == end: the cursor
// alone). Positions past the end are held to it.
void selectInField(QWidget* field, std::size_t start, std::size_t end);

// Whether the tools may change the field: it is enabled and not read-only.
bool fieldEditable(const QWidget* field);

// The changes the tools make, each one undo step. A refusal (the rules' English sentence for
// a bad colour, format or form) leaves the field as it was and is returned; empty when done.
//   - insertIntoField: the code at the cursor, or in front of the selected text, which stays
//     selected (text::insertCode, in the style the field's role starts in);
//   - gradientIntoField: the selected text, or the whole text when nothing is selected, in a
//     gradient; the result is selected, or the cursor ends after the whole text
//     (text::gradientEdit);
//   - convertField, stripField: the whole text, the cursor at the end of it; a text with
//     nothing to convert or strip stays as it is, cursor and all, and adds no undo step.
void insertIntoField(QWidget* field, std::string_view code);
std::string gradientIntoField(QWidget* field, std::span<const std::string> colours, std::string_view formats,
                              std::string_view form);
std::string convertField(QWidget* field, std::string_view to);
void stripField(QWidget* field);

}  // namespace ui
