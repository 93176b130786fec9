// Entry of the GUI tests: the real widgets on Qt's offscreen platform, so the
// tests run without a display (as CI does) and can still grab screenshots.
#include <gtest/gtest.h>
#include <QApplication>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
