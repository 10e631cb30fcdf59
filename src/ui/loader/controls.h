// The widgets that stand for the form's control kinds where Qt's own need a little help:
// a single-line field that keeps one line, the page control whose pages share the control's
// own rectangle, and the picture box that draws one of the program's pictures.
#pragma once

#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QStringList>
#include <QValidator>
#include <QWidget>
#include <vector>

#include "forms/form.h"

class QMenu;
class QTabBar;

namespace ui {

// A single-line field holds one line. A line break that reaches it (pasted, dropped or set)
// would split a command in two on the server, or, inside a YAML block, start a new key, so
// every character that Unicode or YAML takes as a line or paragraph break becomes one blank as
// the text enters the field (CR LF counts as one break).
class SingleLineValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
    static QString oneLine(const QString& text, int* pos = nullptr);
};

// Pastes and drops are made one line before they reach the field, so the paste is one step
// that Ctrl+Z takes back and the typing before it stays undoable; the validator stays as the
// rule for every other way text gets in.
class SingleLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit SingleLineEdit(QWidget* parent);
    // Inserts the clipboard's text (or the X selection's) at the caret, made one line.
    void pasteOneLine(QClipboard::Mode mode = QClipboard::Clipboard);
signals:
    // The context menu, with Qt's standard entries, before it is shown: others add theirs.
    void contextMenuAboutToShow(QMenu* menu);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void closeUndoStep();
};

// A list whose open list is as wide as its longest item, so no name is cut ("PROTECTION_
// EXPLOSIONS"): the box keeps the form's width, the list grows to the right when it opens.
class FormComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    void showPopup() override;
};

// The page control: a row of tabs above a framed pane. Each page is a transparent widget
// covering the whole control, so a control at top 56 sits 56 pixels below the control's
// top edge, exactly where the form puts it, and the tab row stays above the pages.
class PageControl : public QWidget {
    Q_OBJECT
public:
    PageControl(const QStringList& captions, const QFont& tabFont, QWidget* parent);
    int count() const { return static_cast<int>(pages_.size()); }
    int currentIndex() const;
    void setCurrentIndex(int index);
    QWidget* page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    QTabBar* tabBar() const { return tabs_; }

signals:
    // A page is about to be shown: its controls must exist now.
    void aboutToShow(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showPage(int index);
    QTabBar* tabs_;
    std::vector<QWidget*> pages_;
};

// A label whose caption always shows whole. A caption wider than the label would be cut
// off or broken mid-word; such a label keeps its size and its font's height and weight and
// draws the font narrower: a one-line caption stays on one line when a slightly narrower
// font is enough, otherwise it wraps and narrows until every line fits. The caption is
// measured when the label is first shown, so hidden pages cost nothing at start-up.
class CaptionLabel : public QLabel {
public:
    CaptionLabel(const QString& caption, forms::Font font, QWidget* parent);
    // Fits the caption now; the first showing does it otherwise.
    void fitCaption();

protected:
    void showEvent(QShowEvent* event) override;

private:
    forms::Font font_;
    bool fitted_ = false;
};

class PictureBox : public QWidget {
public:
    PictureBox(forms::Picture picture, QWidget* parent);
    // The picture as last drawn, at the screen's device pixel ratio.
    const QPixmap& drawn() const { return cache_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    forms::Picture picture_;
    QPixmap cache_;
};

// A control that the form disables but that stays enabled for Qt (a read-only text that must
// still scroll) carries the form's flag instead.
void setFormDisabled(QWidget* widget);
bool isFormDisabled(const QWidget* widget);

// An EditBox's text with CR LF line ends, whichever widget holds it; the text a combo box shows.
QString editText(const QWidget* edit);
// Replaces an EditBox's text; a single-line field applies its line-break rule. A combo box
// selects the item with that text, or, when editable, shows the text with no item selected.
void setEditText(QWidget* edit, const QString& text);

}  // namespace ui
