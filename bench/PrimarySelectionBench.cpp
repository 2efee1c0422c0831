// Time per PRIMARY read for real owners (xclip, xterm, a GTK entry, a Qt application) on a
// private Xvfb with openbox. Run by hand: primary_selection_bench [reads per owner]

#include "platform/linux/x11/PrimarySelectionReader.h"
#include "tests/support/XvfbServer.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace {

bool hasPrimaryOwner(const QString& display) {
    xcb_connection_t* connection = xcb_connect(display.toLatin1().constData(), nullptr);
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, XCB_ATOM_PRIMARY), nullptr);
    const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    xcb_disconnect(connection);
    return owned;
}

bool waitForOwner(const QString& display) {
    for (int i = 0; i < 1000 && !hasPrimaryOwner(display); ++i)
        QThread::msleep(10);
    return hasPrimaryOwner(display);
}

struct Stop {
    void operator()(QProcess* process) const {
        process->kill();
        process->waitForFinished(3000);
        delete process;
    }
};
using Client = std::unique_ptr<QProcess, Stop>;

Client startClient(const XvfbServer& server, const QString& program, const QStringList& arguments,
                   const QByteArray& input = {}) {
    Client process(new QProcess);
    QProcessEnvironment environment = server.environment();
    environment.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    process->setProcessEnvironment(environment);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(program, arguments);
    process->waitForStarted(5000);
    if (!input.isNull()) {
        process->write(input);
        while (process->bytesToWrite() > 0 && process->waitForBytesWritten(5000)) {
        }
        process->closeWriteChannel();
    }
    return process;
}

void measure(const char* owner, const QByteArray& display, int reads,
             PrimarySelectionReader::Outcome expected = PrimarySelectionReader::Outcome::text) {
    PrimarySelectionReader reader(display);
    reader.read(); // connects
    std::vector<double> times;
    qsizetype length = -1;
    int failures = 0;
    for (int i = 0; i < reads; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const PrimarySelectionReader::Result result = reader.read();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (result.outcome != expected) {
            ++failures;
            continue;
        }
        length = result.text.size();
        times.push_back(took.count());
    }
    if (times.empty()) {
        std::printf("%-16s no expected answer in %d reads\n", owner, reads);
        return;
    }
    std::sort(times.begin(), times.end());
    const auto at = [&](double q) { return times[static_cast<size_t>(q * (times.size() - 1))]; };
    std::printf("%-16s %5zu reads  %7lld chars  min %.3f  median %.3f  p95 %.3f  max %.3f ms"
                "  (%d failed)\n",
                owner, times.size(), static_cast<long long>(length), times.front(), at(0.5),
                at(0.95), times.back(), failures);
}

// The Qt owner: this program again, owning PRIMARY through QClipboard.
int runQtOwner(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    QGuiApplication::clipboard()->setText(QStringLiteral(u"Grüße from a Qt owner"),
                                          QClipboard::Selection);
    return application.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--qt-owner") == 0)
        return runQtOwner(argc, argv);
    QCoreApplication application(argc, argv);
    const int reads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;

    XvfbServer server;
    if (!server.isReady() || !server.startWindowManager()) {
        std::fprintf(stderr, "no Xvfb with openbox\n");
        return 1;
    }
    const QString name = server.displayName();
    const QByteArray display = name.toLatin1();
    std::vector<Client> clients;

    measure("no owner", display, reads, PrimarySelectionReader::Outcome::noOwner);

    clients.push_back(startClient(
        server, QStringLiteral("xclip"),
        {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("primary")},
        "a short selection of text"));
    if (waitForOwner(name))
        measure("xclip", display, reads);
    clients.push_back(startClient(
        server, QStringLiteral("xclip"),
        {QStringLiteral("-quiet"), QStringLiteral("-selection"), QStringLiteral("primary")},
        QByteArray(3 * 1024 * 1024, 'x')));
    QThread::msleep(300);
    measure("xclip 3 MiB INCR", display, std::max(1, reads / 10));
    clients.clear();

    clients.push_back(startClient(server, QStringLiteral("xterm"),
                                  {QStringLiteral("-geometry"), QStringLiteral("60x5+0+0"),
                                   QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"),
                                   QStringLiteral("echo verdolin; sleep 600")}));
    for (int attempt = 0; attempt < 40 && !hasPrimaryOwner(name); ++attempt) {
        // openbox frames the window: click on the first word through the window itself.
        QProcess click;
        click.setProcessEnvironment(server.environment());
        click.start(QStringLiteral("sh"),
                    {QStringLiteral("-c"),
                     QStringLiteral("w=$(xdotool search --class xterm | head -1) && xdotool "
                                    "mousemove --window $w 20 8 click --repeat 2 --delay 60 1")});
        click.waitForFinished(5000);
        QThread::msleep(300);
    }
    measure("xterm", display, reads);
    clients.clear();

    clients.push_back(startClient(server, QStringLiteral("zenity"),
                                  {QStringLiteral("--entry"), QStringLiteral("--entry-text"),
                                   QStringLiteral("a GTK entry")}));
    if (waitForOwner(name))
        measure("GTK (zenity)", display, reads);
    clients.clear();

    clients.push_back(startClient(server, QCoreApplication::applicationFilePath(),
                                  {QStringLiteral("--qt-owner")}));
    if (waitForOwner(name))
        measure("Qt", display, reads);
    clients.clear();
    return 0;
}
