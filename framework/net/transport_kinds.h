#pragma once

// The two kinds of connection openTransport makes of a connected socket.

#include "framework/net/transport.h"

#include <memory>

class QTcpSocket;

// An encrypted connection goes through the socket that decrypts it.
std::unique_ptr<Transport> socketTransport(std::unique_ptr<QTcpSocket> socket);

// A plain connection leaves the socket and goes straight to its descriptor: a call then
// costs the system calls it needs and no more (a blocking write and a blocking read).
std::unique_ptr<Transport> descriptorTransport(QTcpSocket& connected);
