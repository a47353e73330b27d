// A tiny HTTP/1.1 server on 127.0.0.1 for tests of network code: it answers each request with
// what the test's handler returns for the path, one response per connection. It can stall
// (accept, read, never answer) to prove timeouts. It stops when destroyed, and on its own
// after `lifetime` so a broken test cannot hang.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lopewell::testing_support {

struct CannedReply {
    std::string raw;     // bytes written as they are
    bool stall = false;  // write nothing and keep the connection open

    static CannedReply ok(const std::string& body, const std::string& contentType = "application/rss+xml")
    {
        return { "HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\nContent-Length: " + std::to_string(body.size())
            + "\r\nConnection: close\r\n\r\n" + body };
    }
    static CannedReply status(int code, const std::string& reason)
    {
        return { "HTTP/1.1 " + std::to_string(code) + " " + reason + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n" };
    }
    static CannedReply redirect(const std::string& location)
    {
        return { "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n" };
    }
    static CannedReply stalled() { return { "", true }; }
};

class LoopbackHttpServer {
public:
    // `handler` runs on the server's thread.
    explicit LoopbackHttpServer(
        std::function<CannedReply(const std::string& path)> handler, std::chrono::seconds lifetime = std::chrono::seconds(20))
        : m_handler(std::move(handler))
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
            || ::listen(m_listener, 16) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_thread = std::jthread([this, lifetime](std::stop_token token) { serve(token, lifetime); });
    }

    ~LoopbackHttpServer()
    {
        m_thread.request_stop();
        if (m_thread.joinable())
            m_thread.join();
        for (int fd : m_stalled)
            ::close(fd);
        if (m_listener >= 0)
            ::close(m_listener);
    }

    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int port() const { return m_port; }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

    std::vector<std::string> requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    size_t requestCount() const { return requests().size(); }

private:
    void serve(std::stop_token token, std::chrono::seconds lifetime)
    {
        const auto end = std::chrono::steady_clock::now() + lifetime;
        while (!token.stop_requested() && std::chrono::steady_clock::now() < end) {
            pollfd listening { m_listener, POLLIN, 0 };
            if (::poll(&listening, 1, 20) <= 0)
                continue;
            const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0)
                continue;
            const std::string head = readHead(connection, token);
            const std::string path = pathOf(head);
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(head);
            }
            const CannedReply reply = m_handler(path);
            if (reply.stall) {
                m_stalled.push_back(connection);
                continue;
            }
            size_t written = 0;
            while (written < reply.raw.size()) {
                const ssize_t count = ::send(connection, reply.raw.data() + written, reply.raw.size() - written, MSG_NOSIGNAL);
                if (count <= 0)
                    break;
                written += size_t(count);
            }
            ::shutdown(connection, SHUT_WR);
            ::close(connection);
        }
    }

    static std::string readHead(int connection, const std::stop_token& token)
    {
        std::string head;
        char buffer[4096];
        for (int rounds = 0; rounds < 200 && !token.stop_requested() && head.find("\r\n\r\n") == std::string::npos && head.size() < 65536;
            ++rounds) {
            pollfd readable { connection, POLLIN, 0 };
            if (::poll(&readable, 1, 20) <= 0)
                continue;
            const ssize_t count = ::recv(connection, buffer, sizeof buffer, 0);
            if (count <= 0)
                break;
            head.append(buffer, size_t(count));
        }
        return head;
    }

    static std::string pathOf(const std::string& head)
    {
        const size_t start = head.find(' ');
        const size_t end = head.find(' ', start + 1);
        return start == std::string::npos || end == std::string::npos ? std::string() : head.substr(start + 1, end - start - 1);
    }

    std::function<CannedReply(const std::string&)> m_handler;
    int m_listener = -1;
    int m_port = 0;
    std::vector<int> m_stalled;  // server thread, then the destructor after the join
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::jthread m_thread;
};

}  // namespace lopewell::testing_support
