#include "version_query.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "config_store.h"

namespace korvane {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Reads may go on this long after the request has been sent.
constexpr milliseconds kReadDeadline{3000};
// Pause after a read that brought nothing usable.
constexpr milliseconds kEmptyReadPause{250};
// Name lookup, connect and send together.
constexpr milliseconds kConnectBudget{3000};
// However slow the connect was, the window has its answer by then.
constexpr milliseconds kOverallLimit{4000};
constexpr std::size_t kReceiveBufferSize = 10240;

struct Address {
    sockaddr_storage storage{};
    socklen_t length = 0;
};

int msUntil(Clock::time_point end) {
    auto left = std::chrono::duration_cast<milliseconds>(end - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

void collect(addrinfo* list, std::vector<Address>& out) {
    for (addrinfo* ai = list; ai; ai = ai->ai_next) {
        if (ai->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        Address a;
        std::copy_n(reinterpret_cast<const unsigned char*>(ai->ai_addr), ai->ai_addrlen,
                    reinterpret_cast<unsigned char*>(&a.storage));
        a.length = ai->ai_addrlen;
        out.push_back(a);
    }
}

// getaddrinfo cannot be interrupted, so a name is looked up on a helper thread that may
// outlive the wait; it owns its share of the state.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::vector<Address> addresses;
};

std::vector<Address> resolve(const std::string& host, const std::string& port,
                             Clock::time_point end) {
    std::vector<Address> result;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &list);
    if (rc == 0) {
        collect(list, result);
        ::freeaddrinfo(list);
        return result;
    }
    if (rc != EAI_NONAME)
        return result;

    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, host, port] {
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_protocol = IPPROTO_TCP;
            hints.ai_flags = AI_NUMERICSERV;
            addrinfo* list = nullptr;
            std::vector<Address> found;
            if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &list) == 0) {
                collect(list, found);
                ::freeaddrinfo(list);
            }
            std::lock_guard<std::mutex> lock(lookup->mutex);
            lookup->addresses = std::move(found);
            lookup->finished = true;
            lookup->done.notify_all();
        }).detach();
    } catch (const std::exception&) {
        return result;
    }
    std::unique_lock<std::mutex> lock(lookup->mutex);
    if (lookup->done.wait_until(lock, end, [&] { return lookup->finished; }))
        result = lookup->addresses;
    return result;
}

// A connected non-blocking socket, or -1 when the connect fails or does not finish in time.
int connectBefore(const Address& a, Clock::time_point end) {
    int fd = ::socket(a.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&a.storage), a.length) == 0)
        return fd;
    if (errno != EINPROGRESS) {
        ::close(fd);
        return -1;
    }
    for (;;) {
        pollfd p{fd, POLLOUT, 0};
        int rc = ::poll(&p, 1, msUntil(end));
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc <= 0)
            break;
        int error = 0;
        socklen_t len = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0)
            return fd;
        break;
    }
    ::close(fd);
    return -1;
}

bool sendAll(int fd, const std::string& bytes, Clock::time_point end) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        // MSG_NOSIGNAL: a peer that already closed must not kill the game with SIGPIPE.
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            int left = msUntil(end);
            if (left == 0 || ::poll(&p, 1, left) <= 0)
                return false;
            continue;
        }
        return false;
    }
    return true;
}

std::string readAnswer(int fd, Clock::time_point deadline) {
    std::vector<char> buffer(kReceiveBufferSize);
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        int rc = ::poll(&p, 1, msUntil(deadline));
        if (rc < 0 && errno == EINTR)
            continue;
        if (rc <= 0)
            break;
        ssize_t n = ::recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
        // Only the first read of two or more bytes is examined, complete or not.
        if (n >= 2)
            return extractVersion(buffer.data(), static_cast<std::size_t>(n));
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        // Closed or failed: nothing more can come, so do not hold the window any longer.
        if (n == 0 || n < 0)
            break;
        std::this_thread::sleep_for(
            std::min<milliseconds>(kEmptyReadPause, milliseconds(msUntil(deadline))));
    }
    return kConnectionError;
}

} // namespace

std::string buildVersionRequest(const std::string& hostText) {
    return "GET http://" + hostText + kVersionPath +
           " HTTP/1.1\r\n"
           "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           "Accept-Language: en-us\r\n"
           "Accept-Encoding: gzip, deflate\r\n"
           "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows NT 5.0)\r\n"
           "Host: " +
           hostText +
           "\r\n"
           "Connection: Close\r\n"
           "\r\n";
}

std::string extractVersion(const char* data, std::size_t size) {
    const std::string chunk(data, size);
    std::size_t blank = chunk.find("\r\n\r\n");
    if (blank == std::string::npos || size - (blank + 4) < 4)
        return kConnectionError;
    std::string version = chunk.substr(blank + 4, 4);
    for (char& c : version)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e)
            c = '?';
    return version;
}

bool parseHostSpec(const std::string& address, std::string& host, std::string& port) {
    host.clear();
    port = "80";
    std::string rest;
    if (!address.empty() && address[0] == '[') {
        std::size_t close = address.find(']');
        if (close == std::string::npos)
            return false;
        host = address.substr(1, close - 1);
        rest = address.substr(close + 1);
        if (!rest.empty() && rest[0] != ':')
            return false;
    } else {
        std::size_t colon = address.find(':');
        // More than one colon: a bare IPv6 address without a port.
        if (colon != std::string::npos && address.find(':', colon + 1) == std::string::npos) {
            host = address.substr(0, colon);
            rest = address.substr(colon);
        } else {
            host = address;
        }
    }
    if (host.empty() || host.find_first_of(" \t\r\n/") != std::string::npos)
        return false;
    if (!rest.empty()) {
        std::string digits = rest.substr(1);
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        long value = std::stol(digits);
        if (value < 1 || value > 65535)
            return false;
        port = std::to_string(value);
    }
    return true;
}

std::string queryLatestVersion(const std::string& hostSpec) {
    std::string address = hostSpec;
    ConfigStore::trim(address);
    std::string host, port;
    if (address.empty() || !parseHostSpec(address, host, port))
        return kConnectionError;

    const Clock::time_point start = Clock::now();
    const Clock::time_point connectEnd = start + kConnectBudget;
    int fd = -1;
    for (const Address& a : resolve(host, port, connectEnd)) {
        fd = connectBefore(a, connectEnd);
        if (fd >= 0 || Clock::now() >= connectEnd)
            break;
    }
    if (fd < 0)
        return kConnectionError;

    std::string request = buildVersionRequest(address);
    request.push_back('\0'); // the service has always received the terminator too
    std::string result = kConnectionError;
    if (sendAll(fd, request, connectEnd)) {
        Clock::time_point deadline = std::min(Clock::now() + kReadDeadline, start + kOverallLimit);
        result = readAnswer(fd, deadline);
    }
    ::close(fd);
    return result;
}

std::string configuredVersionHost(const std::string& configFile) {
    return ConfigStore::getValue("VersionHost", "Game", configFile);
}

std::string queryLatestVersionFromConfig(const std::string& configFile) {
    return queryLatestVersion(configuredVersionHost(configFile));
}

} // namespace korvane
