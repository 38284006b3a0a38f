#include <QApplication>
#include <gtest/gtest.h>

// Widgets, menus and fonts need an application object; tests run it on the
// offscreen platform so that no display is needed.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
