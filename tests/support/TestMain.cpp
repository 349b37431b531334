// Test programs run with a QApplication on the offscreen platform, so picture drawing and
// windows work headless.
#include <cstdlib>

#include <gtest/gtest.h>

#include <QApplication>

#include "platform/UiServices.h"

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    vt::quietRuntimeDir();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
