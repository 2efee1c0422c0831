#pragma once

#include "tests/support/XvfbServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

// A private X server per test, and xclip as the outside client that reads and writes selections.
class ClipboardOnXvfb : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
            GTEST_SKIP() << "xclip is not installed";
        m_server = std::make_unique<XvfbServer>();
        ASSERT_TRUE(m_server->isReady());
        m_display = m_server->displayName().toLatin1();
        m_c = xcb_connect(m_display.constData(), nullptr);
        ASSERT_EQ(xcb_connection_has_error(m_c), 0);
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, 9, "CLIPBOARD"), nullptr);
        m_clipboard = reply->atom;
        std::free(reply);
    }

    void TearDown() override {
        for (auto& process : m_clients) {
            process->kill();
            process->waitForFinished(3000);
        }
        m_clients.clear();
        if (m_c)
            xcb_disconnect(m_c);
        m_server.reset();
    }

    const QByteArray& display() const { return m_display; }

    xcb_window_t ownerOf(xcb_atom_t selection) {
        xcb_get_selection_owner_reply_t* reply =
            xcb_get_selection_owner_reply(m_c, xcb_get_selection_owner(m_c, selection), nullptr);
        const xcb_window_t owner = reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
        std::free(reply);
        return owner;
    }
    xcb_window_t clipboardOwner() { return ownerOf(m_clipboard); }

    static bool eventually(const std::function<bool()>& condition, int limitMs = 5000) {
        QDeadlineTimer limit(limitMs);
        while (!condition()) {
            if (limit.hasExpired())
                return false;
            QThread::msleep(2);
        }
        return true;
    }

    // `xclip -o -selection clipboard -t target`; nothing when xclip fails.
    std::optional<QByteArray> xclipOut(const QString& target) {
        QProcess process;
        process.setProcessEnvironment(m_server->environment());
        process.start(QStringLiteral("xclip"), {"-o", "-selection", "clipboard", "-t", target});
        if (!process.waitForFinished(20000) || process.exitCode() != 0)
            return std::nullopt;
        return process.readAllStandardOutput();
    }

    QStringList xclipTargets() {
        const std::optional<QByteArray> out = xclipOut(QStringLiteral("TARGETS"));
        return out ? QString::fromUtf8(*out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                   : QStringList();
    }

    // `xclip -i` owning the selection with `data`, as the copying application would.
    void xclipIn(const QByteArray& data, const QString& target = QStringLiteral("UTF8_STRING"),
                 xcb_atom_t selection = XCB_ATOM_NONE) {
        const bool primary = selection == XCB_ATOM_PRIMARY;
        selection = primary ? xcb_atom_t(XCB_ATOM_PRIMARY) : m_clipboard;
        const xcb_window_t before = ownerOf(selection);
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(m_server->environment());
        process->start(QStringLiteral("xclip"), {"-quiet", "-i", "-selection",
                                                 primary ? "primary" : "clipboard", "-t", target});
        ASSERT_TRUE(process->waitForStarted());
        process->write(data);
        // Without an event loop the data leaves only while we wait for it.
        while (process->bytesToWrite() > 0 && process->waitForBytesWritten(5000)) {
        }
        process->closeWriteChannel();
        m_clients.push_back(std::move(process));
        ASSERT_TRUE(eventually([&] {
            const xcb_window_t owner = ownerOf(selection);
            return owner != XCB_WINDOW_NONE && owner != before;
        }));
    }

    std::unique_ptr<XvfbServer> m_server;
    QByteArray m_display;
    xcb_connection_t* m_c = nullptr;
    xcb_atom_t m_clipboard = XCB_ATOM_NONE;
    std::vector<std::unique_ptr<QProcess>> m_clients;
};

// Deterministic filler bytes: every value 0..255 appears, and the data differs per seed.
inline QByteArray patternBytes(qsizetype size, int seed) {
    QByteArray bytes(size, '\0');
    quint32 state = 2463534242u + static_cast<quint32>(seed);
    for (qsizetype i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = static_cast<char>(state & 0xff);
    }
    return bytes;
}

#define VERDOLIN_QT_TEST_MAIN                                                                      \
    int main(int argc, char** argv) {                                                              \
        QCoreApplication application(argc, argv);                                                  \
        ::testing::InitGoogleTest(&argc, argv);                                                    \
        return RUN_ALL_TESTS();                                                                    \
    }
