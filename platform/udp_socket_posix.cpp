// UdpSocket on POSIX sockets: non-blocking, MSG_TRUNC to tell a datagram cut short.
#include "platform/udp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform {

bool UdpSocket::open(const std::string& host, int port, std::string& why) {
    close();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (port < 0 || port > 65535 || inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        why = "\"" + host + "\" is not an IPv4 address such as 127.0.0.1";
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        why = std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    handle_ = fd;
    return true;
}

void UdpSocket::close() {
    if (handle_ != kClosed) ::close(static_cast<int>(handle_));
    handle_ = kClosed;
}

bool UdpSocket::wait(int ms) {
    if (handle_ == kClosed) return false;
    pollfd entry{static_cast<int>(handle_), POLLIN, 0};
    return ::poll(&entry, 1, ms) > 0 && (entry.revents & POLLIN);
}

long UdpSocket::receive(uint8_t* data, size_t capacity, bool& truncated) {
    truncated = false;
    if (handle_ == kClosed) return -1;
    for (;;) {
        const ssize_t got = ::recv(static_cast<int>(handle_), data, capacity, MSG_TRUNC);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        truncated = static_cast<size_t>(got) > capacity;
        return static_cast<long>(truncated ? capacity : static_cast<size_t>(got));
    }
}

}  // namespace platform
