// SPDX-License-Identifier: GPL-2.0-or-later
#include "forwarder.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Front
{
namespace
{
long long nowMs()
{
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

class Deadline
{
public:
    explicit Deadline(int timeoutMs)
        : m_end(nowMs() + timeoutMs)
    {
    }
    int remainingMs() const
    {
        const long long left = m_end - nowMs();
        return left > 0 ? static_cast<int>(left) : 0;
    }

private:
    long long m_end;
};

class Socket
{
public:
    Socket()
        : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0))
    {
    }
    ~Socket()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;

    int fd() const
    {
        return m_fd;
    }

private:
    int m_fd;
};

// No retries: a socket that is missing or refuses means nobody runs, and a
// busy listener is better served by the panel's own patient client.
bool connectTo(const Socket &socket, const std::string &path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (socket.fd() < 0 || path.size() >= sizeof(address.sun_path)) {
        return false;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return ::connect(socket.fd(), reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0;
}

bool waitFor(const Socket &socket, short events, const Deadline &deadline)
{
    pollfd entry = {socket.fd(), events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, deadline.remainingMs());
        if (ready > 0) {
            return true;
        }
        if (ready == 0 || errno != EINTR) {
            return false;
        }
    }
}

bool sendAll(const Socket &socket, std::string_view bytes, const Deadline &deadline)
{
    while (!bytes.empty()) {
        const ssize_t sent = ::send(socket.fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        const bool mayGoOn = sent < 0 && (errno == EINTR || (errno == EAGAIN && waitFor(socket, POLLOUT, deadline)));
        if (!mayGoOn) {
            return false;
        }
    }
    return true;
}

// Its answer, or the end of the connection, ends the wait.
void awaitAnswer(const Socket &socket, const Deadline &deadline)
{
    while (waitFor(socket, POLLIN, deadline)) {
        char answer = 0;
        const ssize_t got = ::recv(socket.fd(), &answer, 1, 0);
        if (got >= 0 || (errno != EINTR && errno != EAGAIN)) {
            return;
        }
    }
}
}

bool forward(const std::string &socketPath, std::string_view frame, int timeoutMs)
{
    Socket socket;
    if (!connectTo(socket, socketPath)) {
        return false;
    }
    const Deadline deadline(timeoutMs);
    if (sendAll(socket, frame, deadline)) {
        awaitAnswer(socket, deadline);
    }
    return true;
}
}
