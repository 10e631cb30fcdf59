// The colour tool: a small window beside a name or lore field. The game's sixteen colours,
// any hex colour, the formats and the reset insert their code at the field's cursor, or in
// front of the selected text; a gradient of two or more stops colours the selected text, or
// the whole field; the whole field converts between the two hex forms or loses every code.
// Each change is one undo step of the field, which the field's preview follows as it changes.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QColorDialog;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QRadioButton;

namespace ui {

class GradientBar;
class SwatchButton;

class ColourTool : public QWidget {
    Q_OBJECT
public:
    // A tool window of the window that holds the fields.
    explicit ColourTool(QWidget* window);

    // Works on the field from now on and shows the tool beside it, active, its first swatch
    // focused. The field and the widgets in keepClear (the field's preview) stay uncovered.
    void openFor(QWidget* field, const std::vector<QWidget*>& keepClear);
    // Works on another field without taking the focus; placed anew only when it would cover
    // the field or keepClear.
    void follow(QWidget* field, const std::vector<QWidget*>& keepClear);
    QWidget* field() const { return field_.data(); }

    // The hex form the tool writes for hex colours and gradients: "x" (the default) or "hash".
    std::string hexForm() const;
    void setHexForm(bool hash);
    // The gradient's stops as "#rrggbb", two or more.
    std::vector<std::string> stops() const;
    void setStops(const std::vector<std::uint32_t>& stops);
    // The formats the gradient keeps, as letters among l o n m k.
    std::string keptFormats() const;
    // What the tool said last: what it did, or why it did nothing.
    QString status() const;

    // The buttons and boxes of the tool, for the keyboard and for tests.
    const std::vector<SwatchButton*>& swatches() const { return swatches_; }
    const std::vector<QPushButton*>& formatButtons() const { return formats_; }
    QPushButton* customColourButton() const { return custom_; }
    const std::vector<SwatchButton*>& stopButtons() const { return stopButtons_; }
    QPushButton* addStopButton() const { return addStop_; }
    QPushButton* removeStopButton() const { return removeStop_; }
    const std::vector<QCheckBox*>& keepBoxes() const { return keep_; }
    QPushButton* gradientButton() const { return applyGradient_; }
    QPushButton* convertButton(bool toHash) const { return toHash ? toHash_ : toX_; }
    QPushButton* stripButton() const { return strip_; }
    // The colour dialog of a custom colour or a stop, while it is open (made on first use).
    QColorDialog* colourDialog();

    // Where a tool window of the given size (its frame included) goes on the screen: beside
    // the first rectangle of keepClear (the field), on its right, left, below or above, the
    // first place that lies on the screen and covers none of keepClear; failing that, the
    // place on the screen that covers the least of the field, then of the rest.
    static QRect placeBeside(QSize frame, const QRect& screen, const std::vector<QRect>& keepClear);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    // A preview kept clear that shows, moves or grows over the tool moves the tool; the
    // field's page shown or hidden enables or disables the tool.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    QWidget* buildColours();
    QWidget* buildFormats();
    QWidget* buildGradient();
    QWidget* buildWholeField();
    void insert(const std::string& code);
    void gradient();
    void convert(bool toHash);
    void strip();
    void pickColour(const QColor& start, std::function<void(QColor)> picked);
    void showStops();
    // The field is there to work on: shown, enabled and not read-only.
    bool usable() const;
    void refreshState();
    void place();
    void setStatus(const QString& text);
    std::vector<QRect> keepClearRects() const;

    QPointer<QWidget> field_;
    std::vector<QPointer<QWidget>> keepClear_;
    QLabel* target_ = nullptr;
    std::vector<SwatchButton*> swatches_;
    std::vector<QPushButton*> formats_;
    QPushButton* custom_ = nullptr;
    QRadioButton* xForm_ = nullptr;
    QRadioButton* hashForm_ = nullptr;
    std::vector<std::uint32_t> stops_;
    QHBoxLayout* stopRow_ = nullptr;
    std::vector<SwatchButton*> stopButtons_;
    QPushButton* addStop_ = nullptr;
    QPushButton* removeStop_ = nullptr;
    GradientBar* bar_ = nullptr;
    std::vector<QCheckBox*> keep_;
    QPushButton* applyGradient_ = nullptr;
    QPushButton* toX_ = nullptr;
    QPushButton* toHash_ = nullptr;
    QPushButton* strip_ = nullptr;
    QLabel* status_ = nullptr;
    QColorDialog* dialog_ = nullptr;
    std::function<void(QColor)> picked_;
    QMetaObject::Connection fieldChanges_;
};

}  // namespace ui
