// The host's login to the application server: the branches of the session come from the
// server's answer, the login window asks again after a refusal and shows why, cancelling
// ends the start, and an unreachable server is an error.

#include "scripted_ui.h"
#include "tests/net/loopback_server.h"

#include "contracts/host_framework.h"
#include "framework/net/rpc_client.h"
#include "framework/session.h"
#include "host/login_dialog.h"
#include "host/server_login.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

constexpr int TimeoutMs = 5000;

// The login window's answers, one per time it is shown; an empty login cancels.
struct Typist {
    QList<std::pair<QString, QString>> attempts;
    QStringList refusalsSeen;

    int operator()(QWidget* form) {
        const auto* refusal = form->findChild<QLabel*>(QStringLiteral("lblRecusa"));
        refusalsSeen << (refusal->isVisibleTo(form) ? refusal->text() : QString());
        if (attempts.isEmpty() || attempts.first().first.isEmpty())
            return mrCancel;
        const auto [login, password] = attempts.takeFirst();
        auto* edtLogin = form->findChild<QLineEdit*>(QStringLiteral("edtUsuario"));
        auto* edtPassword = form->findChild<QLineEdit*>(QStringLiteral("edtSenha"));
        // A refused attempt leaves the password empty for the next one.
        if (!edtPassword->text().isEmpty())
            return mrCancel;
        edtLogin->setText(login);
        edtPassword->setText(password);
        return mrOk;
    }
};

} // namespace

class TstHostLogin : public QObject {
    Q_OBJECT
private slots:
    void init() { hostSession() = HostSession(); }

    void theSessionsBranchesAreTheServersAnswer() {
        LoopbackServer server;
        HostSession& session = hostSession();
        session.webPort = server.port();
        session.login = QStringLiteral("campinas");
        session.password = QStringLiteral("demo-campinas");
        // Whatever the session held before, the login decides.
        session.filiProc = QStringLiteral("0001");
        session.moduFili = false;
        logInToServer(session, TimeoutMs);
        QCOMPARE(session.filiProc, QStringLiteral("0002"));
        QCOMPARE(session.nomeFiliProc, QStringLiteral("Filial Campinas"));
        QCOMPARE(session.filiProcFat, QStringLiteral("0002"));
        QVERIFY(session.moduFili);
        QCOMPARE(FiliProc(), QStringLiteral("0002"));
        QVERIFY(ModuFili());
    }

    void theLoginWindowAsksAgainAfterARefusal() {
        LoopbackServer server;
        ScriptedUi ui;
        Typist typist;
        typist.attempts = {{"demo", "errada"}, {"demo", "demo-apuracao"}};
        ui.onModal = std::ref(typist);
        HostSession& session = hostSession();
        session.webPort = server.port();
        logInInteractively(session, TimeoutMs);
        QCOMPARE(typist.refusalsSeen,
                 QStringList({QString(), QStringLiteral("Usuário ou senha inválidos.")}));
        QCOMPARE(session.login, QStringLiteral("demo"));
        QCOMPARE(session.password, QStringLiteral("demo-apuracao"));
        QCOMPARE(session.filiProc, QStringLiteral("0001"));
        QVERIFY(!session.moduFili);
    }

    void cancellingTheLoginEndsTheStartSilently() {
        LoopbackServer server;
        ScriptedUi ui;
        Typist typist;
        typist.attempts = {{"demo", "errada"}, {"", ""}};
        ui.onModal = std::ref(typist);
        hostSession().webPort = server.port();
        QVERIFY_THROWS_EXCEPTION(EAbort, logInInteractively(hostSession(), TimeoutMs));
        QCOMPARE(typist.refusalsSeen.size(), 2);
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(hostSession().filiProc, QString());
    }

    void theLoginWindowReadsAsADialogNamedByItsCaptionAndEscCancels() {
        ScriptedUi ui;
        LoginDialog dialog;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&dialog);
        QCOMPARE(a->role(), QAccessible::Dialog);
        QCOMPARE(a->text(QAccessible::Name),
                 QStringLiteral("Entrar - Sistemas Integrados Corvana"));
        dialog.setProperty("modalResult", int(mrOk)); // as a refused attempt leaves it
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.property("modalResult").toInt(), int(mrCancel));
    }

    void anUnreachableServerIsAnErrorNotARefusal() {
        ScriptedUi ui;
        Typist typist;
        typist.attempts = {{"demo", "demo-apuracao"}};
        ui.onModal = std::ref(typist);
        hostSession().webPort = 1;
        try {
            logInInteractively(hostSession(), TimeoutMs);
            QFAIL("logged in without a server");
        } catch (const ELoginRefused&) {
            QFAIL("a server that is not there cannot refuse a login");
        } catch (const ENetError& e) {
            QVERIFY2(e.message().contains("Não foi possível conectar"), qPrintable(e.message()));
        }
    }
};

QTEST_MAIN(TstHostLogin)
#include "tst_host_login.moc"
