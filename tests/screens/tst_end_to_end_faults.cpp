// The clerk's work survives the server's faults, end to end against the real server: a
// save whose answer never came (the server frozen past the reply time, then woken) is
// confirmed again without a second row and without blaming another user; a server
// restarted between two steps goes unnoticed by the next confirmation.

#include "apportionment_steps.h"
#include "real_server_screen.h"

#include "screens/apuracao/frm_apur_fat_tr.h"

#include "framework/data/text_format.h"
#include "host/host_settings.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>

namespace {

// The supper of the hospital's first day of last month, split in one share by the clerk:
// pending until confirmed.
QDate typeOneShare(RealServerScreen& e) {
    TfrmApurFatTR* s = e.s;
    openDailyPage(e, "00004");
    const QDate day = s->cdsEfetivos.FieldByName("DTEFETCDRS").AsDateTime().date();
    const double billed = s->cdsEfetivos.FieldByName("QTCOMECDRS").AsFloat();
    e.click(s->sbtIncluir);
    typeShare(textformat::floatToStr(billed), "1", "Ala norte");
    return day;
}

// Stops the server's process until it goes out of scope, whatever the test does meanwhile.
class Frozen {
public:
    explicit Frozen(qint64 pid) : m_pid(pid_t(pid)) { ::kill(m_pid, SIGSTOP); }
    ~Frozen() { ::kill(m_pid, SIGCONT); }
    Frozen(const Frozen&) = delete;
    Frozen& operator=(const Frozen&) = delete;

private:
    const pid_t m_pid;
};

} // namespace

class TstEndToEndFaults : public QObject {
    Q_OBJECT
private slots:
    void aSaveWhoseAnswerWasLostIsConfirmedOnce();
    void aServerRestartedWhileTheClerkWorksGoesUnnoticed();
};

void TstEndToEndFaults::aSaveWhoseAnswerWasLostIsConfirmedOnce() {
    RealServerScreen e;
    // A short reply time, from the host's settings as a site would set it.
    const QString settingsFile = QDir(e.database.folder()).filePath("apurfat-host.ini");
    QFile settings(settingsFile);
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write("[Servidor]\nTempoResposta=2\n");
    settings.close();
    hostSession().replyTimeoutMs = readHostSettings(settingsFile, true).replyTimeoutMs;
    QCOMPARE(hostSession().replyTimeoutMs, 2000);

    TfrmApurFatTR* s = e.open();
    QVERIFY(s);
    const QDate day = typeOneShare(e);
    {
        Frozen frozen(e.server.processId());
        e.click(s->sbtConfirmar);
        QCOMPARE(e.ui.messages.size(), 1);
        QVERIFY2(e.ui.lastText().contains("não respondeu a SetRateio em 2.0 s"),
                 qPrintable(e.ui.lastText()));
        QVERIFY(s->cdsRateio.ChangeCount() > 0);
    }
    // Woken, the server stores the share the clerk was told went unanswered.
    QTRY_COMPARE_WITH_TIMEOUT(storedRows(e, "00004", day).size(), 1, 20000);

    // The clerk confirms the same pending share again, through the pencil as after any
    // failed save: the first save's success.
    e.ui.clear();
    e.click(s->sbtAlterar);
    e.click(s->sbtConfirmar);
    QVERIFY2(e.ui.messages.isEmpty(), qPrintable(e.ui.texts().join('\n')));
    QCOMPARE(s->cdsRateio.ChangeCount(), 0);
    QCOMPARE(storedRows(e, "00004", day), gridRows(s));
    QCOMPARE(e.scalar("SELECT count(*) FROM AUDITORIA WHERE NMMETODO = 'SetRateio'").toInt(), 1);
}

void TstEndToEndFaults::aServerRestartedWhileTheClerkWorksGoesUnnoticed() {
    RealServerScreen e;
    TfrmApurFatTR* s = e.open();
    QVERIFY(s);
    const QDate day = typeOneShare(e);
    const qint64 before = e.server.processId();
    e.restartServer();
    QVERIFY(e.server.processId() != before);

    e.click(s->sbtConfirmar);
    QVERIFY2(e.ui.messages.isEmpty(), qPrintable(e.ui.texts().join('\n')));
    QCOMPARE(s->cdsRateio.ChangeCount(), 0);
    QCOMPARE(storedRows(e, "00004", day), gridRows(s));
}

QTEST_MAIN(TstEndToEndFaults)
#include "tst_end_to_end_faults.moc"
