#pragma once

#include "platform/linux/x11/XcbSelection.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

// A private X server (Xvfb) for one test, optionally with a window manager, so that tests that
// own selections or grab keys never meet each other's clients.
class XvfbServer {
public:
    // `extraArguments` go to Xvfb as they are ("-extension", "RECORD" to go without one).
    explicit XvfbServer(const QStringList& extraArguments = {}) {
        // Xvfb picks a free display number itself and writes it to the -displayfd pipe once it
        // accepts clients: no number races between parallel tests, and no client of ours has to
        // knock before the server is ready (a server without XFIXES may abort when one leaves).
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0)
            return;
        const int writeEnd = ready[1];
        auto server = std::make_unique<QProcess>();
        server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server->setChildProcessModifier([writeEnd] {
            // A test that crashes must not leave its server behind: ctest would wait for it.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            // Only Xvfb inherits the write end, under the number it has here.
            ::fcntl(writeEnd, F_SETFD, 0);
        });
        server->start(QStringLiteral("Xvfb"),
                      QStringList{QStringLiteral("-displayfd"), QString::number(writeEnd),
                                  QStringLiteral("-screen"), QStringLiteral("0"),
                                  QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                  QStringLiteral("tcp"), QStringLiteral("-noreset")}
                          + extraArguments);
        ::close(writeEnd);
        const bool started = server->waitForStarted(5000);
        QByteArray number;
        QDeadlineTimer limit(20000);
        while (started && !number.endsWith('\n') && !limit.hasExpired()) {
            pollfd readable{ready[0], POLLIN, 0};
            if (::poll(&readable, 1, static_cast<int>(limit.remainingTime())) <= 0)
                break;
            char buffer[16];
            const ssize_t got = ::read(ready[0], buffer, sizeof buffer);
            if (got <= 0)
                break; // the server exited before it was ready
            number.append(buffer, got);
        }
        ::close(ready[0]);
        bool isNumber = false;
        number.trimmed().toInt(&isNumber);
        if (!isNumber) {
            server->kill();
            server->waitForFinished(2000);
            return;
        }
        m_ready = true;
        m_name = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
        m_server = std::move(server);
    }

    ~XvfbServer() {
        for (QProcess* process : {m_windowManager.get(), m_server.get()}) {
            if (!process)
                continue;
            process->terminate();
            if (!process->waitForFinished(3000)) {
                process->kill();
                process->waitForFinished(3000);
            }
        }
    }

    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool isReady() const { return m_ready; }
    // False once the server has exited, whatever the reason.
    bool isRunning() const {
        return m_server && !m_server->waitForFinished(0) && m_server->state() == QProcess::Running;
    }
    QString displayName() const { return m_name; }

    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_name);
        return environment;
    }

    // Starts openbox on this server and waits until it manages windows (it then sets
    // _NET_SUPPORTING_WM_CHECK on the root window).
    bool startWindowManager() {
        m_windowManager = std::make_unique<QProcess>();
        m_windowManager->setProcessEnvironment(environment());
        m_windowManager->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_windowManager->start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        if (!m_windowManager->waitForStarted(5000))
            return false;
        xcb_window_t root = XCB_WINDOW_NONE;
        const XcbSelection::Connection connection = XcbSelection::connect(m_name.toLatin1(), &root);
        if (!connection)
            return false;
        xcb_connection_t* c = connection.get();
        const xcb_atom_t check = XcbSelection::atom(c, "_NET_SUPPORTING_WM_CHECK");
        if (check == XCB_ATOM_NONE)
            return false;
        // Told of every property change on the root window before the first look, so that the
        // window manager's check cannot slip between the look and the wait.
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
        for (QDeadlineTimer limit(10000);;) {
            const XcbSelection::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
                c, xcb_get_property(c, 0, root, check, XCB_GET_PROPERTY_TYPE_ANY, 0, 1), nullptr));
            if (reply && reply->type != XCB_ATOM_NONE)
                return true;
            // Any event is a property change of the root window: look again.
            if (!XcbSelection::waitForEvent(c, limit))
                return false;
        }
    }

private:
    bool m_ready = false;
    QString m_name;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_windowManager;
};
