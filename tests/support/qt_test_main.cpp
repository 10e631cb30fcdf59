// Widget tests run under the offscreen platform with the editor's own style and fonts.
#include <gtest/gtest.h>
#include <QApplication>
#include <cstdlib>

#include "ui/application.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    return RUN_ALL_TESTS();
}
