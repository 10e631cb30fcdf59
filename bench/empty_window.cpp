// The baseline for start-up time and memory: a Qt Widgets program that shows one empty
// window and ends as soon as that window has been painted once. It has the size of the
// editor's main window (1000 x 722, or WIDTH HEIGHT from the command line), so both
// processes fill a back buffer of the same size.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdlib>

namespace {

class EmptyWindow : public QWidget {
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
    const int width = argc > 2 ? std::atoi(argv[1]) : 1000;
    const int height = argc > 2 ? std::atoi(argv[2]) : 722;
    QApplication app(argc, argv);
    EmptyWindow window;
    window.resize(width, height);
    window.show();
    // A platform that never paints the window must not leave the benchmark waiting.
    QTimer::singleShot(30'000, &app, [] { QCoreApplication::exit(3); });
    return app.exec();
}
