#pragma once

// What the lock-check benchmarks share: the call a clerk's every key makes, timing and its
// statistics, starting a server process, and many clients calling at once.

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <chrono>
#include <vector>

class RpcClient;

namespace bench {

// VerificaBloqueio of a demo client and day: an open period, so the answer is true.
QVariantList lockCheckArgs();
// The line the client proxy sends for the call, byte for byte, its key included.
QByteArray lockCheckLine(const QVariantList& args);

struct Stats {
    double median, p90, p99, max;
};
Stats statsOf(std::vector<double> us);

template <typename Call> double timedMicroseconds(Call&& call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
        .count();
}

// The demo's user, made by --init-demo.
void logInAsDemo(RpcClient& client);

// Starts `program` with `arguments` (which include --listen) and returns its port once it
// says it listens; exits the benchmark when it does not.
int startServer(QProcess& server, const QString& program, const QStringList& arguments);

// Lock checks per second of `clients` clients calling as fast as they can for `seconds`,
// spread evenly over the servers on `ports`.
double throughput(const QList<int>& ports, int clients, int seconds);

} // namespace bench
