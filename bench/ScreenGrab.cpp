// Saves what the X display shows as a PNG, for looking at the screens a test or a run put up.
// Usage: screen_grab FILE.png [WINDOW-ID]
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: screen_grab FILE.png [WINDOW-ID]\n", stderr);
        return 2;
    }
    const WId window = argc > 2 ? QByteArray(argv[2]).toULongLong(nullptr, 0) : 0;
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(window);
    return shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
