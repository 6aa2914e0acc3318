// SPDX-License-Identifier: GPL-2.0-or-later
// The least a forwarding start can do: connect, send one frame and wait for
// the one-byte answer. No Qt, so what it costs is a process start and the
// round trip itself.
//
//   nyd-bench-socket-client SOCKET MESSAGE

#include <cstdint>
#include <cstring>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 3) {
        return 2;
    }
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (std::strlen(argv[1]) >= sizeof(address.sun_path)) {
        return 2;
    }
    std::strcpy(address.sun_path, argv[1]);

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
        return 1;
    }

    // The panel's own framing: a big-endian length, then the UTF-8 bytes.
    const std::size_t size = std::strlen(argv[2]);
    std::vector<char> frame(4 + size);
    frame[0] = char((size >> 24) & 0xff);
    frame[1] = char((size >> 16) & 0xff);
    frame[2] = char((size >> 8) & 0xff);
    frame[3] = char(size & 0xff);
    std::memcpy(frame.data() + 4, argv[2], size);

    std::size_t written = 0;
    while (written < frame.size()) {
        const ssize_t n = ::write(fd, frame.data() + written, frame.size() - written);
        if (n <= 0) {
            return 1;
        }
        written += std::size_t(n);
    }

    char ack = 0;
    if (::read(fd, &ack, 1) != 1 || ack != '\x06') {
        return 1;
    }
    ::close(fd);
    return 0;
}
