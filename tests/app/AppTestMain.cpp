// The main of the app tests that need an event loop: a graphical application on the offscreen
// platform, so that the clipboard and the application's state exist without a display.
#include <QGuiApplication>

#include <gmock/gmock.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
