#include "version_query.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono;

namespace {

// The exact bytes the version service must receive for the given host text.
std::string expectedRequest(const std::string& host) {
    std::string r = "GET http://" + host +
                    "/latestversion.php HTTP/1.1\r\n"
                    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
                    "Accept-Language: en-us\r\n"
                    "Accept-Encoding: gzip, deflate\r\n"
                    "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)\r\n"
                    "Host: " +
                    host + "\r\nConnection: Close\r\n\r\n";
    r.push_back('\0');
    return r;
}

// A one-thread HTTP stand-in on 127.0.0.1 and an ephemeral port. For every connection it
// reads the request (up to its terminating zero byte, or until the client goes quiet) and
// then hands the socket to the test's reply function.
class LocalServer {
  public:
    using Reply = std::function<void(int fd)>;

    explicit LocalServer(Reply reply) : reply_(std::move(reply)) {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = 0;
        ::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listen_, 8);
        socklen_t len = sizeof a;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~LocalServer() {
        stop_ = true;
        thread_.join();
        ::close(listen_);
    }

    std::string hostSpec() const { return "127.0.0.1:" + std::to_string(port_); }
    int connections() const { return connections_; }
    std::vector<std::string> requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    bool stopping() const { return stop_; }

  private:
    void run() {
        while (!stop_) {
            pollfd p{listen_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            int fd = ::accept(listen_, nullptr, nullptr);
            if (fd < 0)
                continue;
            ++connections_;
            std::string got = readRequest(fd);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(got);
            }
            reply_(fd);
            ::close(fd);
        }
    }

    static std::string readRequest(int fd) {
        std::string got;
        const std::string end("\r\n\r\n\0", 5);
        char buf[4096];
        while (got.size() < end.size() || got.compare(got.size() - end.size(), end.size(), end)) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 1000) <= 0)
                break;
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }

    Reply reply_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

void sendText(int fd, const std::string& text) {
    ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}

LocalServer::Reply replyWith(const std::string& body) {
    return [body](int fd) {
        sendText(fd,
                 "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n" + body);
    };
}

double secondsFor(const std::function<void()>& f) {
    auto t0 = steady_clock::now();
    f();
    return duration<double>(steady_clock::now() - t0).count();
}

// A loopback port with nobody listening.
int closedPort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

TEST(VersionQuery, ShowsTheFirstFourBodyCharactersAndSendsTheExactRequest) {
    LocalServer server(replyWith("1.05 and more"));
    std::string shown;
    double took = secondsFor([&] { shown = korvane::queryLatestVersion(server.hostSpec()); });
    EXPECT_EQ(shown, "1.05");
    EXPECT_LT(took, 1.0);
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], expectedRequest(server.hostSpec()));
}

TEST(VersionQuery, EveryQueryAsksAgain) {
    int n = 0;
    LocalServer server(
        [&n](int fd) { sendText(fd, ++n == 1 ? "X\r\n\r\n1.05" : "X\r\n\r\n1.06"); });
    EXPECT_EQ(korvane::queryLatestVersion(server.hostSpec()), "1.05");
    EXPECT_EQ(korvane::queryLatestVersion(server.hostSpec()), "1.06");
    EXPECT_EQ(server.connections(), 2);
    for (const std::string& r : server.requests())
        EXPECT_EQ(r, expectedRequest(server.hostSpec()));
}

TEST(VersionQuery, ShortBodyOrHeaderSplitFromBodyIsAConnectionError) {
    {
        LocalServer server(replyWith("1.0"));
        EXPECT_EQ(korvane::queryLatestVersion(server.hostSpec()), "Connection Error");
    }
    {
        // Only the first chunk counts, even though the body follows in the second.
        LocalServer server([](int fd) {
            sendText(fd, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n");
            std::this_thread::sleep_for(milliseconds(300));
            sendText(fd, "\r\n1.05");
        });
        EXPECT_EQ(korvane::queryLatestVersion(server.hostSpec()), "Connection Error");
    }
    {
        // A lone first byte is not examined; the next read is.
        LocalServer server([](int fd) {
            sendText(fd, "H");
            std::this_thread::sleep_for(milliseconds(100));
            sendText(fd, "TTP/1.1 200 OK\r\n\r\n2.10\n");
        });
        EXPECT_EQ(korvane::queryLatestVersion(server.hostSpec()), "2.10");
    }
}

TEST(VersionQuery, SilentServerGivesUpAfterTheDeadline) {
    LocalServer server([&server](int fd) {
        // Accept and say nothing until the client hangs up.
        char c;
        while (!server.stopping()) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0 && ::recv(fd, &c, 1, 0) <= 0)
                break;
        }
    });
    std::string shown;
    double took = secondsFor([&] { shown = korvane::queryLatestVersion(server.hostSpec()); });
    EXPECT_EQ(shown, "Connection Error");
    EXPECT_GE(took, 2.8);
    EXPECT_LE(took, 4.0);
}

TEST(VersionQuery, NoHostOrABadOneAnswersAtOnceWithoutConnecting) {
    LocalServer server(replyWith("1.05"));
    const std::string addresses[] = {
        "",      "   ", "127.0.0.1:", "127.0.0.1:0", "127.0.0.1:99999", "127.0.0.1:80x",
        ":8080", "[::1"};
    for (const std::string& address : addresses) {
        std::string shown;
        double took = secondsFor([&] { shown = korvane::queryLatestVersion(address); });
        EXPECT_EQ(shown, "Connection Error") << address;
        EXPECT_LT(took, 0.2) << address;
    }
    // Nobody listening: refused at once instead of holding the window.
    std::string refused = "127.0.0.1:" + std::to_string(closedPort());
    double took =
        secondsFor([&] { EXPECT_EQ(korvane::queryLatestVersion(refused), "Connection Error"); });
    EXPECT_LT(took, 1.0);
    EXPECT_EQ(server.connections(), 0);
}

TEST(VersionQuery, HostComesFromTheSettingsFile) {
    LocalServer server(replyWith("3.14159"));
    char dir[] = "/tmp/korvane-ver-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    std::string cfg = std::string(dir) + "/config.cfg";
    std::ofstream(cfg) << "[Game]\nVersionHost=" << server.hostSpec() << "\n";
    EXPECT_EQ(korvane::queryLatestVersionFromConfig(cfg), "3.14");
    std::ofstream(cfg) << "[Game]\nVersionHost=\n";
    EXPECT_EQ(korvane::queryLatestVersionFromConfig(cfg), "Connection Error");
    std::ofstream(cfg) << "[Game]\nLang=English\n";
    EXPECT_EQ(korvane::queryLatestVersionFromConfig(cfg), "Connection Error");
    EXPECT_EQ(server.connections(), 1);
    std::remove(cfg.c_str());
    ::rmdir(dir);
}

TEST(VersionParsing, HostSpecAndBodyExtraction) {
    std::string host, port;
    ASSERT_TRUE(korvane::parseHostSpec("versions.example", host, port));
    EXPECT_EQ(host, "versions.example");
    EXPECT_EQ(port, "80");
    ASSERT_TRUE(korvane::parseHostSpec("127.0.0.1:8080", host, port));
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, "8080");
    ASSERT_TRUE(korvane::parseHostSpec("[::1]:81", host, port));
    EXPECT_EQ(host, "::1");
    EXPECT_EQ(port, "81");

    // The received length bounds the search: a blank line beyond it does not count, and a
    // zero byte inside does not cut the text short.
    const char chunk[] = "HTTP/1.1 200 OK\r\nX: \0y\r\n\r\n1.05\r\n\r\n9.99";
    EXPECT_EQ(korvane::extractVersion(chunk, 30), "1.05");
    EXPECT_EQ(korvane::extractVersion(chunk, 29), "Connection Error");
    EXPECT_EQ(korvane::extractVersion("\r\n\r\n\x01\xff"
                                      "ab",
                                      8),
              "??ab");
}

} // namespace
