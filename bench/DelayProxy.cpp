#include "DelayProxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <deque>
#include <list>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk
{
    Clock::time_point due;
    std::string bytes;
    std::size_t written = 0;
};

// One client connection and its connection to the server: side 0 the client, side 1 the server.
struct Link
{
    int fd[2] = {-1, -1};
    std::deque<Chunk> toward[2]; // bytes waiting to be written to fd[i]
    bool ended[2] = {false, false};
    bool clientSpokeLast = false;
};

void quiet(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool headDue(const Link& link, int side, Clock::time_point now)
{
    return !link.toward[side].empty() && link.toward[side].front().due <= now;
}

// Writes what is due to one side; false when that side is gone.
bool flush(Link& link, int side, Clock::time_point now)
{
    while (headDue(link, side, now)) {
        Chunk& chunk = link.toward[side].front();
        const ssize_t n = ::send(link.fd[side], chunk.bytes.data() + chunk.written,
                                 chunk.bytes.size() - chunk.written, MSG_NOSIGNAL);
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK;
        chunk.written += static_cast<std::size_t>(n);
        if (chunk.written == chunk.bytes.size())
            link.toward[side].pop_front();
    }
    return true;
}

} // namespace

DelayProxy::DelayProxy(std::uint16_t targetPort, int roundTripMs)
    : m_targetPort(targetPort), m_halfTrip(std::chrono::microseconds(roundTripMs * 500))
{
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t size = sizeof address;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listen, 16) != 0 || ::pipe(m_wake) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { loop(); });
}

DelayProxy::~DelayProxy()
{
    if (m_thread.joinable()) {
        const char stop = 's';
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &stop, 1);
        m_thread.join();
    }
    for (int fd : {m_listen, m_wake[0], m_wake[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

void DelayProxy::cut()
{
    const char cut = 'c';
    [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &cut, 1);
}

void DelayProxy::loop()
{
    std::list<Link> links;
    for (;;) {
        const Clock::time_point now = Clock::now();
        std::vector<pollfd> fds{{m_wake[0], POLLIN, 0}, {m_listen, POLLIN, 0}};
        Clock::time_point next = now + std::chrono::milliseconds(100);
        for (Link& link : links) {
            for (int side : {0, 1}) {
                short events = link.ended[side] ? 0 : POLLIN;
                if (headDue(link, side, now))
                    events |= POLLOUT;
                else if (!link.toward[side].empty())
                    next = std::min(next, link.toward[side].front().due);
                // An ended side would report its hang-up at every turn.
                fds.push_back({events ? link.fd[side] : -1, events, 0});
            }
        }
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(next - now);
        const timespec limit{static_cast<time_t>(wait.count() / 1000000000),
                             static_cast<long>(wait.count() % 1000000000)};
        if (::ppoll(fds.data(), fds.size(), &limit, nullptr) < 0 && errno != EINTR)
            break;
        if (fds[0].revents) {
            char order = 's';
            if (::read(m_wake[0], &order, 1) != 1 || order != 'c')
                break;
            for (Link& link : links) {
                ::close(link.fd[0]);
                ::close(link.fd[1]);
            }
            links.clear();
            continue;
        }
        if (fds[1].revents & POLLIN) {
            const int client = ::accept(m_listen, nullptr, nullptr);
            const int server = ::socket(AF_INET, SOCK_STREAM, 0);
            const sockaddr_in target = loopback(m_targetPort);
            if (client >= 0 && server >= 0 &&
                ::connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
                quiet(client);
                quiet(server);
                links.push_back({{client, server}, {}, {false, false}, false});
            } else {
                for (int fd : {client, server}) {
                    if (fd >= 0)
                        ::close(fd);
                }
            }
            // The new link has no entry in fds yet: start the round anew.
            continue;
        }
        std::size_t slot = 2;
        const Clock::time_point arrived = Clock::now();
        for (auto it = links.begin(); it != links.end();) {
            Link& link = *it;
            bool alive = true;
            for (int side : {0, 1}) {
                const short revents = fds[slot++].revents;
                if (!(revents & (POLLIN | POLLHUP | POLLERR)) || link.ended[side])
                    continue;
                char buffer[65536];
                const ssize_t n = ::recv(link.fd[side], buffer, sizeof buffer, 0);
                if (n > 0) {
                    if (side == 0 && !link.clientSpokeLast)
                        ++m_requests;
                    link.clientSpokeLast = side == 0;
                    link.toward[1 - side].push_back({arrived + m_halfTrip, std::string(buffer, n)});
                } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                    link.ended[side] = true;
                }
            }
            const Clock::time_point later = Clock::now();
            alive = flush(link, 0, later) && flush(link, 1, later);
            // A side that ended ends the link once what it sent has been passed on.
            for (int side : {0, 1}) {
                if (link.ended[side] && link.toward[1 - side].empty())
                    alive = false;
            }
            if (alive) {
                ++it;
                continue;
            }
            ::close(link.fd[0]);
            ::close(link.fd[1]);
            it = links.erase(it);
        }
    }
    for (Link& link : links) {
        ::close(link.fd[0]);
        ::close(link.fd[1]);
    }
}
