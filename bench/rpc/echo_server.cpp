#include "echo_server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

void noDelay(int fd) {
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void echo(int fd) {
    noDelay(fd);
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t sent = 0; sent < n;) {
            const ssize_t w = write(fd, buffer + sent, size_t(n - sent));
            if (w <= 0)
                return;
            sent += w;
        }
    }
    close(fd);
}

} // namespace

EchoServer startEchoServer() {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener, 64) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("echo server");
        std::exit(1);
    }
    EchoServer server;
    server.port = ntohs(address.sin_port);
    const pid_t parent = getpid();
    server.pid = fork();
    if (server.pid == 0) {
        // Ends with the benchmark however that ends (--help, a failure), instead of holding
        // its port and the caller's output open.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            std::_Exit(0);
        for (;;) {
            const int fd = accept(listener, nullptr, nullptr);
            if (fd >= 0)
                std::thread(echo, fd).detach();
        }
    }
    close(listener);
    return server;
}

void stopEchoServer(const EchoServer& server) {
    kill(server.pid, SIGTERM);
    waitpid(server.pid, nullptr, 0);
}

EchoClient::EchoClient(int port) {
    m_fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(port));
    if (connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("echo client");
        std::exit(1);
    }
    noDelay(m_fd);
}

EchoClient::~EchoClient() {
    close(m_fd);
}

void EchoClient::roundTrip(const char* line, size_t size) {
    if (write(m_fd, line, size) != ssize_t(size))
        std::exit(1);
    char buffer[65536];
    for (size_t got = 0; got < size;) {
        const ssize_t n = read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            std::exit(1);
        got += size_t(n);
    }
}
