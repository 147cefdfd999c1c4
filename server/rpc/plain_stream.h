#pragma once

// A plain TCP connection served straight on its descriptor. Qt's socket asks the kernel how
// much is waiting before every read; here a request costs the wake-up, one read and one
// write.

#include "server/rpc/stream.h"

#include <QSocketNotifier>

namespace server::rpc {

class PlainStream final : public Stream {
public:
    PlainStream(int descriptor, QObject* parent);
    ~PlainStream() override;

    qint64 readInto(QByteArray& into, qint64 max) override;
    void write(const QByteArray& bytes) override;
    qint64 bytesToWrite() const override { return m_out.size() - m_outSent; }
    void shutdownWrite() override;
    void abort() override;
    bool isSecured() const override { return true; }
    void start() override {}

private:
    void onReadable();
    void onWritable();
    void sendPending();
    // The connection ended (the client closed it, or it broke): announced once, on the next
    // turn of the event loop, since it is found in the middle of a read or a write.
    void lost();

    int m_fd;
    QSocketNotifier m_readable;
    QSocketNotifier m_writable;
    // The last read took all there was: until the descriptor is readable again, reading
    // would only ask the kernel for nothing.
    bool m_drained = false;
    bool m_lost = false;
    QByteArray m_out;
    qsizetype m_outSent = 0;
};

} // namespace server::rpc
