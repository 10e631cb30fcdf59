// Widget tests run under the offscreen platform with the editor's own style and fonts, and
// with a data folder of their own, so saved templates never reach the user's.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

#include "ui/shell/application.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    const QTemporaryDir data;
    if (!data.isValid()) return 1;
    setenv("XDG_DATA_HOME", data.path().toLocal8Bit().constData(), 1);
    return RUN_ALL_TESTS();
}
