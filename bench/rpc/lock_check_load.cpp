#include "lock_check_load.h"

#include "framework/data/field_type.h"
#include "framework/net/jsonrpc.h"
#include "framework/net/rpc_client.h"
#include "framework/net/wire_codec.h"
#include "framework/net/write_key.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <latch>
#include <memory>
#include <mutex>

namespace bench {

QVariantList lockCheckArgs() {
    const QDate today = QDate::currentDate();
    return {QStringLiteral("1001"),         QStringLiteral("0001"),         dateTimeOf(today),
            dateTimeOf(today.addDays(-20)), dateTimeOf(today.addDays(-20)), false,
            QStringLiteral("00002")};
}

QByteArray lockCheckLine(const QVariantList& args) {
    QJsonArray params;
    for (const QVariant& a : args)
        params.append(wire::toJson(a));
    return QJsonDocument(QJsonObject{{QStringLiteral("jsonrpc"), QStringLiteral("2.0")},
                                     {QStringLiteral("id"), 12345},
                                     {QLatin1String(jsonrpc::WriteKeyMember), writekey::generate()},
                                     {QStringLiteral("method"), QStringLiteral("VerificaBloqueio")},
                                     {QStringLiteral("params"), params}})
               .toJson(QJsonDocument::Compact) +
           '\n';
}

Stats statsOf(std::vector<double> us) {
    std::sort(us.begin(), us.end());
    auto at = [&](double q) { return us[std::min(us.size() - 1, size_t(q * double(us.size())))]; };
    return {at(0.5), at(0.9), at(0.99), us.back()};
}

void logInAsDemo(RpcClient& client) {
    client.setCredentials(QStringLiteral("demo"), QStringLiteral("demo-apuracao"));
}

int startServer(QProcess& server, const QString& program, const QStringList& arguments) {
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(program, arguments);
    while (server.waitForReadyRead(30000) || server.canReadLine()) {
        while (server.canReadLine()) {
            const QByteArray line = server.readLine().trimmed();
            if (line.startsWith("listening "))
                return line.mid(line.lastIndexOf(':') + 1).toInt();
        }
    }
    std::fprintf(stderr, "the server did not start\n");
    std::exit(1);
}

double throughput(const QList<int>& ports, int clients, int seconds) {
    std::latch ready(clients + 1);
    // Logins one at a time: logins of one user that arrive together are counted as guesses
    // and slowed down, which is not what is measured here.
    std::mutex loggingIn;
    std::atomic<bool> stop{false};
    std::atomic<long> calls{0};
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < clients; ++i) {
        const int port = ports.at(i % ports.size());
        threads.emplace_back(QThread::create([&, port] {
            RpcClient client;
            client.setEndpoint(QStringLiteral("127.0.0.1"), port);
            logInAsDemo(client);
            {
                const std::lock_guard turn(loggingIn);
                client.open();
            }
            QVariantList args = lockCheckArgs();
            ready.arrive_and_wait();
            long done = 0;
            while (!stop.load(std::memory_order_relaxed)) {
                client.Invoke(QStringLiteral("VerificaBloqueio"), args);
                ++done;
            }
            calls += done;
        }));
        threads.back()->start();
    }
    ready.arrive_and_wait();
    const auto start = std::chrono::steady_clock::now();
    QThread::sleep(seconds);
    stop = true;
    for (auto& t : threads)
        t->wait();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return double(calls.load()) / elapsed;
}

} // namespace bench
