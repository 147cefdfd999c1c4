// The lookup button with a scripted dialog: the list it offers, what a pick, a cancel, an
// empty list and a refusing OnBeforePesq do, and F4 in the associated edit.

#include "contracts/host_framework.h"
#include "framework/components/lookup_button.h"
#include "framework/components/mask_edit.h"
#include "framework/data/datasource.h"
#include "framework/data/packet.h"
#include "scripted_ui.h"

#include <QTest>

namespace {

// Clients as the screen's list holds them: a hidden key, a masked registration number, a
// name shown through OnGetText, and a plain name.
struct Clients {
    TClientDataSet ds{"cdsCliente"};
    TDataSource source{"dtsCliente", &ds};
    TBtnPesquisa button;
    TMaskEdit edit;
    QStringList log;

    Clients() {
        ds.AddField("CDCLIENTE", ftString, 21).SetVisible(false);
        ds.AddField("NRINSJURCLIE", ftString, 20)
            .SetDisplayLabel("Inscrição")
            .SetEditMask("00.000.000/0000-00;0;_");
        ds.AddField("NMRAZSOCCLIE", ftString, 50).SetDisplayLabel("Razão Social").OnGetText =
            [](TField& f, QString& text, bool) { text = f.AsString().toUpper(); };
        ds.AddField("NMFANTCLIE", ftString, 50).SetDisplayLabel("Nome Fantasia");
        button.SetTitle("Cliente");
        button.SetDataSource(&source);
        button.SetAssociate(&edit);
        button.OnAfterPesq = [this](TBtnPesquisa&) {
            log << "after:" + ds.FieldByName("CDCLIENTE").AsString();
        };
    }

    void load(int rows) {
        packet::Table t;
        t.fields = {{"CDCLIENTE", ftString, 21, {}},
                    {"NRINSJURCLIE", ftString, 20, {}},
                    {"NMRAZSOCCLIE", ftString, 50, {}},
                    {"NMFANTCLIE", ftString, 50, {}}};
        const QList<QVariantList> all{{"C1", "12345678000190", "Refeições Sul", "Sul"},
                                      {"C2", "98765432000155", "Cozinha Norte", "Norte"}};
        t.rows = all.mid(0, rows);
        ds.SetData(packet::make(t));
    }
};

} // namespace

class TstLookupButton : public QObject {
    Q_OBJECT
private slots:
    void theListHoldsTheVisibleFieldsAsTheyDisplay();
    void aPickMovesTheDataSetAndACancelDoesNothing();
    void anEmptyOrClosedListShowsTheEmptyError();
    void onBeforePesqRunsFirstAndCanStopIt();
    void f4InTheAssociatedEditOpensTheLookup();
};

void TstLookupButton::theListHoldsTheVisibleFieldsAsTheyDisplay() {
    ScriptedUi ui;
    Clients c;
    c.load(2);
    c.button.click();
    QCOMPARE(ui.lists.size(), 1);
    const LookupList& list = ui.lists.first();
    QCOMPARE(list.title, QString("Cliente"));
    QCOMPARE(list.headers, (QStringList{"Inscrição", "Razão Social", "Nome Fantasia"}));
    QCOMPARE(list.rows, (QList<QStringList>{{"12.345.678/0001-90", "REFEIÇÕES SUL", "Sul"},
                                            {"98.765.432/0001-55", "COZINHA NORTE", "Norte"}}));
    QCOMPARE(c.ds.RecNo(), 1); // reading the rows does not move the data set
}

void TstLookupButton::aPickMovesTheDataSetAndACancelDoesNothing() {
    ScriptedUi ui;
    ui.picks = {1, -1};
    Clients c;
    c.load(2);
    int scrolls = 0;
    c.ds.AfterScroll = [&](TClientDataSet&) { ++scrolls; };
    c.button.click();
    QCOMPARE(c.log, QStringList{"after:C2"}); // on the picked row
    QCOMPARE(scrolls, 1);
    c.button.click();
    QCOMPARE(ui.lists.size(), 2);
    QCOMPARE(c.log.size(), 1);
    QCOMPARE(c.ds.RecNo(), 2);

    // A failing OnAfterPesq stops in the guard; called from code it reaches the caller.
    ui.picks = {0, 0};
    c.button.OnAfterPesq = [](TBtnPesquisa&) { throw Exception("Cliente bloqueado."); };
    c.button.click();
    QCOMPARE(ui.texts(), QStringList{"Cliente bloqueado."});
    QVERIFY_THROWS_EXCEPTION(Exception, c.button.Click());
}

void TstLookupButton::anEmptyOrClosedListShowsTheEmptyError() {
    ScriptedUi ui;
    Clients c;
    c.button.click(); // never opened, no EmptyError of its own
    c.button.SetEmptyError("Não há cliente cadastrado ou Ativos para a Filial");
    c.load(0);
    c.button.click();
    QCOMPARE(ui.lists.size(), 0);
    QCOMPARE(ui.texts(), (QStringList{"Não há registros para pesquisar.",
                                      "Não há cliente cadastrado ou Ativos para a Filial"}));
    QCOMPARE(ui.messages.last().type, mtInformation);
    QCOMPARE(c.log, QStringList());
}

void TstLookupButton::onBeforePesqRunsFirstAndCanStopIt() {
    ScriptedUi ui;
    ui.picks = {0};
    Clients c;
    // The screen reloads the list before it opens, as the branch lookup does.
    c.button.OnBeforePesq = [&](TBtnPesquisa&, bool& proceed) {
        c.log << QString("before:%1").arg(proceed);
        c.load(2);
    };
    c.button.click();
    QCOMPARE(c.log, (QStringList{"before:1", "after:C1"}));

    c.button.OnBeforePesq = [&](TBtnPesquisa&, bool& proceed) { proceed = false; };
    c.button.click();
    QCOMPARE(ui.lists.size(), 1);
    QCOMPARE(ui.messages.size(), 0);
}

void TstLookupButton::f4InTheAssociatedEditOpensTheLookup() {
    ScriptedUi ui;
    Clients c;
    c.load(2);
    QTest::keyClick(&c.edit, Qt::Key_F4);
    QTest::keyClick(&c.edit, Qt::Key_F4, Qt::AltModifier); // not ours
    QCOMPARE(ui.lists.size(), 1);
    TMaskEdit other;
    c.button.SetAssociate(&other);
    QTest::keyClick(&c.edit, Qt::Key_F4);
    QTest::keyClick(&other, Qt::Key_F4);
    QCOMPARE(ui.lists.size(), 2);
    QCOMPARE(c.button.focusPolicy(), Qt::NoFocus);
    QCOMPARE(c.button.accessibleName(), QString("Pesquisar"));
}

QTEST_MAIN(TstLookupButton)
#include "tst_lookup_button.moc"
