// SPDX-License-Identifier: GPL-2.0-or-later
// Times the panel from outside, as a window manager would see it: a first
// start to its window mapped, a later --toggle start to the panel acting, and
// its idle memory, each beside its floor measured in the same run. Times come
// from X events on the root window and from process exits only.
//
// Runs inside scripts/session.sh, on its private display.

#include "samples.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <xcb/xcb.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace
{
using Clock = std::chrono::steady_clock;

const QByteArray s_panelTitle = QByteArrayLiteral("Nyd search panel");
const QByteArray s_bareTitle = QByteArrayLiteral("Nyd bare widget");
constexpr int s_timeoutMs = 20000;
constexpr double s_mapTargetMs = 150;
constexpr double s_toggleTargetMs = 10;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

struct WindowEvent {
    uint8_t type = 0;
    xcb_window_t window = 0;
    Clock::time_point at;
};

// A client of the display that sees every top-level window mapped or unmapped.
class Display
{
public:
    ~Display()
    {
        if (m_connection) {
            xcb_disconnect(m_connection);
        }
    }

    bool open()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection)) {
            return false;
        }
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
            xcb_request_check(m_connection, xcb_change_window_attributes_checked(m_connection, root, XCB_CW_EVENT_MASK, &mask)),
            &std::free);
        const auto cookie = xcb_intern_atom(m_connection, 0, 12, "_NET_WM_NAME");
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> name(xcb_intern_atom_reply(m_connection, cookie, nullptr), &std::free);
        m_netWmName = name ? name->atom : xcb_atom_t(XCB_ATOM_NONE);
        return !error;
    }

    int fileDescriptor() const
    {
        return xcb_get_file_descriptor(m_connection);
    }

    // Queues what the server has sent so far, stamped with @p at.
    void read(Clock::time_point at)
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            // Synthetic events come from clients, not from the server's own doing.
            const uint8_t type = event->response_type;
            if (type == XCB_MAP_NOTIFY) {
                m_pending.push_back({type, reinterpret_cast<xcb_map_notify_event_t *>(event)->window, at});
            } else if (type == XCB_UNMAP_NOTIFY) {
                m_pending.push_back({type, reinterpret_cast<xcb_unmap_notify_event_t *>(event)->window, at});
            }
            std::free(event);
        }
    }

    bool hasPending() const
    {
        return !m_pending.empty();
    }
    WindowEvent take()
    {
        const WindowEvent event = m_pending.front();
        m_pending.pop_front();
        return event;
    }
    void discardPending()
    {
        read(Clock::now());
        m_pending.clear();
    }

    QByteArray title(xcb_window_t window)
    {
        auto cookie = xcb_get_property(m_connection, 0, window, m_netWmName, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(xcb_get_property_reply(m_connection, cookie, nullptr), &std::free);
        // Events that came with the reply were seen now, not later.
        read(Clock::now());
        return reply ? QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())), xcb_get_property_value_length(reply.get())) : QByteArray();
    }

private:
    xcb_connection_t *m_connection = nullptr;
    xcb_atom_t m_netWmName = XCB_ATOM_NONE;
    std::deque<WindowEvent> m_pending;
};

struct Child {
    pid_t pid = -1;
    int pidfd = -1;
    Clock::time_point started;
    Clock::time_point exited;
    bool hasExited = false;
    int status = 0;
};

// CPU time of every thread of @p pid, in ns.
qint64 cpuTime(pid_t pid)
{
    qint64 total = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    const QStringList threads = QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &thread : threads) {
        QFile file(tasks + QLatin1Char('/') + thread + QStringLiteral("/schedstat"));
        if (file.open(QIODevice::ReadOnly)) {
            total += file.readAll().split(' ').value(0).toLongLong();
        }
    }
    return total;
}

double residentMiB(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const int at = text.indexOf("\nVmRSS:");
    return at < 0 ? 0 : text.mid(at + 7, text.indexOf('\n', at + 1) - at - 7).simplified().split(' ').value(0).toDouble() / 1024;
}

// The socket a panel listens on in @p folder.
QByteArray socketIn(const QByteArray &folder)
{
    const QStringList names = QDir(QString::fromLocal8Bit(folder)).entryList(QDir::System | QDir::Hidden);
    for (const QString &name : names) {
        const QByteArray path = folder + '/' + QFile::encodeName(name);
        struct stat status;
        if (::lstat(path.constData(), &status) == 0 && S_ISSOCK(status.st_mode)) {
            return path;
        }
    }
    return {};
}

// A running panel that later starts toggle.
struct Panel {
    Child child;
    xcb_window_t window = 0;
    bool visible = true;
};

struct Shown {
    Samples mapped;
    Samples residentMiB;
};

class Bench
{
public:
    Bench(const QByteArray &workDir, int log)
        : m_workDir(workDir)
        , m_log(log)
    {
    }

    Display &display()
    {
        return m_display;
    }

    // A folder of its own for a panel's single-instance socket and lock.
    QByteArray newRuntimeDir()
    {
        const QByteArray path = m_workDir + "/runtime-" + QByteArray::number(++m_runtimeDirs);
        ::mkdir(path.constData(), 0700);
        return path;
    }

    bool spawn(Child &child, const QByteArray &program, QList<QByteArray> arguments, const QByteArray &runtimeDir)
    {
        // Read by the child only; this process is done with it.
        qputenv("XDG_RUNTIME_DIR", runtimeDir);
        arguments.prepend(program);
        std::vector<char *> argv;
        for (QByteArray &argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, m_log, 1);
        posix_spawn_file_actions_adddup2(&actions, m_log, 2);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        // A group of its own, so that ending it ends whatever it started.
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);

        child = Child();
        child.started = Clock::now();
        const int error = posix_spawn(&child.pid, program.constData(), &actions, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        if (error != 0) {
            std::fprintf(stderr, "nyd-startup-bench: cannot start %s: %s\n", program.constData(), std::strerror(error));
            child.pid = -1;
            return false;
        }
        child.pidfd = int(::syscall(SYS_pidfd_open, child.pid, 0));
        return true;
    }

    // Sleeps until X events arrive, @p fd is ready or the timeout passes; X
    // events are queued stamped with the moment of waking. True when @p fd is ready.
    bool wait(int fd, int timeoutMs, Clock::time_point *now)
    {
        m_display.read(Clock::now());
        pollfd fds[2] = {{m_display.fileDescriptor(), POLLIN, 0}, {fd, POLLIN, 0}};
        ::poll(fds, 2, m_display.hasPending() ? 0 : std::max(timeoutMs, 0));
        *now = Clock::now();
        m_display.read(*now);
        return fds[1].revents;
    }

    void reap(Child &child, Clock::time_point at)
    {
        ::waitpid(child.pid, &child.status, 0);
        child.exited = at;
        child.hasExited = true;
        ::close(child.pidfd);
    }

    bool waitForExit(Child &child, int timeoutMs)
    {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        Clock::time_point now;
        while (!child.hasExited && Clock::now() < deadline) {
            if (wait(child.pidfd, int(msBetween(Clock::now(), deadline)) + 1, &now)) {
                reap(child, now);
            }
        }
        return child.hasExited;
    }

    void stop(Child &child)
    {
        if (child.pid <= 0 || child.hasExited) {
            return;
        }
        ::kill(-child.pid, SIGTERM);
        if (!waitForExit(child, 3000)) {
            ::kill(-child.pid, SIGKILL);
            waitForExit(child, 3000);
        }
        // Anything the leader left in its group.
        ::kill(-child.pid, SIGKILL);
        m_display.discardPending();
    }

    // Runs @p program until it maps a window titled @p title: the ms that
    // took, or a negative number.
    double startAndWaitForMap(Child &child, const QByteArray &program, const QByteArray &title, xcb_window_t *window)
    {
        m_display.discardPending();
        if (!spawn(child, program, {}, newRuntimeDir())) {
            return -1;
        }
        const Clock::time_point deadline = child.started + std::chrono::milliseconds(s_timeoutMs);
        Clock::time_point now;
        while (Clock::now() < deadline) {
            const bool exited = wait(child.pidfd, int(msBetween(Clock::now(), deadline)) + 1, &now);
            while (m_display.hasPending()) {
                const WindowEvent event = m_display.take();
                if (event.type == XCB_MAP_NOTIFY && m_display.title(event.window) == title) {
                    *window = event.window;
                    return msBetween(child.started, event.at);
                }
            }
            if (exited) {
                reap(child, now);
                std::fprintf(stderr, "nyd-startup-bench: %s ended before it showed its window\n", program.constData());
                return -1;
            }
        }
        std::fprintf(stderr, "nyd-startup-bench: %s showed no window within %d ms\n", program.constData(), s_timeoutMs);
        return -1;
    }

    // Waits until @p child has used no CPU for @p quietMs: its start-up work,
    // painting included, is done and its event loop waits.
    bool waitUntilIdle(const Child &child, int quietMs = 250)
    {
        const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
        qint64 used = cpuTime(child.pid);
        Clock::time_point quietSince = Clock::now();
        Clock::time_point now;
        while (Clock::now() < deadline) {
            wait(-1, 25, &now);
            const qint64 nowUsed = cpuTime(child.pid);
            // Less than a tenth of a millisecond is noise of the kernel's accounting.
            if (nowUsed - used > 100000) {
                used = nowUsed;
                quietSince = now;
            } else if (msBetween(quietSince, now) >= quietMs) {
                return true;
            }
        }
        return false;
    }

    // One first start of @p program: to its window mapped and, once idle, its memory.
    void show(Shown &shown, bool counted, const QByteArray &program, const QByteArray &title)
    {
        Child child;
        xcb_window_t window = 0;
        const double mapped = startAndWaitForMap(child, program, title, &window);
        if (mapped < 0) {
            ++m_failures;
        } else if (waitUntilIdle(child) && counted) {
            shown.mapped.push_back(mapped);
            shown.residentMiB.push_back(residentMiB(child.pid));
        }
        stop(child);
    }

    // One later start of @p command, until the panel's window acted on it and the start ended.
    void toggle(Samples &acted, bool counted, Panel &panel, QList<QByteArray> command)
    {
        m_display.discardPending();
        Child second;
        const QByteArray program = command.takeFirst();
        if (!spawn(second, program, command, qgetenv("XDG_RUNTIME_DIR"))) {
            ++m_failures;
            return;
        }
        const uint8_t expected = panel.visible ? XCB_UNMAP_NOTIFY : XCB_MAP_NOTIFY;
        bool done = false;
        const Clock::time_point deadline = second.started + std::chrono::milliseconds(s_timeoutMs);
        Clock::time_point now;
        while ((!done || !second.hasExited) && Clock::now() < deadline) {
            const bool exited = wait(second.hasExited ? -1 : second.pidfd, int(msBetween(Clock::now(), deadline)) + 1, &now);
            while (m_display.hasPending()) {
                const WindowEvent event = m_display.take();
                if (event.window != panel.window) {
                    continue;
                }
                if (!done && event.type == expected) {
                    done = true;
                    if (counted) {
                        acted.push_back(msBetween(second.started, event.at));
                    }
                } else {
                    // The panel changed by itself, e.g. on losing focus.
                    ++m_strayEvents;
                }
                panel.visible = event.type == XCB_MAP_NOTIFY;
            }
            if (exited) {
                reap(second, now);
            }
        }
        stop(second);
        if (!done || !WIFEXITED(second.status) || WEXITSTATUS(second.status) != 0) {
            ++m_failures;
        }
        waitUntilIdle(panel.child, 150);
    }

    // The number of failed runs.
    int printNotes() const
    {
        if (m_failures || m_strayEvents) {
            std::printf("  %d runs failed and are not counted; the panel mapped or unmapped itself %d times\n", m_failures, m_strayEvents);
        }
        return m_failures;
    }

private:
    Display m_display;
    QByteArray m_workDir;
    int m_log;
    int m_runtimeDirs = 0;
    int m_failures = 0;
    int m_strayEvents = 0;
};
}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({
        {QStringLiteral("runs"), QStringLiteral("Counted runs of each kind (at least 10)."), QStringLiteral("count"), QStringLiteral("15")},
        {QStringLiteral("log"), QStringLiteral("Where the started programs' output goes."), QStringLiteral("file"), QStringLiteral("/dev/null")},
    });
    parser.process(application);
    const int runs = std::max(10, parser.value(QStringLiteral("runs")).toInt());
    const QByteArray panel = QByteArrayLiteral(NYD_PANEL_EXECUTABLE);
    const QByteArray bare = QByteArrayLiteral(NYD_BARE_WIDGET_EXECUTABLE);
    const QByteArray plainClient = QByteArrayLiteral(NYD_SOCKET_CLIENT_EXECUTABLE);

    // Socket paths must stay short, so the work happens in the session's folder.
    const QByteArray workDir = qgetenv("NYD_SESSION_DIR") + "/startup";
    ::mkdir(workDir.constData(), 0700);
    const int log = ::open(QFile::encodeName(parser.value(QStringLiteral("log"))).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    Bench bench(workDir, log);
    if (log < 0 || !bench.display().open()) {
        std::fprintf(stderr, "nyd-startup-bench: cannot watch the X display or write the log\n");
        return 1;
    }

    // In turns, so that drift of the machine touches both alike; the first round warms caches.
    Shown panelShown, bareShown;
    for (int round = -1; round < runs; ++round) {
        bench.show(bareShown, round >= 0, bare, s_bareTitle);
        bench.show(panelShown, round >= 0, panel, s_panelTitle);
    }

    Panel running;
    if (bench.startAndWaitForMap(running.child, panel, s_panelTitle, &running.window) < 0) {
        return 1;
    }
    bench.waitUntilIdle(running.child);
    // What the front sends for a --toggle start: its command line as a JSON array.
    const QList<QByteArray> plainToggle{plainClient, socketIn(qgetenv("XDG_RUNTIME_DIR")), "[\"" + panel + "\",\"--toggle\"]"};
    const QList<QByteArray> panelToggle{panel, QByteArrayLiteral("--toggle")};
    Samples panelToggles, plainToggles;
    // Each kind hides as often as it shows.
    for (int round = -2; round < 2 * runs; ++round) {
        const bool counted = round >= 0;
        if (round % 2 == 0) {
            bench.toggle(panelToggles, counted, running, panelToggle);
        }
        bench.toggle(plainToggles, counted, running, plainToggle);
        if (round % 2 != 0) {
            bench.toggle(panelToggles, counted, running, panelToggle);
        }
    }
    Child quit;
    if (bench.spawn(quit, panel, {QByteArrayLiteral("--quit")}, qgetenv("XDG_RUNTIME_DIR"))) {
        bench.waitForExit(quit, 5000);
    }
    bench.waitForExit(running.child, 5000);

    printTableHeader("Start-up, from outside (X events on the root window, process exits), ms and MiB");
    const double mapped = median(panelShown.mapped);
    printTarget("first start -> window mapped, ms",
                panelShown.mapped,
                "a bare QWidget program's window mapped",
                bareShown.mapped,
                verdict(mapped <= s_mapTargetMs, QByteArray::number(mapped, 'f', 1) + " <= 150 ms"));
    const double above = median(panelToggles) - median(plainToggles);
    printTarget("--toggle start -> panel acted, ms",
                panelToggles,
                "a plain socket client sending the same message, to the panel acted",
                plainToggles,
                verdict(above <= s_toggleTargetMs, QByteArray::number(above, 'f', 1) + " ms above the floor, at most 10"));
    printTarget("idle panel, resident memory, MiB",
                panelShown.residentMiB,
                "the bare QWidget program, idle",
                bareShown.residentMiB,
                QByteArrayLiteral("no target set"));
    QDir(QString::fromLocal8Bit(workDir)).removeRecursively();
    return bench.printNotes() ? 1 : 0;
}
