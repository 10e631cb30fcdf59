// One loaded window: the widgets made from a form::Window, reachable by unit index, id or name.
#pragma once

#include <QHash>
#include <QWidget>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "forms/form.h"

namespace ui {

class PageControl;

class LiveWindow : public QWidget {
    Q_OBJECT
public:
    explicit LiveWindow(const forms::Window& form);

    const forms::Window& form() const { return form_; }
    std::uint32_t id() const { return form_.id; }

    // The live control of a unit, or nullptr.
    QWidget* control(int unitIndex) const;
    QWidget* controlById(std::uint32_t unitId) const;
    QWidget* controlByName(std::string_view name) const;
    int unitIndex(std::string_view name) const;
    int unitIndexById(std::uint32_t unitId) const;
    PageControl* pageControl() const { return pageControl_; }

    // Brings the outer size to the form's where the window frame allows it, keeping the
    // client area large enough for every control.
    void fitToForm();

signals:
    // A button bound to a handler was clicked.
    void buttonClicked(int unitIndex);
    // The window was closed; it is destroyed when control returns to the event loop.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* create(int index);
    QWidget* containerOf(const forms::Unit& unit) const;
    void setReadingTabOrder();
    void nameFieldsByTheirLabels();
    QSize controlsExtent() const;

    const forms::Window& form_;
    std::vector<QWidget*> widgets_;
    std::unordered_map<std::string_view, int> byName_;
    QHash<std::uint32_t, int> byId_;
    PageControl* pageControl_ = nullptr;
    bool fitted_ = false;
};

}  // namespace ui
