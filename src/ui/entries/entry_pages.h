// What the "宝石", "元素" and "技能" pages show of the entry they hold: "更新条目" beside the
// page's 完成 or 添加, and a line that says which entry it is, with the entry's lines that the
// page has no field for.
#pragma once

#include <QObject>
#include <map>

class QLabel;
class QPushButton;

namespace ui {

class EntryEditor;
class LiveWindow;
class MainMenu;

class EntryPages : public QObject {
    Q_OBJECT
public:
    EntryPages(EntryEditor& editor, LiveWindow* main, MainMenu& menu);

    // A page's "更新条目" and its line, once the page is built; nullptr before.
    QPushButton* updateButton(int page) const;
    QLabel* statusLine(int page) const;

private:
    struct Bar {
        QPushButton* update = nullptr;
        QLabel* status = nullptr;
    };
    void build(int page);
    void show(int page);
    void showExtras(int page);
    void tell(const QString& message);

    EntryEditor& editor_;
    LiveWindow* main_;
    MainMenu& menu_;
    std::map<int, Bar> bars_;
};

}  // namespace ui
