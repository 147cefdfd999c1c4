// The report against a real application server on a demo database, after real calculation
// runs: every NF section, line and total equals what the stored result rows add up to, the
// PDF's text holds the header and the totals on every page it must, and the CSV reads back
// to the same numbers. A 500-line calculation paginates with the header and the page
// number on every page.

#include "scripted_ui.h"

#include "contracts/app_server.h"
#include "framework/components/db_geral.h"
#include "framework/components/net_connection.h"
#include "framework/data/field_type.h"
#include "framework/session.h"
#include "host/server_process.h"
#include "report/cli_rqx30700.h"
#include "report/frm_rel_apuracao.h"
#include "report/report_amounts.h"
#include "server/auth/users.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace report;

namespace {

constexpr int kTimeoutMs = 60000;

// A calculation's lines as the database keeps them, grouped the way an invoice is:
// "NF|service|product|price units|quantity units|amount units".
struct Expected {
    QMap<QString, QStringList> lines; // by NF, "" last when iterating sections()
    QMap<QString, qint64> quantity, amount;
    qint64 totalQuantity = 0, totalAmount = 0;
    QStringList sections() const {
        QStringList keys = lines.keys();
        if (keys.removeOne(QString()))
            keys.append(QString());
        return keys;
    }
};

QString lineKey(const QString& service, const QString& product, qint64 price, qint64 quantity,
                qint64 amount) {
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(service, product)
        .arg(price)
        .arg(quantity)
        .arg(amount);
}

QString pdfText(const QString& pdf) {
    const QString tool = QStandardPaths::findExecutable("pdftotext");
    if (tool.isEmpty())
        qFatal("pdftotext is missing: run scripts/setup (poppler-utils)");
    QProcess p;
    p.start(tool, {"-layout", "-enc", "UTF-8", pdf, "-"});
    if (!p.waitForFinished(kTimeoutMs) || p.exitCode() != 0)
        qFatal("pdftotext failed on %s", qPrintable(pdf));
    return QString::fromUtf8(p.readAllStandardOutput());
}

qint64 unitsOf(const QString& number) {
    QString digits = number;
    digits.remove(QLatin1Char(','));
    return digits.toLongLong();
}

} // namespace

class TestReportDemoServer : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString database;
    ServerProcess server;
    std::unique_ptr<TNetConnection> connection;
    HostSession saved;

    QSqlDatabase check() { return QSqlDatabase::database("check"); }

    QString scalar(const QString& sql, const QVariantList& params = {}) {
        QSqlQuery q(check());
        q.prepare(sql);
        for (const QVariant& p : params)
            q.addBindValue(p);
        if (!q.exec() || !q.next())
            qFatal("check query failed: %s", qPrintable(sql));
        return q.value(0).toString();
    }

    void exec(QSqlQuery& q, const QString& sql, const QVariantList& params) {
        q.prepare(sql);
        for (const QVariant& p : params)
            q.addBindValue(p);
        if (!q.exec())
            qFatal("setup failed: %s", qPrintable(q.lastError().text()));
    }

    // A client at 0002 billed 125 days on four services, every day at a price of its own:
    // 500 result lines, 250 on NF 001, 125 on NF 002, 125 without NF.
    void addLargeClient() {
        QSqlQuery q(check());
        exec(q,
             "INSERT INTO CLIENTE VALUES ('9001', 'J', '99888777000166', 'Refeições em Massa "
             "Ltda', 'Massa', 'S')",
             {});
        const QStringList services{"00001", "00002", "00003", "00006"};
        const QStringList nfs{"001", "001", "002", ""};
        for (int s = 0; s < services.size(); ++s) {
            exec(q, "INSERT INTO SERVCLIE VALUES ('0002', '9001', ?, ?, 5)", {services[s], nfs[s]});
            for (int d = 0; d < 125; ++d)
                exec(q,
                     "INSERT INTO EFETCDRS (CDFILIAL, CDCLIENTE, CDSERVFILI, DTEFETCDRS, "
                     "QTCOMECDRS, QTPREVCDRS, NRAGRUEFET, VRPRECEFET, CDPRODUTO) SELECT '0002', "
                     "'9001', ?, ?, ?, 0, ?, ?, CDPRODUTO FROM SERVFILI WHERE CDFILIAL = '0002' "
                     "AND CDSERVFILI = ?",
                     {services[s], QDate(2024, 1, 1).addDays(d).toString(Qt::ISODate), 10.5 + d % 7,
                      nfs[s], 5.0 + 2 * s + d / 100.0, services[s]});
        }
    }

    QString calculate(const QString& branch, const QString& client, QDate from, QDate to,
                      const QString& number) {
        QVariantList args{branch, client, dateTimeOf(from), dateTimeOf(to), number, branch};
        const QVariantMap answer =
            connection->AppServer().Invoke(ServerMethod::Confirma_Calculo, args).toMap();
        if (!answer.value("ok").toBool())
            qFatal("calculation refused: %s", qPrintable(answer.value("message").toString()));
        return args.at(ServerMethod::ConfirmaCalculoNumberArg).toString();
    }

    Expected expectedOf(const QString& branch, const QString& number) {
        QSqlQuery q(check());
        exec(q,
             "SELECT NRAGRUEFET, CDSERVFILI, CDPRODUTO, VRPRECO, QTFATURADA, VRFATURADO FROM "
             "ITAPURFAT WHERE CDFILIAL = ? AND NRAPURACFAT = ?",
             {branch, number});
        Expected e;
        while (q.next()) {
            const QString nf = q.value(0).toString();
            const qint64 quantity = qRound64(q.value(4).toDouble() * 1000);
            const qint64 amount = qRound64(q.value(5).toDouble() * 100);
            e.lines[nf] << lineKey(q.value(1).toString(), q.value(2).toString(),
                                   qRound64(q.value(3).toDouble() * 10000), quantity, amount);
            e.quantity[nf] += quantity;
            e.amount[nf] += amount;
            e.totalQuantity += quantity;
            e.totalAmount += amount;
        }
        for (QStringList& l : e.lines)
            l.sort();
        return e;
    }

    // The report screen on `branch`, with the client of `registration` picked.
    TfrmRelApuracao* showReport(const QString& branch, const QString& registration) {
        IniProc();
        TfrmRelApuracao* screen = frmRelApuracao;
        screen->cbxFilial->setCurrentIndex(screen->cbxFilial->findData(branch));
        screen->medCdCliente->SetText(registration);
        emit screen->medCdCliente->returnPressed();
        return screen;
    }

    QString exportPdf(ScriptedUi& ui, TfrmRelApuracao* screen, const QString& name) {
        const QString path = dir.filePath(name);
        ui.onModal = [path](QWidget* form) {
            qobject_cast<QFileDialog*>(form)->selectFile(path);
            return int(mrOk);
        };
        screen->sbtExportarPdf->click();
        // scripts/report-screenshot keeps them to picture a report page.
        if (const QString keep = qEnvironmentVariable("APURFAT_REPORT_SAMPLES"); !keep.isEmpty())
            QFile::copy(path, QDir(keep).filePath(name));
        return path;
    }

private slots:
    void initTestCase() {
        saved = hostSession();
        database = dir.filePath("demo.sqlite");
        runServerCommand(SERVER_EXECUTABLE, {"--init-demo", "--db", database}, kTimeoutMs);
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
        db.setDatabaseName(database);
        QVERIFY(db.open());
        addLargeClient();
        server.start(SERVER_EXECUTABLE, database, kTimeoutMs);
        QVERIFY(dtmDBGeral::Open("QSQLITE", database));
        HostSession& s = hostSession();
        s = HostSession();
        s.filiProc = s.filiProcFat = "0001";
        s.webUrl = server.host();
        s.webPort = server.port();
        s.login = QString::fromLatin1(server::DemoUserBothBranches.login);
        s.password = QString::fromLatin1(server::DemoUserBothBranches.password);
        connection = std::make_unique<TNetConnection>();
        connection->SetHost(server.host());
        connection->Port = server.port();
        connection->SetConnected(true);
        QVERIFY(connection->Connected());
    }

    void cleanup() {
        if (frmRelApuracao) {
            frmRelApuracao->Close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    void cleanupTestCase() {
        connection.reset();
        dtmDBGeral::Close();
        QSqlDatabase::database("check").close();
        QSqlDatabase::removeDatabase("check");
        server.stop();
        hostSession() = saved;
    }

    void theReportAddsUpToTheStoredResults() {
        // The factory's open calculation, run again: three NF sections, apportioned days.
        const QString number = scalar("SELECT NRAPURACFAT FROM CTRLAPURFAT WHERE CDFILIAL = "
                                      "'0001' AND CDCLIENTE = '1001' AND IDBLOQUEADO = 'N'");
        const QDate from = QDate::fromString(
            scalar("SELECT DTINIAPURAC FROM CTRLAPURFAT WHERE NRAPURACFAT = ?", {number}),
            Qt::ISODate);
        const QDate to = QDate::fromString(
            scalar("SELECT DTFIMAPURAC FROM CTRLAPURFAT WHERE NRAPURACFAT = ?", {number}),
            Qt::ISODate);
        QCOMPARE(calculate("0001", "1001", from, to, number), number);
        const Expected expected = expectedOf("0001", number);
        QCOMPARE(expected.sections(), QStringList({"001", "002", ""}));

        ScriptedUi ui;
        const QString registration =
            scalar("SELECT NRINSJURCLIE FROM CLIENTE WHERE CDCLIENTE = '1001'");
        TfrmRelApuracao* screen = showReport("0001", registration);
        QVERIFY2(ui.messages.isEmpty(), qPrintable(ui.lastText()));
        QVERIFY(screen->Relatorio().has_value());
        const CalculationReport& report = *screen->Relatorio();
        QCOMPARE(report.header.number, number);
        QCOMPARE(report.header.from, from);
        QCOMPARE(report.header.to, to);
        QCOMPARE(report.header.companyName, QStringLiteral("Metalúrgica Paulista Ltda"));
        QVERIFY(!report.header.locked);

        // Every section, line and total, against the stored rows.
        QStringList sections;
        for (const NfSection& s : report.sections) {
            sections << s.nf;
            QStringList lines;
            for (const ReportLine& l : s.lines)
                lines << lineKey(l.service, l.product, l.price, l.quantity, l.amount);
            lines.sort();
            QCOMPARE(lines, expected.lines.value(s.nf));
            QCOMPARE(s.quantity, expected.quantity.value(s.nf));
            QCOMPARE(s.amount, expected.amount.value(s.nf));
        }
        QCOMPARE(sections, expected.sections());
        QCOMPARE(report.amount, expected.totalAmount);
        QCOMPARE(report.quantity, expected.totalQuantity);

        // The PDF says the same.
        const QString pdf = pdfText(exportPdf(ui, screen, "relatorio.pdf"));
        for (const QString& text :
             {QStringLiteral("Relatório de Apuração"), "Apuração " + number,
              QStringLiteral("Filial: 0001 - Matriz São Paulo"),
              "Cliente: " + report.header.registrationText() + " - Metalúrgica Paulista Ltda",
              "Período: " + report.header.periodText(), QStringLiteral("Situação: Aberta"),
              "Calculada em " + report.header.calculatedAtText() +
                  " pela filial 0001 - Matriz São Paulo",
              QStringLiteral("Página 1 de 1")})
            QVERIFY2(pdf.contains(text), qPrintable(text));
        for (const QString& nf : expected.sections()) {
            const QString title = nf.isEmpty() ? QStringLiteral("Sem NF") : "NF " + nf;
            const QRegularExpression subtotal(
                "Subtotal " + title + "\\s+" +
                QRegularExpression::escape(quantityText(expected.quantity[nf])) + "\\s+" +
                QRegularExpression::escape(moneyText(expected.amount[nf])));
            QVERIFY2(pdf.contains(subtotal), qPrintable(subtotal.pattern()));
        }
        QVERIFY(pdf.contains(QRegularExpression(
            "Total geral\\s+" + QRegularExpression::escape(quantityText(expected.totalQuantity)) +
            "\\s+" + QRegularExpression::escape(moneyText(expected.totalAmount)))));

        // The CSV reads back to the same numbers.
        const QString csvPath = dir.filePath("relatorio.csv");
        ui.onModal = [csvPath](QWidget* form) {
            qobject_cast<QFileDialog*>(form)->selectFile(csvPath);
            return int(mrOk);
        };
        screen->sbtExportarCsv->click();
        QFile csv(csvPath);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList rows = QString::fromUtf8(csv.readAll().mid(3)).split("\r\n");
        Expected read;
        for (const QString& row : rows) {
            const QStringList c = row.split(';');
            if (c.size() != 7 || c[0] == "NF")
                continue;
            if (c[0] == "Total geral") {
                read.totalQuantity = unitsOf(c[4]);
                read.totalAmount = unitsOf(c[6]);
            } else if (c[0].startsWith("Subtotal ")) {
                const QString nf = c[0] == "Subtotal Sem NF" ? QString() : c[0].mid(12);
                read.quantity[nf] = unitsOf(c[4]);
                read.amount[nf] = unitsOf(c[6]);
            } else {
                const QString nf = c[0] == "Sem NF" ? QString() : c[0].mid(3);
                read.lines[nf] << lineKey(c[1], c[3], unitsOf(c[5]) * 100, unitsOf(c[4]),
                                          unitsOf(c[6]));
            }
        }
        for (QStringList& l : read.lines)
            l.sort();
        QCOMPARE(read.lines, expected.lines);
        QCOMPARE(read.quantity, expected.quantity);
        QCOMPARE(read.amount, expected.amount);
        QCOMPARE(read.totalAmount, expected.totalAmount);
        QCOMPARE(read.totalQuantity, expected.totalQuantity);
    }

    void fiveHundredLinesPaginateWithTheHeaderOnEveryPage() {
        const QString number = calculate("0002", "9001", QDate(2024, 1, 1), QDate(2024, 5, 4), {});
        QCOMPARE(
            scalar("SELECT count(*) FROM ITAPURFAT WHERE CDFILIAL = '0002' AND NRAPURACFAT = ?",
                   {number}),
            QStringLiteral("500"));
        ScriptedUi ui;
        TfrmRelApuracao* screen = showReport("0002", "99888777000166");
        QVERIFY2(screen->Relatorio().has_value(), qPrintable(ui.lastText()));
        QCOMPARE(screen->Relatorio()->lineCount(), 500);

        const QStringList pages = pdfText(exportPdf(ui, screen, "grande.pdf"))
                                      .split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QVERIFY2(pages.size() >= 8, qPrintable(QString::number(pages.size())));
        // A line is whole on one text line: service, product, quantity, price and amount.
        const QRegularExpression line(
            "^\\s*0000[1236] - \\S.*\\s[A-Z]{4}\\s+[\\d.]+,\\d{3}\\s+R\\$ [\\d.]+,\\d{2,4}\\s+"
            "R\\$ [\\d.]+,\\d{2}\\s*$",
            QRegularExpression::MultilineOption);
        int lines = 0;
        for (int p = 0; p < pages.size(); ++p) {
            const QString& page = pages[p];
            for (const QString& text :
                 {QStringLiteral("Relatório de Apuração"), "Apuração " + number,
                  QStringLiteral("Filial: 0002 - Filial Campinas"),
                  QStringLiteral("Cliente: 99.888.777/0001-66 - Refeições em Massa Ltda"),
                  QStringLiteral("Período: 01/01/2024 a 04/05/2024"),
                  QStringLiteral("Página %1 de %2").arg(p + 1).arg(pages.size())})
                QVERIFY2(page.contains(text),
                         qPrintable(QStringLiteral("page %1 lacks %2").arg(p + 1).arg(text)));
            for (auto match = line.globalMatch(page); match.hasNext(); match.next())
                ++lines;
        }
        QCOMPARE(lines, 500);
        QVERIFY(pages.last().contains(QRegularExpression(
            "Total geral\\s+[\\d.]+,\\d{3}\\s+" +
            QRegularExpression::escape(moneyText(screen->Relatorio()->amount)))));
    }
};

QTEST_MAIN(TestReportDemoServer)
#include "tst_report_demo_server.moc"
