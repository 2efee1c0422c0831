// A Qt text edit for capture tests: shows the text given as its argument, selects all of it
// and prints "ready" once its window has the keyboard focus. Copies with Ctrl+C as any Qt
// application does.
#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString text = argc > 1 ? QString::fromUtf8(argv[1]) : QStringLiteral("text edit");
    QPlainTextEdit edit;
    edit.setWindowTitle(QStringLiteral("Text edit client"));
    edit.setPlainText(text);
    edit.resize(400, 200);
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    edit.selectAll();
    bool announced = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (announced || !edit.isActiveWindow() || !edit.hasFocus())
            return;
        announced = true;
        std::puts("ready");
        std::fflush(stdout);
    });
    poll.start(10);
    return app.exec();
}
