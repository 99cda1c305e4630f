#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <thread>

namespace bench {

/// A TCP relay on the loopback address that holds every answer of the server for a
/// fixed time before passing it on: a database server that far away, for measuring what
/// round trips cost on a network. What the client sends goes through at once.
class DelayProxy {
public:
    DelayProxy(const QString& host, int port, std::chrono::microseconds delay);
    ~DelayProxy();
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;
    /// The port to connect to instead of the server's.
    int port() const { return port_; }
    /// `connectionString` with its server and port replaced by the relay's.
    QString through(const QString& connectionString) const;

private:
    void run();

    QString host_;
    int serverPort_;
    std::chrono::microseconds delay_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace bench
