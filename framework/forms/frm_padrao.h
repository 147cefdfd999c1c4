#pragma once

// The suite's standard maintenance form: a menu with the maintenance commands, a command
// bar, a page control with a grid page and a form page, and a navigator bar. A derived
// screen takes over the handlers by overriding them (the desktop suite binds them by
// name) and calls the inherited ones where it wants the standard behaviour.

#include "framework/components/db_grid.h"
#include "framework/components/db_navigator.h"
#include "framework/components/db_text.h"
#include "framework/components/messages.h"
#include "framework/components/page_control.h"
#include "framework/components/speed_button.h"
#include "framework/data/datasource.h"
#include "framework/forms/form.h"
#include "framework/forms/menu_item.h"

#include <QLabel>

class QMenu;
class QMenuBar;
class QScrollArea;
class QVBoxLayout;

class TfrmPadrao : public TForm {
    Q_OBJECT
public:
    explicit TfrmPadrao(QWidget* parent = nullptr);
    ~TfrmPadrao() override;

    // Menu.
    QMenuBar* mnuMenu;
    QMenu* mnuManutencao;
    TMenuItem* mnuIncluir;
    TMenuItem* mnuAlterar;
    TMenuItem* mnuExcluir;
    TMenuItem* mnuLocalizar;
    TMenuItem* mnuCopiar;
    TMenuItem* mnuConfirmar;
    TMenuItem* mnuCancelar;
    TMenuItem* mnuVerificar;
    TMenuItem* mnuFolhaDados;
    TMenuItem* mnuFormulario;

    // Command bar: the command buttons at fixed places, then the flat buttons.
    QWidget* panMenu;
    TSpeedButton* sbtIncluir;
    TSpeedButton* sbtAlterar;
    TSpeedButton* sbtExcluir;
    TSpeedButton* sbtLocalizar;
    TSpeedButton* sbtCopiar;
    TSpeedButton* sbtConfirmar;
    TSpeedButton* sbtCancelar;
    TSpeedButton* sbtImprimir;
    TSpeedButton* sbtAjuda;
    TSpeedButton* sbtFechar;
    QLabel* lblCodTela;

    // Pages.
    TPageControl* pgcPadrao;
    TTabSheet* tshFolhaDados;
    QWidget* panDbgPadrao;
    QScrollArea* scbFolhaDados;
    TDBGrid* dbgPadrao;
    TTabSheet* tshFormulario;
    QWidget* panFormulario;
    QScrollArea* scbFormulario;

    // Navigator bar.
    QWidget* panNavigator;
    TDBText* dbtNome;
    TDBNavigator* dbnPadrao;
    TSpeedButton* sbtVerificar;

    TDataSource dtsPadrao{QStringLiteral("dtsPadrao")};
    // The screen's messages, and the framework's general ones ("Canc", "Excl", …).
    TMessages msgPadrao;
    TMessages msgGeral;

    // Handlers the form binds by name; a derived screen overrides them.
    virtual void FormCreate(QObject* sender);
    virtual void FormClose(QObject* sender, TCloseAction& action);
    virtual void pgcPadraoChange(QObject* sender);
    virtual void dtsPadraoStateChange(QObject* sender);
    virtual void mnuFolhaDadosClick(QObject* sender);
    virtual void mnuFormularioClick(QObject* sender);
    virtual void sbtIncluirClick(QObject* sender);
    virtual void sbtAlterarClick(QObject* sender);
    virtual void sbtExcluirClick(QObject* sender);
    virtual void sbtLocalizarClick(QObject* sender);
    virtual void sbtCopiarClick(QObject* sender);
    virtual void sbtConfirmarClick(QObject* sender);
    virtual void sbtCancelarClick(QObject* sender);
    virtual void sbtVerificarClick(QObject* sender);
    virtual void sbtImprimirClick(QObject* sender);
    virtual void sbtAjudaClick(QObject* sender);
    virtual void sbtFecharClick(QObject* sender);

protected:
    // Puts a screen's own panel between the command bar and the pages.
    void InsertTopPanel(QWidget* panel);
    // A command button at its place on the command bar.
    TSpeedButton* AddCommandButton(const QString& name, const QString& hint, const QIcon& glyph,
                                   int left);
    // A menu item of the maintenance menu, also reachable by its short-cut from the form.
    TMenuItem* AddMenuItem(const QString& name, const QString& caption);

private:
    void BuildMenu();
    void BuildCommandBar();
    void BuildPages();
    void BuildNavigatorBar();
    void BindHandlers();

    QVBoxLayout* m_layout;
};
