// The floor: the least a program can do to send one ICMP echo to each host of a list and take the replies in,
// with nothing kept per host. Every speed figure of the probe and the window is stated as a ratio to this, run
// on the same list in the same run.
//
//     floor LIST_FILE [--ipv6]
//
// Datagram ICMP socket (raw when that is refused), sendmmsg of 64, recvmmsg of 64, poll between; it stops when
// every echo has an answer or 200 ms after the last send. Prints "sent N received M" on standard error.
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr int Batch = 64;
constexpr int TimeoutMs = 200;

struct Destination {
    sockaddr_storage address{};
    socklen_t length = 0;
};

std::uint16_t checksum(const unsigned char* data, std::size_t size)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += std::uint32_t(data[i] << 8 | data[i + 1]);
    if (size % 2)
        sum += std::uint32_t(data[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return std::uint16_t(~sum);
}

// Replies only: a raw socket on loopback also sees the requests going out.
int receiveAll(int fd, bool raw, bool ipv6)
{
    unsigned char buffers[Batch][256];
    iovec iov[Batch];
    mmsghdr messages[Batch];
    int received = 0;
    for (;;) {
        for (int i = 0; i < Batch; ++i) {
            iov[i] = {buffers[i], sizeof buffers[i]};
            messages[i] = {};
            messages[i].msg_hdr.msg_iov = &iov[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        const int n = ::recvmmsg(fd, messages, Batch, MSG_DONTWAIT, nullptr);
        if (n <= 0)
            return received;
        for (int i = 0; i < n; ++i) {
            const unsigned char* p = buffers[i];
            const std::size_t at = raw && !ipv6 ? std::size_t(p[0] & 0x0F) * 4 : 0;
            received += messages[i].msg_len > at &&
                        p[at] == (ipv6 ? std::uint8_t(ICMP6_ECHO_REPLY) : std::uint8_t(ICMP_ECHOREPLY));
        }
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: floor LIST_FILE [--ipv6]\n");
        return 2;
    }
    const bool ipv6 = argc > 2 && std::strcmp(argv[2], "--ipv6") == 0;
    std::vector<Destination> destinations;
    std::ifstream list(argv[1]);
    for (std::string line; std::getline(list, line);) {
        Destination d;
        if (ipv6) {
            auto* a = reinterpret_cast<sockaddr_in6*>(&d.address);
            a->sin6_family = AF_INET6;
            if (::inet_pton(AF_INET6, line.c_str(), &a->sin6_addr) != 1)
                continue;
            d.length = sizeof(sockaddr_in6);
        } else {
            auto* a = reinterpret_cast<sockaddr_in*>(&d.address);
            a->sin_family = AF_INET;
            if (::inet_pton(AF_INET, line.c_str(), &a->sin_addr) != 1)
                continue;
            d.length = sizeof(sockaddr_in);
        }
        destinations.push_back(d);
    }
    const int family = ipv6 ? AF_INET6 : AF_INET;
    const int protocol = ipv6 ? int(IPPROTO_ICMPV6) : int(IPPROTO_ICMP);
    bool raw = false;
    int fd = ::socket(family, SOCK_DGRAM | SOCK_NONBLOCK, protocol);
    if (fd < 0) {
        fd = ::socket(family, SOCK_RAW | SOCK_NONBLOCK, protocol);
        raw = true;
    }
    if (fd < 0) {
        std::fprintf(stderr, "floor: no ICMP socket: %s\n", std::strerror(errno));
        return 3;
    }
    const int buffer = 32 << 20;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &buffer, sizeof buffer);

    // One packet for all: the same 9-byte payload the program sends; the sequence number changes per echo.
    unsigned char packets[Batch][17];
    iovec iov[Batch];
    mmsghdr messages[Batch];
    const std::size_t total = destinations.size();
    std::size_t sent = 0;
    int received = 0;
    while (sent < total) {
        const int n = int(std::min<std::size_t>(Batch, total - sent));
        for (int i = 0; i < n; ++i) {
            unsigned char* p = packets[i];
            std::memset(p, 0, sizeof packets[i]);
            p[0] = ipv6 ? std::uint8_t(ICMP6_ECHO_REQUEST) : std::uint8_t(ICMP_ECHO);
            const std::uint16_t sequence = std::uint16_t(sent + std::size_t(i));
            p[4] = 0x12;
            p[5] = 0x34;
            p[6] = std::uint8_t(sequence >> 8);
            p[7] = std::uint8_t(sequence);
            std::memcpy(p + 8, "Echo This", 9);
            if (!ipv6 && raw) {
                const std::uint16_t sum = checksum(p, sizeof packets[i]);
                p[2] = std::uint8_t(sum >> 8);
                p[3] = std::uint8_t(sum);
            }
            iov[i] = {p, sizeof packets[i]};
            messages[i] = {};
            messages[i].msg_hdr.msg_name = &destinations[sent + std::size_t(i)].address;
            messages[i].msg_hdr.msg_namelen = destinations[sent + std::size_t(i)].length;
            messages[i].msg_hdr.msg_iov = &iov[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        const int done = ::sendmmsg(fd, messages, unsigned(n), 0);
        if (done <= 0) {
            pollfd out{fd, POLLOUT, 0};
            ::poll(&out, 1, 10);
        } else {
            sent += std::size_t(done);
        }
        received += receiveAll(fd, raw, ipv6);
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (std::size_t(received) < total) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd in{fd, POLLIN, 0};
        if (::poll(&in, 1, int(left)) > 0)
            received += receiveAll(fd, raw, ipv6);
    }
    ::close(fd);
    std::fprintf(stderr, "sent %zu received %d (%s socket)\n", sent, received, raw ? "raw" : "datagram");
    return 0;
}
