// The button tests need a widget application; they run on the offscreen platform, where the
// pointer can be placed with QCursor::setPos and QApplication::widgetAt finds the widget under it.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
