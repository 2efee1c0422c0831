#pragma once

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <sys/prctl.h>
#include <xcb/xcb.h>

// A private X server (Xvfb) for one test, optionally with a window manager, so that tests that
// own selections or grab keys never meet each other's clients. Tests run in parallel, so each
// server takes the first free display number from 90 on.
class XvfbServer {
public:
    // `extraArguments` go to Xvfb as they are ("-extension", "RECORD" to go without one).
    explicit XvfbServer(const QStringList& extraArguments = {}) {
        for (int number = 90; number < 190 && !m_ready; ++number) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
                continue;
            auto server = std::make_unique<QProcess>();
            server->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            // A test that crashes must not leave its server behind: ctest would wait for it.
            server->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
            server->start(QStringLiteral("Xvfb"),
                          QStringList{QStringLiteral(":%1").arg(number), QStringLiteral("-screen"),
                                      QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                                      QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                      QStringLiteral("-noreset")}
                              + extraArguments);
            if (!server->waitForStarted(5000))
                continue;
            const QString name = QStringLiteral(":%1").arg(number);
            // The server is up once a client can connect; it exits at once when the number
            // was taken after all.
            QDeadlineTimer limit(10000);
            while (!limit.hasExpired() && server->state() == QProcess::Running) {
                xcb_connection_t* connection = xcb_connect(name.toLatin1().constData(), nullptr);
                const bool connected = xcb_connection_has_error(connection) == 0;
                xcb_disconnect(connection);
                // Two tests may start on the same number at once: only the server whose lock
                // file names our own child is ours; the other one exits.
                if (connected && ownsLock(number, server->processId())) {
                    m_ready = true;
                    break;
                }
                QThread::msleep(10);
            }
            if (m_ready) {
                m_name = name;
                m_server = std::move(server);
            } else {
                server->kill();
                server->waitForFinished(2000);
            }
        }
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
    // ":90" and so on.
    QString displayName() const { return m_name; }

    // The environment for a client of this server.
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
        int screenNumber = 0;
        xcb_connection_t* connection = xcb_connect(m_name.toLatin1().constData(), &screenNumber);
        if (xcb_connection_has_error(connection)) {
            xcb_disconnect(connection);
            return false;
        }
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screenNumber; ++i)
            xcb_screen_next(&screens);
        const xcb_window_t root = screens.data->root;
        static const char checkName[] = "_NET_SUPPORTING_WM_CHECK";
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, sizeof checkName - 1, checkName), nullptr);
        const xcb_atom_t check = atom ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(atom);
        bool managed = false;
        QDeadlineTimer limit(10000);
        while (!managed && check != XCB_ATOM_NONE && !limit.hasExpired()) {
            xcb_get_property_reply_t* reply = xcb_get_property_reply(
                connection,
                xcb_get_property(connection, 0, root, check, XCB_GET_PROPERTY_TYPE_ANY, 0, 1),
                nullptr);
            managed = reply && reply->type != XCB_ATOM_NONE;
            std::free(reply);
            if (!managed)
                QThread::msleep(20);
        }
        xcb_disconnect(connection);
        return managed;
    }

private:
    static bool ownsLock(int number, qint64 pid) {
        QFile lock(QStringLiteral("/tmp/.X%1-lock").arg(number));
        if (!lock.open(QIODevice::ReadOnly))
            return false;
        return lock.readAll().trimmed().toLongLong() == pid;
    }

    bool m_ready = false;
    QString m_name;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_windowManager;
};
