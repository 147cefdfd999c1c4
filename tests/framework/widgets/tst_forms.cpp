// The base forms: handlers bound by name and taken over by a derived screen, the command
// state rule, the page menu items, closing, and modal showing through the dialog seam.

#include "contracts/host_framework.h"
#include "framework/forms/application.h"
#include "framework/forms/frm_padrao.h"
#include "framework/forms/frm_roti_geral.h"
#include "framework/ui/qt_ui_services.h"
#include "scripted_ui.h"

#include "framework/components/edit.h"
#include "framework/components/focus.h"
#include "framework/components/panel.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

// A derived screen as the module writes one: overrides some handlers, calls the inherited.
class Derived : public TfrmPadrao {
public:
    QStringList log;
    TClientDataSet ds{"cdsTest"};
    Derived() {
        ds.AddField("CODE", ftString, 4).SetDisplayLabel("Código");
        ds.AddField("NAME", ftString, 20).SetDisplayLabel("Nome");
        ds.CreateDataSet();
        dtsPadrao.SetDataSet(&ds);
        dbgPadrao->AddColumn("CODE");
        dbgPadrao->AddColumn("NAME");
    }
    ~Derived() override { dtsPadrao.OnStateChange = nullptr; }
    void FormCreate(QObject* sender) override {
        TfrmPadrao::FormCreate(sender);
        log << "FormCreate";
    }
    void FormClose(QObject* sender, TCloseAction& action) override {
        log << "FormClose";
        if (refuseClose)
            throw Exception("não pode fechar");
        TfrmPadrao::FormClose(sender, action);
    }
    void sbtIncluirClick(QObject* sender) override {
        log << QStringLiteral("Incluir:%1").arg(sender ? sender->objectName() : "-");
        TfrmPadrao::sbtIncluirClick(sender);
    }
    void pgcPadraoChange(QObject* sender) override {
        log << "pgcPadraoChange";
        TfrmPadrao::pgcPadraoChange(sender);
    }
    void add(const QString& code, const QString& name) {
        ds.Append();
        ds.FieldByName("CODE").SetAsString(code);
        ds.FieldByName("NAME").SetAsString(name);
        ds.Post();
    }
    bool refuseClose = false;
};

class Dialog : public TfrmRotiGeral {
public:
    int confirms = 0;
    void sbtConfirmaClick(QObject*) override { ++confirms; }
};

} // namespace

class TstForms : public QObject {
    Q_OBJECT
private slots:
    void createRunsTheDerivedHandlerWithTheReferenceAlreadySet();
    void buttonsAndMenuItemsReachTheSameHandler();
    void theStandardStateRuleFollowsTheDataSet();
    void thePageItemsSelectThePageWithoutTheChangingEvent();
    void closingFreesTheFormUnlessTheCloseHandlerRefuses();
    void locateAndCopyWorkOnTheGridPagesDataSet();
    void aRoutineDialogShowsModallyThroughTheSeam();
    void aRoutineDialogReadsAsAModalDialogNamedByItsCaption();
    void menuShortCutsUseTheDesktopValues();
    void aClickOnAScrollBoxOrAPanelLeavesTheFocusWhereItIs_data();
    void aClickOnAScrollBoxOrAPanelLeavesTheFocusWhereItIs();
    void theScreenCodeLabelReadsItsCode();
};

void TstForms::createRunsTheDerivedHandlerWithTheReferenceAlreadySet() {
    ScriptedUi ui;
    struct Probe : Derived {
        Probe*& ref;
        bool sawReference = false;
        explicit Probe(Probe*& r) : ref(r) {}
        void FormCreate(QObject* s) override {
            sawReference = ref == this;
            Derived::FormCreate(s);
        }
    };
    Probe* probe = nullptr;
    probe = new Probe(probe);
    probe->RunCreate();
    QVERIFY(probe->sawReference);
    QCOMPARE(probe->log, QStringList({"pgcPadraoChange", "FormCreate"}));
    delete probe;

    // A failing create handler is shown and the form still exists.
    struct Failing : Derived {
        void FormCreate(QObject*) override { throw Exception("falhou ao criar"); }
    };
    Failing* failing = nullptr;
    Application().CreateForm(failing);
    QVERIFY(failing);
    QCOMPARE(ui.texts(), QStringList{"falhou ao criar"});
    delete failing;
}

void TstForms::buttonsAndMenuItemsReachTheSameHandler() {
    Derived form;
    form.RunCreate();
    form.log.clear();
    form.mnuIncluir->trigger();
    QCOMPARE(form.ds.State(), dsInsert);
    // While inserting, the include command is off: the item does nothing.
    form.mnuIncluir->trigger();
    form.ds.Cancel();
    form.sbtIncluir->click();
    QCOMPARE(form.log, (QStringList{"Incluir:mnuIncluir", "Incluir:sbtIncluir"}));
}

void TstForms::theStandardStateRuleFollowsTheDataSet() {
    Derived form;
    form.RunCreate();
    QVERIFY(form.sbtIncluir->isEnabled());
    QVERIFY(!form.sbtAlterar->isEnabled()); // no rows
    form.add("0001", "Um");
    form.dtsPadraoStateChange(&form);
    QVERIFY(form.sbtAlterar->isEnabled());
    QVERIFY(!form.sbtConfirmar->isEnabled());
    form.ds.Edit();
    QVERIFY(form.sbtConfirmar->isEnabled());
    QVERIFY(form.mnuCancelar->isEnabled());
    QVERIFY(!form.sbtIncluir->isEnabled());
    for (auto [button, item] :
         {std::pair<TSpeedButton*, TMenuItem*>{form.sbtIncluir, form.mnuIncluir},
          {form.sbtConfirmar, form.mnuConfirmar}})
        QCOMPARE(button->isEnabled(), item->isEnabled());
    form.sbtConfirmar->click();
    QCOMPARE(form.ds.State(), dsBrowse);
}

void TstForms::thePageItemsSelectThePageWithoutTheChangingEvent() {
    Derived form;
    form.RunCreate();
    int changing = 0;
    form.pgcPadrao->OnChanging = [&](bool&) { ++changing; };
    form.log.clear();
    form.mnuFormulario->trigger();
    QCOMPARE(form.pgcPadrao->ActivePage(), form.tshFormulario);
    QVERIFY(form.mnuFormulario->isChecked());
    QVERIFY(!form.mnuFolhaDados->isChecked());
    QCOMPARE(form.log, QStringList{"pgcPadraoChange"});
    QCOMPARE(changing, 0);
}

void TstForms::closingFreesTheFormUnlessTheCloseHandlerRefuses() {
    ScriptedUi ui;
    QPointer<Derived> form = new Derived;
    form->RunCreate();
    form->show();
    form->refuseClose = true;
    form->Close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form);
    QVERIFY(form->isVisible());
    QCOMPARE(ui.texts(), QStringList{"não pode fechar"});
    form->refuseClose = false;
    form->sbtFechar->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(form.isNull());
}

void TstForms::locateAndCopyWorkOnTheGridPagesDataSet() {
    ScriptedUi ui;
    Derived form;
    form.RunCreate();
    form.add("0001", "Um");
    form.add("0002", "Dois");
    form.add("0003", "Três");
    form.ds.First();
    ui.picks = {2};
    form.sbtLocalizar->click();
    QCOMPARE(form.ds.RecNo(), 3);
    QCOMPARE(ui.lists.last().headers, (QStringList{"Código", "Nome"}));
    QCOMPARE(ui.lists.last().rows.size(), 3);
    form.sbtCopiar->click();
    QCOMPARE(QApplication::clipboard()->text(),
             QString("Código\tNome\n0001\tUm\n0002\tDois\n0003\tTrês\n"));
}

void TstForms::aRoutineDialogShowsModallyThroughTheSeam() {
    ScriptedUi ui;
    Dialog* dialog = nullptr;
    Application().CreateForm(dialog);
    ui.onModal = [&](QWidget* w) {
        auto* d = static_cast<Dialog*>(w);
        d->sbtConfirma->click();
        d->sbtConfirma->click();
        return int(mrOk);
    };
    // It opens centred on the window the user works in.
    QWidget main;
    main.setGeometry(100, 80, 800, 600);
    main.show();
    Application().SetMainForm(&main);
    dialog->resize(360, 100);
    QCOMPARE(dialog->ShowModal(), int(mrOk));
    QCOMPARE(dialog->confirms, 2);
    QCOMPARE(ui.modalForms, QList<QString>{"frmRotiGeral"});
    QVERIFY((dialog->geometry().center() - main.geometry().center()).manhattanLength() <= 2);
    Application().SetMainForm(nullptr);
    delete dialog;
}

void TstForms::aRoutineDialogReadsAsAModalDialogNamedByItsCaption() {
    QtUiServices qtUi;
    Dialog* dialog = nullptr;
    Application().CreateForm(dialog);
    dialog->SetCaption("Cálculo Apuração Gestão Torvo");
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    bool modal = false;
    QTimer::singleShot(0, dialog, [&] {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(dialog);
        role = a->role();
        name = a->text(QAccessible::Name);
        modal = a->state().modal;
        dialog->setProperty("modalResult", int(mrOk));
        dialog->hide();
    });
    QCOMPARE(qtUi.RunModal(dialog), int(mrOk));
    QCOMPARE(role, QAccessible::Dialog);
    QCOMPARE(name, QString("Cálculo Apuração Gestão Torvo"));
    QVERIFY(modal);
    // A form that is no dialog keeps Qt's reading.
    Derived form;
    QVERIFY(QAccessible::queryAccessibleInterface(&form)->role() != QAccessible::Dialog);
    delete dialog;
}

void TstForms::menuShortCutsUseTheDesktopValues() {
    Derived form;
    TMenuItem item("mnuX", "X", &form);
    item.SetShortCut(16450);
    QCOMPARE(item.shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));
    item.SetShortCut(0x2000 | 0x8000 | 'K');
    QCOMPARE(item.shortcut(), QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_K));
    QCOMPARE(item.ShortCut(), 0x2000 | 0x8000 | 'K');
}

void TstForms::aClickOnAScrollBoxOrAPanelLeavesTheFocusWhereItIs_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("inMdi");
    for (const char* target : {"scroll box", "scroll bar", "panel"}) {
        QTest::addRow("%s", target) << QString(target) << false;
        QTest::addRow("%s, in an MDI area", target) << QString(target) << true;
    }
}

void TstForms::aClickOnAScrollBoxOrAPanelLeavesTheFocusWhereItIs() {
    QFETCH(QString, target);
    QFETCH(bool, inMdi);
    ScriptedUi ui;
    QMdiArea area;
    auto owned = std::make_unique<Derived>();
    Derived* form = owned.get();
    QWidget* window = form;
    if (inMdi) {
        area.addSubWindow(owned.release())->resize(600, 400);
        window = &area;
    }
    form->RunCreate();
    form->mnuFormulario->trigger();
    QWidget* content = form->scbFormulario->widget();
    auto* edit = new TEdit(content);
    auto* panel = new TPanel(content);
    panel->setMinimumHeight(900); // taller than the page: the scroll box scrolls
    content->layout()->addWidget(edit);
    content->layout()->addWidget(panel);
    window->resize(600, 400);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    edit->setFocus();
    QCOMPARE(form->ActiveControl(), edit);
    QStringList exits;
    ControlEvents::of(edit).OnExit = [&] { exits << "edit"; };

    if (target == "scroll box")
        QTest::mouseClick(form->scbFormulario, Qt::LeftButton, {}, QPoint(3, 3));
    else if (target == "scroll bar")
        QTest::mouseClick(form->scbFormulario->verticalScrollBar(), Qt::LeftButton);
    else
        QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(20, 20));
    QApplication::processEvents();
    QCOMPARE(QApplication::focusWidget(), edit);
    QCOMPARE(form->ActiveControl(), edit);
    QVERIFY(exits.isEmpty());
    QVERIFY(ui.messages.isEmpty());
}

void TstForms::theScreenCodeLabelReadsItsCode() {
    Derived form;
    QAccessibleInterface* label = QAccessible::queryAccessibleInterface(form.lblCodTela);
    QVERIFY(label);
    QCOMPARE(label->text(QAccessible::Name), QString("Código da tela"));
    // A screen sets its code as text; the name follows it, and again when it changes.
    form.lblCodTela->setText("RQX52000");
    QCOMPARE(label->text(QAccessible::Name), QString("Código da tela RQX52000"));
    form.lblCodTela->setText("RQX30700");
    QCOMPARE(label->text(QAccessible::Name), QString("Código da tela RQX30700"));
    QCOMPARE(label->role(), QAccessible::StaticText);
}

QTEST_MAIN(TstForms)
#include "tst_forms.moc"
