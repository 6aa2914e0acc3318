// SPDX-License-Identifier: GPL-2.0-or-later
// Times the panel from outside, as a window manager would see it: first start
// to its window mapped, a later --toggle start to the panel acting on it, and
// its idle memory, beside floors measured in the same run. Each figure comes
// from X events on the root window and from the exit of processes started
// here; nothing inside the panel is timed.
//
// Meant to run inside scripts/session.sh, on its private display.

#include <QByteArray>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <xcb/xcb.h>

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace
{
using Clock = std::chrono::steady_clock;

const QByteArray s_panelTitle = QByteArrayLiteral("Nyd search panel");
const QByteArray s_bareTitle = QByteArrayLiteral("Nyd bare widget");
constexpr char AckByte = '\x06';
constexpr int StartTimeoutMs = 20000;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

class Samples
{
public:
    void add(double value)
    {
        m_values.push_back(value);
    }
    bool isEmpty() const
    {
        return m_values.empty();
    }
    int count() const
    {
        return int(m_values.size());
    }
    double median() const
    {
        if (m_values.empty()) {
            return 0;
        }
        std::vector<double> sorted = m_values;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t middle = sorted.size() / 2;
        return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }
    double min() const
    {
        return m_values.empty() ? 0 : *std::min_element(m_values.begin(), m_values.end());
    }
    double max() const
    {
        return m_values.empty() ? 0 : *std::max_element(m_values.begin(), m_values.end());
    }

private:
    std::vector<double> m_values;
};

struct WindowEvent {
    uint8_t type = 0;
    xcb_window_t window = 0;
    bool synthetic = false;
    Clock::time_point at;
};

// A client of the display that sees every top-level window come and go.
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
        const xcb_setup_t *setup = xcb_get_setup(m_connection);
        m_idMask = setup->resource_id_mask;
        m_root = xcb_setup_roots_iterator(setup).data->root;

        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
            xcb_request_check(m_connection, xcb_change_window_attributes_checked(m_connection, m_root, XCB_CW_EVENT_MASK, &mask)),
            &std::free);
        if (error) {
            return false;
        }
        m_netWmName = atom("_NET_WM_NAME");
        m_netWmPid = atom("_NET_WM_PID");
        return true;
    }

    int fileDescriptor() const
    {
        return xcb_get_file_descriptor(m_connection);
    }

    // Queues what the server has sent so far, stamped with @p at.
    void read(Clock::time_point at)
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            WindowEvent queued;
            queued.type = event->response_type & 0x7f;
            queued.synthetic = event->response_type & 0x80;
            queued.at = at;
            switch (queued.type) {
            case XCB_CREATE_NOTIFY:
                queued.window = reinterpret_cast<xcb_create_notify_event_t *>(event)->window;
                break;
            case XCB_MAP_NOTIFY:
                queued.window = reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
                break;
            case XCB_UNMAP_NOTIFY:
                queued.window = reinterpret_cast<xcb_unmap_notify_event_t *>(event)->window;
                break;
            case XCB_DESTROY_NOTIFY:
                queued.window = reinterpret_cast<xcb_destroy_notify_event_t *>(event)->window;
                break;
            default:
                queued.type = 0;
                break;
            }
            std::free(event);
            if (queued.type) {
                m_pending.push_back(queued);
            }
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
        QByteArray name = property(window, m_netWmName);
        if (name.isEmpty()) {
            name = property(window, XCB_ATOM_WM_NAME);
        }
        return name;
    }

    pid_t pid(xcb_window_t window)
    {
        const QByteArray value = property(window, m_netWmPid);
        uint32_t pid = 0;
        if (value.size() == int(sizeof(pid))) {
            std::memcpy(&pid, value.constData(), sizeof(pid));
        }
        return pid_t(pid);
    }

    // Windows of one client share the bits above the server's id mask.
    uint32_t client(xcb_window_t window) const
    {
        return window & ~m_idMask;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        auto cookie = xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name);
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(xcb_intern_atom_reply(m_connection, cookie, nullptr), &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    QByteArray property(xcb_window_t window, xcb_atom_t name)
    {
        auto cookie = xcb_get_property(m_connection, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(xcb_get_property_reply(m_connection, cookie, nullptr), &std::free);
        // Events that came with the reply were seen now, not later.
        read(Clock::now());
        if (!reply) {
            return {};
        }
        return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())), xcb_get_property_value_length(reply.get()));
    }

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
    uint32_t m_idMask = 0;
    xcb_atom_t m_netWmName = XCB_ATOM_NONE;
    xcb_atom_t m_netWmPid = XCB_ATOM_NONE;
    std::deque<WindowEvent> m_pending;
};

struct Child {
    pid_t pid = -1;
    int pidfd = -1;
    Clock::time_point started;
    Clock::time_point exited;
    bool hasExited = false;
    int status = 0;
    double userMs = 0;
    double systemMs = 0;
    long minorFaults = 0;
};

struct Memory {
    double rss = 0;
    double anon = 0;
    double file = 0;
    double pss = 0;
};

// Start of a process that shows a window: where the time went, as seen from
// the display.
struct StartTimes {
    bool ok = false;
    xcb_window_t window = 0;
    double firstWindow = 0; // the toolkit's first window of this client
    double created = 0; // the shown window itself
    double mapped = 0;
    double cpu = 0; // user and system time of all its threads up to the map
};

struct ForwardTimes {
    bool ok = false;
    double received = 0;
    double exited = 0;
    double cpu = 0; // user and system time of the client
    double system = 0;
    double faults = 0;
};

QByteArray frame(const QByteArray &payload)
{
    QByteArray bytes(4, '\0');
    const quint32 size = quint32(payload.size());
    bytes[0] = char((size >> 24) & 0xff);
    bytes[1] = char((size >> 16) & 0xff);
    bytes[2] = char((size >> 8) & 0xff);
    bytes[3] = char(size & 0xff);
    return bytes + payload;
}

int listenOn(const QByteArray &path)
{
    ::unlink(path.constData());
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= int(sizeof(address.sun_path))) {
        return -1;
    }
    std::memcpy(address.sun_path, path.constData(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0 || ::listen(fd, 16) != 0) {
        return -1;
    }
    return fd;
}

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

double kilobytes(const QByteArray &text, const QByteArray &key)
{
    const QList<QByteArray> lines = text.split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(key)) {
            return line.mid(key.size()).simplified().split(' ').value(0).toDouble();
        }
    }
    return 0;
}

Memory memoryOf(pid_t pid)
{
    Memory memory;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        const QByteArray text = status.readAll();
        memory.rss = kilobytes(text, "VmRSS:");
        memory.anon = kilobytes(text, "RssAnon:");
        memory.file = kilobytes(text, "RssFile:");
    }
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (rollup.open(QIODevice::ReadOnly)) {
        memory.pss = kilobytes(rollup.readAll(), "Pss:");
    }
    return memory;
}

// The dynamic loader counts in time-stamp-counter cycles; this many make a ms.
double cyclesPerMs()
{
#if defined(__x86_64__) || defined(__i386__)
    const Clock::time_point start = Clock::now();
    const quint64 startCycles = __rdtsc();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const quint64 endCycles = __rdtsc();
    return double(endCycles - startCycles) / msBetween(start, Clock::now());
#else
    return 0;
#endif
}

struct LoaderTimes {
    bool ok = false;
    double total = 0; // cycles
    double relocation = 0;
    double loading = 0;
    int objects = 0;
};

// What happened before main(), summed over the blocks of LD_DEBUG=statistics:
// one for each program the process ran, as the front that becomes the panel.
LoaderTimes loaderTimes(const QByteArray &text)
{
    LoaderTimes times;
    const QList<QByteArray> lines = text.split('\n');
    const auto cycles = [](const QByteArray &line) {
        return line.mid(line.indexOf(':', line.indexOf("time")) + 1).simplified().split(' ').value(0).toDouble();
    };
    for (const QByteArray &line : lines) {
        if (line.contains("total startup time in dynamic loader:")) {
            times.ok = true;
            times.total += cycles(line);
        } else if (line.contains("time needed for relocation:")) {
            times.relocation += cycles(line);
        } else if (line.contains("time needed to load objects:")) {
            times.loading += cycles(line);
        }
    }
    return times;
}

class Bench
{
public:
    explicit Bench(const QByteArray &workDir)
        : m_workDir(workDir)
    {
    }

    bool open()
    {
        if (!m_display.open()) {
            std::fprintf(stderr, "nyd-startup-bench: cannot watch the X display %s\n", qgetenv("DISPLAY").constData());
            return false;
        }
        m_logPath = m_workDir + "/children.log";
        m_log = ::open(m_logPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        return m_log >= 0;
    }

    ~Bench()
    {
        // stop() takes each one off the list.
        const std::vector<Child *> running = m_running;
        for (Child *child : running) {
            stop(*child);
        }
        if (m_log >= 0) {
            ::close(m_log);
        }
    }

    int runtimeDirCount() const
    {
        return m_runtimeDirs;
    }

    // A folder of its own for the single-instance socket and lock.
    QByteArray newRuntimeDir()
    {
        const QByteArray path = m_workDir + "/runtime-" + QByteArray::number(++m_runtimeDirs);
        ::mkdir(path.constData(), 0700);
        ::chmod(path.constData(), 0700);
        return path;
    }

    // @p extraEnvironment holds NAME=value entries that replace ours.
    bool spawn(Child &child,
               const QByteArray &program,
               const QList<QByteArray> &arguments,
               const QByteArray &runtimeDir,
               const QList<QByteArray> &extraEnvironment = {})
    {
        QList<QByteArray> replaced = extraEnvironment;
        replaced.append("XDG_RUNTIME_DIR=" + runtimeDir);
        std::vector<QByteArray> environment;
        for (char **variable = environ; *variable; ++variable) {
            const QByteArray entry(*variable);
            const QByteArray name = entry.left(entry.indexOf('=') + 1);
            const bool isReplaced = std::any_of(replaced.cbegin(), replaced.cend(), [&name](const QByteArray &other) {
                return other.startsWith(name);
            });
            if (!isReplaced) {
                environment.push_back(entry);
            }
        }
        for (const QByteArray &entry : std::as_const(replaced)) {
            environment.push_back(entry);
        }
        std::vector<char *> envp;
        for (QByteArray &variable : environment) {
            envp.push_back(variable.data());
        }
        envp.push_back(nullptr);

        QList<QByteArray> argumentBytes = arguments;
        argumentBytes.prepend(program);
        std::vector<char *> argv;
        for (QByteArray &argument : argumentBytes) {
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
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);

        child = Child();
        child.started = Clock::now();
        const int error = posix_spawn(&child.pid, program.constData(), &actions, &attributes, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        if (error != 0) {
            std::fprintf(stderr, "nyd-startup-bench: cannot start %s: %s\n", program.constData(), std::strerror(error));
            child.pid = -1;
            return false;
        }
        child.pidfd = int(::syscall(SYS_pidfd_open, child.pid, 0));
        m_running.push_back(&child);
        return true;
    }

    // Sleeps until X events arrive, one of @p fds is ready or the timeout
    // passes; X events are queued stamped with the moment of waking.
    Clock::time_point wait(std::vector<pollfd> &fds, int timeoutMs)
    {
        m_display.read(Clock::now());
        std::vector<pollfd> all;
        all.push_back({m_display.fileDescriptor(), POLLIN, 0});
        all.insert(all.end(), fds.begin(), fds.end());
        ::poll(all.data(), nfds_t(all.size()), m_display.hasPending() ? 0 : std::max(timeoutMs, 0));
        const Clock::time_point now = Clock::now();
        m_display.read(now);
        for (std::size_t i = 0; i < fds.size(); ++i) {
            fds[i].revents = all[i + 1].revents;
        }
        return now;
    }

    void reap(Child &child, Clock::time_point at)
    {
        if (child.hasExited) {
            return;
        }
        struct rusage usage = {};
        ::wait4(child.pid, &child.status, 0, &usage);
        child.userMs = usage.ru_utime.tv_sec * 1000.0 + usage.ru_utime.tv_usec / 1000.0;
        child.systemMs = usage.ru_stime.tv_sec * 1000.0 + usage.ru_stime.tv_usec / 1000.0;
        child.minorFaults = usage.ru_minflt;
        child.exited = at;
        child.hasExited = true;
        ::close(child.pidfd);
        child.pidfd = -1;
        m_running.erase(std::remove(m_running.begin(), m_running.end(), &child), m_running.end());
    }

    bool waitForExit(Child &child, int timeoutMs)
    {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!child.hasExited && Clock::now() < deadline) {
            std::vector<pollfd> fds{{child.pidfd, POLLIN, 0}};
            const Clock::time_point now = wait(fds, int(msBetween(Clock::now(), deadline)) + 1);
            if (fds[0].revents) {
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

    // Runs @p program until it maps a window titled @p title.
    StartTimes startAndWaitForMap(Child &child,
                                  const QByteArray &program,
                                  const QList<QByteArray> &arguments,
                                  const QByteArray &title,
                                  const QList<QByteArray> &extraEnvironment = {})
    {
        StartTimes times;
        m_display.discardPending();
        if (!spawn(child, program, arguments, newRuntimeDir(), extraEnvironment)) {
            return times;
        }
        std::vector<WindowEvent> created;
        const Clock::time_point deadline = child.started + std::chrono::milliseconds(StartTimeoutMs);
        while (Clock::now() < deadline) {
            std::vector<pollfd> fds{{child.pidfd, POLLIN, 0}};
            const Clock::time_point now = wait(fds, int(msBetween(Clock::now(), deadline)) + 1);
            while (m_display.hasPending()) {
                const WindowEvent event = m_display.take();
                if (event.type == XCB_CREATE_NOTIFY) {
                    created.push_back(event);
                    continue;
                }
                if (event.type != XCB_MAP_NOTIFY || event.synthetic || m_display.title(event.window) != title) {
                    continue;
                }
                const pid_t owner = m_display.pid(event.window);
                if (owner != 0 && owner != child.pid) {
                    continue;
                }
                times.ok = true;
                times.cpu = cpuTime(child.pid) / 1e6;
                times.window = event.window;
                times.mapped = msBetween(child.started, event.at);
                times.firstWindow = times.created = times.mapped;
                bool first = true;
                for (const WindowEvent &creation : created) {
                    if (m_display.client(creation.window) != m_display.client(event.window)) {
                        continue;
                    }
                    if (first) {
                        times.firstWindow = msBetween(child.started, creation.at);
                        first = false;
                    }
                    if (creation.window == event.window) {
                        times.created = msBetween(child.started, creation.at);
                    }
                }
                return times;
            }
            if (fds[0].revents) {
                reap(child, now);
                std::fprintf(stderr, "nyd-startup-bench: %s ended before it showed its window (status %d)\n", program.constData(), child.status);
                return times;
            }
        }
        std::fprintf(stderr, "nyd-startup-bench: %s showed no window within %d ms\n", program.constData(), StartTimeoutMs);
        return times;
    }

    // Waits until @p child has used no CPU for @p quietMs: its start-up work,
    // painting included, is done and its event loop waits.
    bool waitUntilIdle(const Child &child, int quietMs = 250, int timeoutMs = 10000)
    {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        qint64 used = cpuTime(child.pid);
        Clock::time_point quietSince = Clock::now();
        while (Clock::now() < deadline) {
            std::vector<pollfd> none;
            const Clock::time_point now = wait(none, 25);
            const qint64 nowUsed = cpuTime(child.pid);
            // Reading /proc costs the process nothing; less than a tenth of
            // a millisecond is noise of the kernel's accounting.
            if (nowUsed - used > 100000) {
                used = nowUsed;
                quietSince = now;
            } else if (msBetween(quietSince, now) >= quietMs) {
                return true;
            }
        }
        return false;
    }

    // Runs one forwarding client against @p listenFd, answering it as the
    // panel would.
    ForwardTimes forwardThroughSocket(const QByteArray &program, const QList<QByteArray> &arguments, int listenFd)
    {
        ForwardTimes times;
        Child child;
        m_display.discardPending();
        if (!spawn(child, program, arguments, m_workDir)) {
            return times;
        }
        int connection = -1;
        QByteArray received;
        bool answered = false;
        const Clock::time_point deadline = child.started + std::chrono::milliseconds(StartTimeoutMs);
        while (!child.hasExited && Clock::now() < deadline) {
            const int socket = answered ? -1 : connection < 0 ? listenFd : connection;
            std::vector<pollfd> fds{{child.pidfd, POLLIN, 0}, {socket, POLLIN, 0}};
            const Clock::time_point now = wait(fds, int(msBetween(Clock::now(), deadline)) + 1);
            if (connection < 0 && fds[1].revents) {
                connection = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            }
            if (connection >= 0 && !answered) {
                char buffer[4096];
                ssize_t n;
                while ((n = ::read(connection, buffer, sizeof(buffer))) > 0) {
                    received.append(buffer, int(n));
                }
                if (received.size() >= 4) {
                    const quint32 size = (quint32(uchar(received[0])) << 24) | (quint32(uchar(received[1])) << 16) | (quint32(uchar(received[2])) << 8)
                        | quint32(uchar(received[3]));
                    if (quint32(received.size()) >= 4 + size) {
                        times.received = msBetween(child.started, now);
                        answered = ::write(connection, &AckByte, 1) == 1;
                    }
                }
            }
            if (fds[0].revents) {
                reap(child, now);
            }
        }
        if (connection >= 0) {
            ::close(connection);
        }
        if (!child.hasExited) {
            stop(child);
            return times;
        }
        m_display.discardPending();
        times.exited = msBetween(child.started, child.exited);
        times.cpu = child.userMs + child.systemMs;
        times.system = child.systemMs;
        times.faults = child.minorFaults;
        times.ok = answered && WIFEXITED(child.status) && WEXITSTATUS(child.status) == 0;
        return times;
    }

    // Start to exit of @p program, or a negative number when it failed.
    double runToExit(const QByteArray &program, const QList<QByteArray> &arguments, const QList<QByteArray> &extraEnvironment = {})
    {
        Child child;
        if (!spawn(child, program, arguments, newRuntimeDir(), extraEnvironment)) {
            return -1;
        }
        if (!waitForExit(child, StartTimeoutMs)) {
            stop(child);
            return -1;
        }
        m_display.discardPending();
        return msBetween(child.started, child.exited);
    }

    // What the dynamic loader reports for one start of @p program.
    LoaderTimes loaderTimes(const QByteArray &program, const QList<QByteArray> &arguments)
    {
        const QByteArray output = m_workDir + "/loader";
        Child child;
        if (!spawn(child, program, arguments, newRuntimeDir(), {QByteArrayLiteral("LD_DEBUG=statistics"), "LD_DEBUG_OUTPUT=" + output})) {
            return {};
        }
        if (!waitForExit(child, StartTimeoutMs)) {
            stop(child);
        }
        m_display.discardPending();
        QFile file(QString::fromLocal8Bit(output + '.' + QByteArray::number(child.pid)));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        const LoaderTimes times = ::loaderTimes(file.readAll());
        file.remove();
        return times;
    }

    // Lines the started programs printed, for a word of warning.
    QList<QByteArray> childOutput() const
    {
        QFile log(QString::fromLocal8Bit(m_logPath));
        if (!log.open(QIODevice::ReadOnly)) {
            return {};
        }
        return log.readAll().trimmed().split('\n');
    }

    Display &display()
    {
        return m_display;
    }

private:
    Display m_display;
    QByteArray m_workDir;
    QByteArray m_logPath;
    int m_log = -1;
    int m_runtimeDirs = 0;
    std::vector<Child *> m_running;
};

// Connect, send one frame, read the answer: both ends in this process, the
// answering end on a thread of its own as in two processes.
Samples inProcessRoundTrips(const QByteArray &path, const QByteArray &message, int count)
{
    Samples samples;
    const int listenFd = listenOn(path);
    if (listenFd < 0) {
        return samples;
    }
    const int flags = ::fcntl(listenFd, F_GETFL);
    ::fcntl(listenFd, F_SETFL, flags & ~O_NONBLOCK);
    const QByteArray bytes = frame(message);

    std::thread server([listenFd, count, size = bytes.size()]() {
        for (int i = 0; i < count; ++i) {
            const int connection = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) {
                return;
            }
            std::vector<char> buffer(size);
            int got = 0;
            while (got < size) {
                const ssize_t n = ::read(connection, buffer.data() + got, size - got);
                if (n <= 0) {
                    break;
                }
                got += int(n);
            }
            if (::write(connection, &AckByte, 1) != 1) {
                ::close(connection);
                return;
            }
            ::close(connection);
        }
    });

    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), path.size());
    for (int i = 0; i < count; ++i) {
        const Clock::time_point start = Clock::now();
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        char ack = 0;
        const bool ok = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0
            && ::write(fd, bytes.constData(), bytes.size()) == bytes.size() && ::read(fd, &ack, 1) == 1 && ack == AckByte;
        const Clock::time_point end = Clock::now();
        ::close(fd);
        if (!ok) {
            break;
        }
        samples.add(msBetween(start, end));
    }
    server.join();
    ::close(listenFd);
    ::unlink(path.constData());
    return samples;
}

void printRow(const char *label, const Samples &samples, const char *unit = "ms", double scale = 1)
{
    if (samples.isEmpty()) {
        std::printf("  %-60s %9s\n", label, "n/a");
        return;
    }
    const int decimals = samples.median() / scale < 1 ? 3 : 1;
    std::printf("  %-60s %9.*f %9.*f %9.*f %-3s (n=%d)\n",
                label,
                decimals,
                samples.median() / scale,
                decimals,
                samples.min() / scale,
                decimals,
                samples.max() / scale,
                unit,
                samples.count());
}

void printHeader(const char *title)
{
    std::printf("\n%s\n  %-60s %9s %9s %9s\n", title, "", "median", "min", "max");
}

void printDifference(const char *label, double value, const char *unit = "ms")
{
    std::printf("  %-60s %9.1f %s\n", label, value, unit);
}

QByteArray cpuName()
{
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (!cpuinfo.open(QIODevice::ReadOnly)) {
        return QByteArrayLiteral("unknown CPU");
    }
    const QList<QByteArray> lines = cpuinfo.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("model name")) {
            return line.mid(line.indexOf(':') + 1).trimmed();
        }
    }
    return QByteArrayLiteral("unknown CPU");
}

struct Loader {
    Samples total;
    Samples relocation;
    Samples loading;

    void add(const LoaderTimes &times, double perMs)
    {
        if (times.ok && perMs > 0) {
            total.add(times.total / perMs);
            relocation.add(times.relocation / perMs);
            loading.add(times.loading / perMs);
        }
    }
};

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArrayLiteral("unknown");
    }
    const QList<QByteArray> fields = file.readAll().split(' ');
    return fields.mid(0, 3).join(' ');
}

struct Toggles {
    Samples acted;
    Samples hide;
    Samples show;
    Samples ended;
    Samples cpu;
    Samples system;
    Samples faults;
};

// What one kind of forwarding client cost, in time and in work.
struct Forwards {
    Samples received;
    Samples ended;
    Samples cpu;
    Samples system;
    Samples faults;

    bool add(const ForwardTimes &times, bool counted)
    {
        if (times.ok && counted) {
            received.add(times.received);
            ended.add(times.exited);
            cpu.add(times.cpu);
            system.add(times.system);
            faults.add(times.faults);
        }
        return times.ok;
    }
};

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

// A first start that shows a window: its times and, once idle, its memory.
struct Shown {
    Samples firstWindow;
    Samples created;
    Samples mapped;
    Samples cpu;
    Samples rss;
    Samples anon;
    Samples file;
    Samples pss;
};
}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the panel's start-up, its answer to a later start and its idle memory."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("runs"), QStringLiteral("Measured runs of each kind (at least 10)."), QStringLiteral("count"), QStringLiteral("15")},
        {QStringLiteral("warmup"), QStringLiteral("Runs of each kind done first and not counted."), QStringLiteral("count"), QStringLiteral("2")},
        {QStringLiteral("verbose"), QStringLiteral("Print every run to standard error.")},
    });
    parser.process(application);
    const int runs = std::max(10, parser.value(QStringLiteral("runs")).toInt());
    const int warmup = std::max(0, parser.value(QStringLiteral("warmup")).toInt());
    const bool verbose = parser.isSet(QStringLiteral("verbose"));

    const QByteArray panel = QByteArrayLiteral(NYD_PANEL_EXECUTABLE);
    const QByteArray bare = QByteArrayLiteral(NYD_BARE_WIDGET_EXECUTABLE);
    const QByteArray plainClient = QByteArrayLiteral(NYD_SOCKET_CLIENT_EXECUTABLE);
    const QByteArray qtClient = QByteArrayLiteral(NYD_QT_SOCKET_CLIENT_EXECUTABLE);
    const QByteArray qtWidgetsClient = QByteArrayLiteral(NYD_QT_WIDGETS_SOCKET_CLIENT_EXECUTABLE);
    const QByteArray panelLibsClient = QByteArrayLiteral(NYD_PANEL_LIBS_SOCKET_CLIENT_EXECUTABLE);
    const QByteArray panelLibsBare = QByteArrayLiteral(NYD_PANEL_LIBS_BARE_WIDGET_EXECUTABLE);
    const QByteArray noGl = QByteArrayLiteral("QT_XCB_GL_INTEGRATION=none");

    // Socket paths must stay short, so the work happens in the session's folder.
    QByteArray base = qgetenv("NYD_SESSION_DIR");
    if (base.isEmpty()) {
        base = QFile::encodeName(QDir::tempPath());
    }
    const QByteArray workDir = base + "/startup-bench-" + QByteArray::number(::getpid());
    ::mkdir(workDir.constData(), 0700);

    // A client that gives up while we answer must not end us.
    ::signal(SIGPIPE, SIG_IGN);

    Bench bench(workDir);
    if (!bench.open()) {
        return 1;
    }
    const double perMs = cyclesPerMs();
    // Others' work on the machine shows in every figure; say how much there was.
    const QByteArray loadBefore = loadAverage();

    // What the panel's own forwarding start sends for --toggle.
    const QByteArray toggleMessage = "[\"" + panel + "\",\"--toggle\"]";

    Shown panelShown, panelNoGlShown, bareShown, bareRasterShown, panelLibsBareShown;
    Samples panelQuit, bareAtMain, bareAfterApplication;
    Toggles panelToggles, plainToggles;
    Forwards plain, qt, qtWidgets, panelLibs;
    Loader panelLoader, bareLoader, qtLoader, plainLoader;
    int failures = 0;
    int strayEvents = 0;

    const auto note = [verbose](const char *what, int run, double value) {
        if (verbose) {
            std::fprintf(stderr, "%-40s run %3d  %8.2f\n", what, run, value);
        }
    };
    const auto exitTime = [&](Samples &samples, bool counted, const QByteArray &program, const QList<QByteArray> &arguments) {
        const double ms = bench.runToExit(program, arguments);
        if (ms < 0) {
            ++failures;
        } else if (counted) {
            samples.add(ms);
        }
    };
    const auto show = [&](Shown &shown,
                          bool counted,
                          const char *what,
                          int run,
                          const QByteArray &program,
                          const QList<QByteArray> &arguments,
                          const QByteArray &title,
                          const QList<QByteArray> &extraEnvironment) {
        Child child;
        const StartTimes times = bench.startAndWaitForMap(child, program, arguments, title, extraEnvironment);
        if (!times.ok) {
            ++failures;
            bench.stop(child);
            return;
        }
        note(what, run, times.mapped);
        const bool idle = bench.waitUntilIdle(child);
        if (counted) {
            shown.firstWindow.add(times.firstWindow);
            shown.created.add(times.created);
            shown.mapped.add(times.mapped);
            shown.cpu.add(times.cpu);
            if (idle) {
                const Memory memory = memoryOf(child.pid);
                shown.rss.add(memory.rss);
                shown.anon.add(memory.anon);
                shown.file.add(memory.file);
                shown.pss.add(memory.pss);
            }
        }
        bench.stop(child);
    };

    // First starts, the panel's beside the floors and the variants that show
    // where its time goes, taken in turns so that drift of the machine
    // touches all of them alike.
    for (int run = -warmup; run < runs; ++run) {
        const bool counted = run >= 0;
        exitTime(bareAtMain, counted, bare, {QByteArrayLiteral("--exit-at-main")});
        exitTime(bareAfterApplication, counted, bare, {QByteArrayLiteral("--exit-after-application")});
        // A first start told to quit: the panel up to its window built, not shown.
        exitTime(panelQuit, counted, panel, {QByteArrayLiteral("--quit")});
        show(bareShown, counted, "bare widget mapped", run, bare, {}, s_bareTitle, {});
        show(bareRasterShown, counted, "bare widget, raster only, mapped", run, bare, {QByteArrayLiteral("--force-raster")}, s_bareTitle, {});
        show(panelLibsBareShown, counted, "bare widget, panel's libraries, mapped", run, panelLibsBare, {QByteArrayLiteral("--force-raster")}, s_bareTitle, {});
        show(panelShown, counted, "panel mapped", run, panel, {}, s_panelTitle, {});
        show(panelNoGlShown, counted, "panel without OpenGL mapped", run, panel, {}, s_panelTitle, {noGl});

        if (counted) {
            panelLoader.add(bench.loaderTimes(panel, {QByteArrayLiteral("--quit")}), perMs);
            bareLoader.add(bench.loaderTimes(bare, {QByteArrayLiteral("--exit-at-main")}), perMs);
            // Without arguments the clients end right away.
            qtLoader.add(bench.loaderTimes(qtClient, {}), perMs);
            plainLoader.add(bench.loaderTimes(plainClient, {}), perMs);
        }
    }

    // A running panel toggled by later starts, in turns with the floors of
    // such a start.
    {
        const QByteArray floorSocket = workDir + "/floor.socket";
        const int listenFd = listenOn(floorSocket);
        if (listenFd < 0) {
            std::fprintf(stderr, "nyd-startup-bench: cannot listen on %s\n", floorSocket.constData());
            return 1;
        }
        const QList<QByteArray> clientArguments{floorSocket, toggleMessage};

        Child first;
        const StartTimes started = bench.startAndWaitForMap(first, panel, {}, s_panelTitle);
        if (!started.ok) {
            std::fprintf(stderr, "nyd-startup-bench: the panel did not start\n");
            return 1;
        }
        // The later starts must find this panel, so they share its folder.
        const QByteArray runtimeDir = workDir + "/runtime-" + QByteArray::number(bench.runtimeDirCount());
        bench.waitUntilIdle(first);
        bool visible = true;

        const QByteArray panelSocket = socketIn(runtimeDir);
        if (panelSocket.isEmpty()) {
            std::fprintf(stderr, "nyd-startup-bench: the panel listens nowhere in %s\n", runtimeDir.constData());
            return 1;
        }

        // One toggle by @p program: until the panel acted and it ended.
        const auto toggle = [&](Toggles &toggles, bool counted, int run, const QByteArray &program, const QList<QByteArray> &arguments) {
            bench.display().discardPending();
            Child second;
            if (!bench.spawn(second, program, arguments, runtimeDir)) {
                ++failures;
                return;
            }
            const uint8_t expected = visible ? XCB_UNMAP_NOTIFY : XCB_MAP_NOTIFY;
            bool acted = false;
            const Clock::time_point deadline = second.started + std::chrono::milliseconds(StartTimeoutMs);
            while ((!acted || !second.hasExited) && Clock::now() < deadline) {
                std::vector<pollfd> fds{{second.hasExited ? -1 : second.pidfd, POLLIN, 0}};
                const Clock::time_point now = bench.wait(fds, int(msBetween(Clock::now(), deadline)) + 1);
                while (bench.display().hasPending()) {
                    const WindowEvent event = bench.display().take();
                    if (event.window != started.window || event.synthetic) {
                        continue;
                    }
                    if (!acted && event.type == expected) {
                        acted = true;
                        const double ms = msBetween(second.started, event.at);
                        note(visible ? "toggle hid the panel" : "toggle showed the panel", run, ms);
                        if (counted) {
                            (visible ? toggles.hide : toggles.show).add(ms);
                            toggles.acted.add(ms);
                        }
                        visible = !visible;
                    } else if (event.type == XCB_MAP_NOTIFY || event.type == XCB_UNMAP_NOTIFY) {
                        // The panel changed by itself, e.g. on losing focus.
                        ++strayEvents;
                        visible = event.type == XCB_MAP_NOTIFY;
                    }
                }
                if (fds[0].revents) {
                    bench.reap(second, now);
                }
            }
            if (!second.hasExited) {
                bench.stop(second);
            }
            if (!acted || !WIFEXITED(second.status) || WEXITSTATUS(second.status) != 0) {
                ++failures;
            } else if (counted) {
                toggles.ended.add(msBetween(second.started, second.exited));
                toggles.cpu.add(second.userMs + second.systemMs);
                toggles.system.add(second.systemMs);
                toggles.faults.add(second.minorFaults);
            }
            bench.waitUntilIdle(first, 150);
            bench.display().discardPending();
        };

        for (int run = -2 * warmup; run < 2 * runs; ++run) {
            const bool counted = run >= 0;
            // Both kinds of toggle in turns, so each hides as often as it shows.
            if (run % 2 == 0) {
                toggle(panelToggles, counted, run, panel, {QByteArrayLiteral("--toggle")});
                toggle(plainToggles, counted, run, plainClient, {panelSocket, toggleMessage});
            } else {
                toggle(plainToggles, counted, run, plainClient, {panelSocket, toggleMessage});
                toggle(panelToggles, counted, run, panel, {QByteArrayLiteral("--toggle")});
            }

            const std::pair<Forwards *, QByteArray> clients[] = {
                {&plain, plainClient},
                {&qt, qtClient},
                {&qtWidgets, qtWidgetsClient},
                {&panelLibs, panelLibsClient},
            };
            for (const auto &[forwards, client] : clients) {
                if (!forwards->add(bench.forwardThroughSocket(client, clientArguments, listenFd), counted)) {
                    ++failures;
                }
            }
        }

        // The panel's own way out, then ours if that did not do.
        Child quit;
        if (bench.spawn(quit, panel, {QByteArrayLiteral("--quit")}, runtimeDir)) {
            bench.waitForExit(quit, 5000);
            bench.stop(quit);
        }
        if (!bench.waitForExit(first, 5000)) {
            bench.stop(first);
        }
        ::close(listenFd);
        ::unlink(floorSocket.constData());
    }

    const Samples inProcess = inProcessRoundTrips(workDir + "/inprocess.socket", toggleMessage, 2000);

    char hostName[256] = {};
    ::gethostname(hostName, sizeof(hostName) - 1);
    std::printf("nyd-search-panel start-up, measured from outside on this machine\n");
    std::printf("  %s, %ld CPUs, host %s, X display %s (Xvfb, no window manager)\n",
                cpuName().constData(),
                ::sysconf(_SC_NPROCESSORS_ONLN),
                hostName,
                qgetenv("DISPLAY").constData());
    std::printf("  %d counted runs of each kind after %d warm-up runs (toggles: %d hide + %d show)\n", runs, warmup, runs, runs);
    std::printf("  load average before: %s, after: %s\n", loadBefore.constData(), loadAverage().constData());
    std::printf("  panel: %s\n", panel.constData());

    printHeader("First start, exec to the window mapped (MapNotify seen on the root window)");
    printRow("[1] panel: start -> window mapped", panelShown.mapped);
    printRow("    panel: start -> its first X window (toolkit connected)", panelShown.firstWindow);
    printRow("    panel: start -> panel window created", panelShown.created);
    printRow("    panel --quit first start: exit, window built not shown", panelQuit);
    printRow("[5] bare QWidget: start -> window mapped", bareShown.mapped);
    printRow("    bare QWidget: start -> its first X window", bareShown.firstWindow);
    printRow("    bare QWidget: start -> window created", bareShown.created);
    printRow("    bare QWidget program: start -> exit at main()", bareAtMain);
    printRow("    bare QWidget program: start -> exit after QApplication", bareAfterApplication);

    printHeader("Later start with --toggle, to the running panel acting (Unmap/MapNotify)");
    printRow("[2] panel --toggle: start -> panel acted (hide and show)", panelToggles.acted);
    printRow("    panel --toggle: start -> panel hidden", panelToggles.hide);
    printRow("    panel --toggle: start -> panel shown", panelToggles.show);
    printRow("    panel --toggle: start -> forwarding process ended", panelToggles.ended);
    printRow("    plain C++ client to the panel: start -> panel acted", plainToggles.acted);
    printRow("[4] plain C++ client: start -> message received", plain.received);
    printRow("    plain C++ client: start -> ended after the reply", plain.ended);
    printRow("    in-process round trip (connect, send, one-byte reply)", inProcess);

    printHeader("Idle first instance, once its window is mapped and it uses no CPU");
    printRow("[3] panel VmRSS", panelShown.rss, "MiB", 1024);
    printRow("    panel RssAnon (heap and other private memory)", panelShown.anon, "MiB", 1024);
    printRow("    panel RssFile (pages of mapped files, libraries)", panelShown.file, "MiB", 1024);
    printRow("    panel Pss (shared pages divided among their users)", panelShown.pss, "MiB", 1024);
    printRow("    bare QWidget VmRSS", bareShown.rss, "MiB", 1024);

    const double toggleOverFloor = panelToggles.acted.median() - plain.received.median();
    const double mapTarget = 150;
    const double toggleTarget = 10;
    std::printf("\nTargets (medians)\n");
    std::printf("  toggle acted - plain client received = %6.1f ms   target <= %.0f ms: %s\n",
                toggleOverFloor,
                toggleTarget,
                toggleOverFloor <= toggleTarget ? "MET" : "MISSED");
    std::printf("  panel first start -> window mapped   = %6.1f ms   target <= %.0f ms: %s\n",
                panelShown.mapped.median(),
                mapTarget,
                panelShown.mapped.median() <= mapTarget ? "MET" : "MISSED");
    std::printf("  (beside them: panel mapped - bare QWidget mapped = %.1f ms, toggle ended - plain client ended = %.1f ms)\n",
                panelShown.mapped.median() - bareShown.mapped.median(),
                panelToggles.ended.median() - plain.ended.median());

    // Each step adds one thing to the one before; the medians of the steps
    // are measured, the differences between them are what that thing costs.
    printHeader("Where a --toggle start's time goes: forwarders that carry more and more");
    printRow("    plain C++ client: start -> message received", plain.received);
    printRow("    + QtCore, QtNetwork, QCoreApplication, QLocalSocket", qt.received);
    printRow("    + QtWidgets and QtGui linked", qtWidgets.received);
    printRow("    + every other library the panel links", panelLibs.received);
    printRow("    + the panel's own code: panel --toggle, start -> acted", panelToggles.acted);
    printDifference("QtCore, QtNetwork and the application object", qt.received.median() - plain.received.median());
    printDifference("QtWidgets and QtGui", qtWidgets.received.median() - qt.received.median());
    printDifference("the panel's other libraries", panelLibs.received.median() - qtWidgets.received.median());
    printDifference("the panel's own code, forwarding and acting", panelToggles.acted.median() - panelLibs.received.median());
    printDifference("of which the running panel acting (plain client to panel)", plainToggles.acted.median() - plain.received.median());
    printRow("    CPU time (user+system), plain C++ client", plain.cpu);
    printRow("    CPU time, QtCore+QtNetwork client", qt.cpu);
    printRow("    CPU time, same with QtWidgets", qtWidgets.cpu);
    printRow("    CPU time, same with every library the panel links", panelLibs.cpu);
    printRow("    CPU time, panel --toggle", panelToggles.cpu);
    printRow("    of which system time (maps, page faults), plain client", plain.system);
    printRow("    of which system time, with every library the panel links", panelLibs.system);
    printRow("    of which system time, panel --toggle", panelToggles.system);
    printRow("    minor page faults, plain C++ client", plain.faults, "");
    printRow("    minor page faults, with every library the panel links", panelLibs.faults, "");
    printRow("    minor page faults, panel --toggle", panelToggles.faults, "");

    printHeader("Where a first start's time goes: windows that carry more and more");
    std::printf(
        "  (raster: Qt::AA_ForceRasterWidgets set before QApplication; no OpenGL: the\n"
        "   panel run with QT_XCB_GL_INTEGRATION=none. Both keep Qt from loading OpenGL.)\n");
    printRow("    bare QWidget, raster: start -> window mapped", bareRasterShown.mapped);
    printRow("    + every library the panel links (still raster)", panelLibsBareShown.mapped);
    printRow("    + the panel's own code: panel, no OpenGL", panelNoGlShown.mapped);
    printRow("    + OpenGL loaded for the window: the panel as it is", panelShown.mapped);
    printDifference("the panel's libraries", panelLibsBareShown.mapped.median() - bareRasterShown.mapped.median());
    printDifference("the panel's own code", panelNoGlShown.mapped.median() - panelLibsBareShown.mapped.median());
    printDifference("OpenGL integration (Mesa, LLVM) loaded for the window", panelShown.mapped.median() - panelNoGlShown.mapped.median());
    printRow("    CPU time up to the map, bare QWidget, raster", bareRasterShown.cpu);
    printRow("    CPU time, with every library the panel links", panelLibsBareShown.cpu);
    printRow("    CPU time, panel, no OpenGL", panelNoGlShown.cpu);
    printRow("    CPU time, the panel as it is", panelShown.cpu);
    printRow("    CPU time, bare QWidget as it is", bareShown.cpu);
    printRow("    panel, no OpenGL: start -> its first X window", panelNoGlShown.firstWindow);
    printRow("    panel, no OpenGL: start -> panel window created", panelNoGlShown.created);
    printRow("    bare QWidget with the panel's libraries: first X window", panelLibsBareShown.firstWindow);
    if (perMs > 0) {
        printRow("    dynamic loader before main(), panel: total", panelLoader.total);
        printRow("    dynamic loader before main(), panel: relocation", panelLoader.relocation);
        printRow("    dynamic loader before main(), panel: loading objects", panelLoader.loading);
        printRow("    dynamic loader before main(), bare QWidget program", bareLoader.total);
        printRow("    dynamic loader before main(), QtCore+QtNetwork client", qtLoader.total);
        printRow("    dynamic loader before main(), plain C++ client", plainLoader.total);
    }

    printHeader("Where the idle panel's memory goes");
    printRow("    bare QWidget, raster: VmRSS", bareRasterShown.rss, "MiB", 1024);
    printRow("    + every library the panel links (still raster)", panelLibsBareShown.rss, "MiB", 1024);
    printRow("    + the panel's own code: panel, no OpenGL", panelNoGlShown.rss, "MiB", 1024);
    printRow("    + OpenGL loaded for the window: the panel as it is", panelShown.rss, "MiB", 1024);
    printDifference("OpenGL integration", (panelShown.rss.median() - panelNoGlShown.rss.median()) / 1024, "MiB");

    const QList<QByteArray> output = bench.childOutput();
    const bool printed = !(output.size() == 1 && output.first().isEmpty());
    if (failures || strayEvents || printed) {
        std::printf("\nNotes\n");
        if (failures) {
            std::printf("  %d runs failed and are not counted\n", failures);
        }
        if (strayEvents) {
            std::printf("  the panel mapped or unmapped itself %d times between toggles\n", strayEvents);
        }
        if (printed) {
            std::printf("  the started programs printed %d lines, the first ones:\n", int(output.size()));
            for (int i = 0; i < std::min(5, int(output.size())); ++i) {
                std::printf("    %s\n", output.at(i).constData());
            }
        }
    }
    std::fflush(stdout);

    QDir(QString::fromLocal8Bit(workDir)).removeRecursively();
    return failures ? 1 : 0;
}
