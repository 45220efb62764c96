// UdpSocket on Winsock: a non-blocking socket (FIONBIO); WSAEMSGSIZE tells a datagram cut
// short.
#include "platform/udp_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace platform {

bool UdpSocket::open(const std::string& host, int port, std::string& why) {
    close();
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) {
        why = "the system's sockets could not be started";
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    if (port < 0 || port > 65535 || inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
        why = "\"" + host + "\" is not an IPv4 address such as 127.0.0.1";
        return false;
    }
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    u_long nonBlocking = 1;
    if (s == INVALID_SOCKET || ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        why = "error " + std::to_string(WSAGetLastError());
        if (s != INVALID_SOCKET) closesocket(s);
        return false;
    }
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    handle_ = static_cast<intptr_t>(s);
    return true;
}

void UdpSocket::close() {
    if (handle_ != kClosed) closesocket(static_cast<SOCKET>(handle_));
    handle_ = kClosed;
}

bool UdpSocket::wait(int ms) {
    if (handle_ == kClosed) return false;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(handle_), &readable);
    timeval timeout{ms / 1000, (ms % 1000) * 1000};
    return select(0, &readable, nullptr, nullptr, &timeout) > 0;
}

long UdpSocket::receive(uint8_t* data, size_t capacity, bool& truncated) {
    truncated = false;
    if (handle_ == kClosed) return -1;
    const int got = ::recv(static_cast<SOCKET>(handle_), reinterpret_cast<char*>(data), static_cast<int>(capacity), 0);
    if (got == SOCKET_ERROR) {
        if (WSAGetLastError() != WSAEMSGSIZE) return -1;
        truncated = true;
        return static_cast<long>(capacity);
    }
    return got;
}

}  // namespace platform
