#pragma once

// A bare POSIX echo server in a child process: the floor a round trip over loopback cannot
// go below on this machine, measured with the same bytes as the real call.

#include <sys/types.h>

struct EchoServer {
    pid_t pid = -1;
    int port = 0;
};

// Forks the server; call before any thread exists.
EchoServer startEchoServer();
void stopEchoServer(const EchoServer& server);

// A blocking POSIX client with TCP_NODELAY.
class EchoClient {
public:
    explicit EchoClient(int port);
    ~EchoClient();
    // Sends the line and reads back as many bytes.
    void roundTrip(const char* line, size_t size);

private:
    int m_fd = -1;
};
