// A UDP socket for OSC packets from other programs: receiving never waits, and a reader
// thread waits for datagrams a bounded time so that it can be stopped. POSIX sockets on
// Linux, Winsock on Windows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket() { close(); }
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Listens on host (a numeric IPv4 address: "127.0.0.1" for this machine only,
    // "0.0.0.0" for every network it is on) and port (1..65535; 0 picks a free one, see
    // port()). False with `why` in a few words when it cannot.
    bool open(const std::string& host, int port, std::string& why);
    void close();
    bool is_open() const { return handle_ != kClosed; }
    // The port listened on.
    int port() const { return port_; }

    // Waits up to ms milliseconds for a datagram; true when one is waiting.
    bool wait(int ms);
    // The next datagram waiting, up to capacity bytes (a longer one is cut short and
    // `truncated` set); -1 when none is waiting.
    long receive(uint8_t* data, size_t capacity, bool& truncated);

private:
    static constexpr intptr_t kClosed = -1;  // also INVALID_SOCKET
    intptr_t handle_ = kClosed;
    int port_ = 0;
};

}  // namespace platform
