// SPDX-License-Identifier: GPL-2.0-or-later
// The least a later start can do: connect, send one frame of the panel's wire
// format (a big-endian length, then the UTF-8 bytes) and wait for the
// one-byte answer. No Qt, so what it costs is a process start and the round trip.
//
//   nyd-bench-socket-client SOCKET MESSAGE

#include <cstring>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (argc != 3 || std::strlen(argv[1]) >= sizeof(address.sun_path)) {
        return 2;
    }
    std::strcpy(address.sun_path, argv[1]);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
        return 1;
    }
    const std::size_t size = std::strlen(argv[2]);
    std::string frame{char(size >> 24), char(size >> 16), char(size >> 8), char(size)};
    frame += argv[2];
    for (std::size_t written = 0; written < frame.size();) {
        const ssize_t n = ::write(fd, frame.data() + written, frame.size() - written);
        if (n <= 0) {
            return 1;
        }
        written += std::size_t(n);
    }
    char ack = 0;
    return ::read(fd, &ack, 1) == 1 && ack == '\x06' ? 0 : 1;
}
