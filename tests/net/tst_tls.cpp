// The wire over TLS, with certificates made for the test: the client takes the right
// server (by its authority, by its pinned fingerprint) and refuses a wrong certificate and
// a server that does not speak TLS; a client without TLS gets nothing from a TLS server;
// the server refuses to serve plain text beyond the loopback address.

#include "loopback_server.h"
#include "raw_client.h"
#include "scripted_ui.h"

#include "contracts/host_framework.h"
#include "framework/components/net_connection.h"
#include "framework/net/rpc_client.h"
#include "framework/session.h"

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString fingerprintOf(const QString& pemFile) {
    return QString::fromLatin1(
        QSslCertificate::fromPath(pemFile).value(0).digest(QCryptographicHash::Sha256).toHex(':'));
}

std::function<void(server::rpc::ServerOptions&)> withCertificate(const QTemporaryDir& dir,
                                                                 const QString& name) {
    return [&dir, name](server::rpc::ServerOptions& o) {
        o.certificateFile = dir.filePath(name + ".pem");
        o.keyFile = dir.filePath(name + ".key");
    };
}

QString failureOf(RpcClient& client) {
    QVariantList args{QStringLiteral("0001"), QString()};
    try {
        if (!client.Invoke(QStringLiteral("GetCliente"), args).toMap().value("ok").toBool())
            return QStringLiteral("refused");
    } catch (const ENetError& e) {
        return e.message();
    }
    return {};
}

} // namespace

class TestTls : public QObject {
    Q_OBJECT

    QTemporaryDir m_certs;

    static void pointAt(RpcClient& client, quint16 port, const TlsSettings& tls) {
        client.setEndpoint(QStringLiteral("127.0.0.1"), port);
        client.setCredentials(LoopbackServer::login(), LoopbackServer::password());
        client.setTls(tls);
        client.setTimeouts(3000, 5000);
    }

private slots:
    void initTestCase() {
        QVERIFY2(QSslSocket::supportsSsl(), "Qt finds no TLS backend: run scripts/setup");
        QProcess make;
        make.start(QStringLiteral("bash"),
                   {QStringLiteral(SOURCE_DIR "/scripts/make-certificates"), m_certs.path()});
        QVERIFY(make.waitForFinished(30000));
        QVERIFY2(make.exitCode() == 0, make.readAllStandardError().constData());
    }

    void theServersCertificateDecides_data() {
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<bool>("byAuthority");
        QTest::addColumn<bool>("byFingerprint");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("right, by authority") << "server" << true << false << "";
        QTest::newRow("right, by pinned fingerprint") << "server" << false << true << "";
        QTest::newRow("right, by both") << "server" << true << true << "";
        QTest::newRow("wrong, by authority") << "rogue" << true << false << "não é confiável";
        QTest::newRow("wrong, by pinned fingerprint")
            << "rogue" << false << true << "não corresponde à impressão digital";
    }

    void theServersCertificateDecides() {
        QFETCH(QString, certificate);
        QFETCH(bool, byAuthority);
        QFETCH(bool, byFingerprint);
        QFETCH(QString, refusal);
        LoopbackServer server(withCertificate(m_certs, certificate));
        RpcClient client;
        // The pin is always the right server's.
        pointAt(client, server.port(),
                {byAuthority ? m_certs.filePath("ca.pem") : QString(),
                 byFingerprint ? fingerprintOf(m_certs.filePath("server.pem")) : QString()});
        const QString failure = failureOf(client);
        if (refusal.isEmpty()) {
            QCOMPARE(failure, QString());
            QCOMPARE(client.session().value("FiliProc").toString(), QStringLiteral("0001"));
        } else {
            QVERIFY2(failure.contains(refusal), qPrintable(failure));
            QVERIFY(!client.isOpen());
        }
    }

    void aServerWithoutTlsIsRefused() {
        LoopbackServer plain;
        RpcClient client;
        pointAt(client, plain.port(), {m_certs.filePath("ca.pem"), QString()});
        const QString failure = failureOf(client);
        QVERIFY2(failure.contains("conexão segura (TLS)") || failure.contains("Não foi possível"),
                 qPrintable(failure));
        QVERIFY(!client.isOpen());
    }

    void aClientWithoutTlsGetsNothingFromATlsServer() {
        LoopbackServer server(withCertificate(m_certs, "server"));
        RawClient raw(server.port());
        raw.sendLine(RawClient::loginRequest(LoopbackServer::login(), LoopbackServer::password()));
        QVERIFY(raw.read(2000).isEmpty());
        QVERIFY(raw.closedByServer());
    }

    void theFrameworkConnectionGoesOverTlsFromTheHostSession() {
        LoopbackServer server(withCertificate(m_certs, "server"));
        ScriptedUi ui;
        hostSession() = HostSession();
        hostSession().login = LoopbackServer::login();
        hostSession().password = LoopbackServer::password();
        hostSession().tlsCaFile = m_certs.filePath("ca.pem");
        TNetConnection net;
        net.ThrowException = false;
        net.BeforeConnect = [&](TNetConnection& sender) {
            sender.SetHost(QStringLiteral("localhost"));
            sender.Port = server.port();
        };
        QVariantList args{QStringLiteral("0002"), QString()};
        QVERIFY(net.AppServer()
                    .Invoke(QStringLiteral("GetCliente"), args)
                    .toMap()
                    .value("ok")
                    .toBool());
        QVERIFY(ui.messages.isEmpty());

        // The same connection to a server with a certificate of nobody's: shown once, and
        // nothing is sent.
        LoopbackServer rogue(withCertificate(m_certs, "rogue"));
        net.SetConnected(false);
        net.BeforeConnect = [&](TNetConnection& sender) {
            sender.SetHost(QStringLiteral("127.0.0.1"));
            sender.Port = rogue.port();
        };
        QVERIFY_THROWS_EXCEPTION(EAlreadyShown, net.AppServer().Invoke("GetCliente", args));
        QVERIFY(!ui.messages.isEmpty());
        QVERIFY2(ui.messages.first().text.contains("não é confiável"),
                 qPrintable(ui.messages.first().text));
        hostSession() = HostSession();
    }

    void theServerServesPlainTextOnLoopbackOnly_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("any IPv4") << "0.0.0.0";
        QTest::newRow("any IPv6") << "::";
        QTest::newRow("a LAN address") << "192.168.10.20";
    }

    void theServerServesPlainTextOnLoopbackOnly() {
        QFETCH(QString, address);
        QTemporaryDir dir;
        server::rpc::ServerOptions options;
        options.databasePath = dir.filePath("none.db");
        options.address = QHostAddress(address);
        server::rpc::RpcServer server(options);
        QString error;
        try {
            server.start();
        } catch (const Exception& e) {
            error = e.message();
        }
        QVERIFY2(error.contains("--cert"), qPrintable(error));
        QVERIFY(!server.isListening());
        QVERIFY(!QFile::exists(options.databasePath));
    }
};

QTEST_GUILESS_MAIN(TestTls)
#include "tst_tls.moc"
