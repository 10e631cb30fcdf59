// The whole-gem preview of the "宝石" page: a small window, opened with the "宝石预览" button
// above the "宝石制作" group, that shows the gem as the game will: the display name and every
// lore line of the block the page builds now (the fixed lines with the 种类 text) and the
// lines added after the last gem block with "添加", in the game's tooltip look. It follows
// the fields and the configuration panel as they change. It belongs to its page (gone while
// another page shows, back on return), closes on Esc, and stands where it covers no panel. In the automation interface
// it is the unit 预览框1 of the main window.
#pragma once

#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/format.h"

class QLabel;

namespace actions {
struct Item;
}

namespace ui {

class LiveWindow;
class TooltipView;

inline constexpr std::string_view kGemPreviewName = "预览框1";

class GemPreview : public QWidget {
    Q_OBJECT
public:
    explicit GemPreview(LiveWindow* main);

    // The gem as the page and the configuration panel hold it now.
    static actions::Item gemOf(LiveWindow& main);
    // The gem the preview shows: the entry the page holds, when it holds one (its own lore lines
    // and the page's values), else gemOf.
    actions::Item gem() const;
    // Where the lines of the gem entry the page holds come from (the entries room), as the
    // server would read the entry after "更新条目"; nullopt while the page holds none.
    using EntryLines = std::function<std::optional<std::string>()>;
    void setEntryLines(EntryLines lines);
    // Draws the gem again on the next turn of the event loop.
    void refreshSoon();
    static std::vector<text::Line> linesOf(const actions::Item& item);

    TooltipView* view() const { return view_; }
    // The page the preview belongs to, and its button's page of the main window.
    static int gemPage(const LiveWindow& main);
    // The button that opens and closes the window, once its page is built.
    QPushButton* toggle() const { return toggle_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Esc closes the window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void addToggle(int page);
    void watchFields();
    void refresh();
    void place();

    LiveWindow* main_;
    TooltipView* view_;
    QLabel* note_;
    QPointer<QPushButton> toggle_;
    QTimer pending_;
    EntryLines entryLines_;
    bool watching_ = false;
    bool placed_ = false;
    bool leftWithPage_ = false;  // hidden because the user left the page: back on return
};

}  // namespace ui
