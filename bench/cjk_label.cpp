// The floor for start-up time and memory that every window with Chinese text pays: a Qt
// Widgets program that shows one label of Chinese text in the editor's own font (the same
// CJK family, size and style, through the editor's own start-up) in a window the size of the
// editor's, and ends as soon as that window has been painted once.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include "ui/shell/application.h"

namespace {

class LabelWindow : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        if (painted_) return;
        painted_ = true;
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

private:
    bool painted_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    LabelWindow window;
    auto* label = new QLabel(QStringLiteral("颜色字符和变量字符等字符请自行在编辑框/配置文件中添加"), &window);
    label->move(16, 16);
    window.resize(1000, 722);
    window.show();
    // A platform that never paints the window must not leave the benchmark waiting.
    QTimer::singleShot(30'000, &app, [] { QCoreApplication::exit(3); });
    return app.exec();
}
