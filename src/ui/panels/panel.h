// What the editor does with an output panel's text: append a built line at the very end, copy
// the whole text with CR LF line ends, clear it (remembered for "撤销清空"), replace it.
#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace ui {

// Appends at the very end, whatever the user selected; the caret ends after the new text,
// which is scrolled into view. The append cannot be undone.
void appendToPanel(QPlainTextEdit* panel, const QString& text);

// The panel's whole text with CR LF line ends, exactly as the builders wrote them.
QString panelText(const QPlainTextEdit* panel);

// The panel's text with "\n" line ends, exactly as it stands.
QString panelLfText(const QPlainTextEdit* panel);

// Puts the whole text on the clipboard as plain text; an empty panel leaves the clipboard as
// it is. Returns the text copied (empty for an empty panel).
QString copyPanel(const QPlainTextEdit* panel);
// The clipboard format that marks a copy copyPanel made (一键复制).
inline constexpr const char* kPanelCopyFormat = "application/x-quorvel-panel-copy";

// Empties the panel; its memory (if any) keeps the text for "撤销清空". Clearing an empty
// panel keeps the earlier memory, so a second click cannot lose the first one's text.
void clearPanel(QPlainTextEdit* panel);

// Replaces the whole text at once, as opening a file does; not undoable, like an append.
void replacePanelText(QPlainTextEdit* panel, const QString& text);
// The same as one step of the panel's undo history (a file reloaded: Ctrl+Z brings back the
// text it replaced). The panel counts as unmodified afterwards.
void replacePanelTextUndoably(QPlainTextEdit* panel, const QString& text);

}  // namespace ui
