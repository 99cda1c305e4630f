#include "DelayProxy.h"

#include <QRegularExpression>
#include <QStringList>
#include <arpa/inet.h>
#include <cerrno>
#include <deque>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
    Clock::time_point due;
    std::vector<char> bytes;
};

struct Pair {
    int client = -1;
    int server = -1;
    std::deque<Chunk> toClient; // the server's answers, held until due
    bool open = true;
};

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

void noDelay(int fd) {
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

} // namespace

DelayProxy::DelayProxy(const QString& host, int port, std::chrono::microseconds delay)
    : host_(host), serverPort_(port), delay_(delay) {
    listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (listen_ < 0 || ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listen_, 16) != 0 ||
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        qFatal("delay proxy: cannot listen on the loopback address");
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
}

DelayProxy::~DelayProxy() {
    stop_ = true;
    thread_.join();
    ::close(listen_);
}

QString DelayProxy::through(const QString& connectionString) const {
    QStringList parts;
    for (const QString& part : connectionString.split(u';', Qt::SkipEmptyParts)) {
        const QString key = part.section(u'=', 0, 0).trimmed().toLower();
        if (key == u"server" || key == u"host" || key == u"port")
            continue;
        parts << part;
    }
    parts << QStringLiteral("Server=127.0.0.1") << QStringLiteral("Port=") + QString::number(port_);
    return parts.join(u';');
}

void DelayProxy::run() {
    std::vector<Pair> pairs;
    std::vector<char> buffer(1 << 16);
    while (!stop_) {
        // The next answer due decides how long to wait.
        auto wait = std::chrono::microseconds(20000);
        const auto now = Clock::now();
        for (const Pair& p : pairs)
            if (!p.toClient.empty())
                wait =
                    std::min(wait, std::max(std::chrono::microseconds(0),
                                            std::chrono::duration_cast<std::chrono::microseconds>(
                                                p.toClient.front().due - now)));
        std::vector<pollfd> fds{{listen_, POLLIN, 0}};
        for (const Pair& p : pairs) {
            fds.push_back({p.client, POLLIN, 0});
            fds.push_back({p.server, POLLIN, 0});
        }
        const timespec ts{time_t(wait.count() / 1000000), long(wait.count() % 1000000) * 1000};
        if (::ppoll(fds.data(), fds.size(), &ts, nullptr) < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN) {
            const int client = ::accept(listen_, nullptr, nullptr);
            addrinfo hints{};
            hints.ai_family = AF_INET;
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* found = nullptr;
            const int server = ::socket(AF_INET, SOCK_STREAM, 0);
            if (client >= 0 && server >= 0 &&
                ::getaddrinfo(host_.toUtf8().constData(),
                              QByteArray::number(serverPort_).constData(), &hints, &found) == 0 &&
                ::connect(server, found->ai_addr, found->ai_addrlen) == 0) {
                noDelay(client);
                noDelay(server);
                pairs.push_back({client, server, {}, true});
            } else {
                if (client >= 0)
                    ::close(client);
                if (server >= 0)
                    ::close(server);
            }
            if (found)
                ::freeaddrinfo(found);
        }
        for (size_t i = 0; i < pairs.size(); ++i) {
            Pair& p = pairs[i];
            const pollfd& c = fds[1 + 2 * i];
            const pollfd& s = fds[2 + 2 * i];
            if (c.revents & (POLLIN | POLLHUP | POLLERR)) {
                const ssize_t n = ::recv(p.client, buffer.data(), buffer.size(), 0);
                if (n <= 0 || !writeAll(p.server, buffer.data(), size_t(n)))
                    p.open = false;
            }
            if (s.revents & (POLLIN | POLLHUP | POLLERR)) {
                const ssize_t n = ::recv(p.server, buffer.data(), buffer.size(), 0);
                if (n <= 0)
                    p.open = false;
                else
                    p.toClient.push_back({Clock::now() + delay_,
                                          std::vector<char>(buffer.data(), buffer.data() + n)});
            }
            const auto t = Clock::now();
            while (p.open && !p.toClient.empty() && p.toClient.front().due <= t) {
                const Chunk& chunk = p.toClient.front();
                if (!writeAll(p.client, chunk.bytes.data(), chunk.bytes.size()))
                    p.open = false;
                p.toClient.pop_front();
            }
        }
        for (auto it = pairs.begin(); it != pairs.end();) {
            if (it->open) {
                ++it;
                continue;
            }
            ::close(it->client);
            ::close(it->server);
            it = pairs.erase(it);
        }
    }
    for (Pair& p : pairs) {
        ::close(p.client);
        ::close(p.server);
    }
}

} // namespace bench
