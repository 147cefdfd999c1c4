#pragma once

// What the module requires of the suite's host framework: its error model, the dialog
// seam every modal interaction goes through, and the global functions the screens call.
// The framework library implements all of it; the module sees nothing else of it but the
// framework's public component headers.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <exception>

class QWidget;

// ---------------------------------------------------------------------------------------
// Error model. Failures are reported by throwing; no exception ever crosses the event loop
// (every handler runs inside the framework's guard, which shows an error once at most).

// Any failure that the top level has not shown yet: a conversion error, a database error,
// an unexpected fault. The guard shows its message once.
class Exception : public std::exception {
public:
    explicit Exception(QString message);
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A text that does not convert to the requested type ("'ab' não é um valor inteiro válido.").
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A data set or database misuse or failure.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// The application server could not be reached or answered something unreadable.
class ENetError : public Exception {
public:
    using Exception::Exception;
};

// The desktop library's silent abort: stops the current action and shows nothing.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// Thrown after the failure was shown to the user (MensErro, CheckResultServ): stops the
// current action and shows nothing more.
class EAlreadyShown : public std::exception {
public:
    explicit EAlreadyShown(QString message);
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Raises the silent abort.
[[noreturn]] void Abort();

// ---------------------------------------------------------------------------------------
// Dialog seam. Every modal interaction goes through one UiServices object: the framework
// installs a Qt implementation; tests install a scripted one that records and answers.

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn { mbYes = 0x1, mbNo = 0x2, mbOK = 0x4, mbCancel = 0x8 };
using TMsgDlgButtons = int;

// Modal results, with the desktop library's values.
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// What a lookup list offers: one row per record, the display texts of the visible fields.
struct LookupList {
    QString title;
    QStringList headers;
    QList<QStringList> rows;
};

class UiServices {
public:
    virtual ~UiServices() = default;

    // A modal message with the given buttons; returns the modal result. The default
    // button (the one Enter presses) is `defaultButton`, or the first one when 0.
    virtual int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                           int helpContext, TMsgDlgButtons defaultButton = 0) = 0;

    // A modal pick from a list; returns the picked row, or -1 when the user cancelled.
    virtual int PickFromList(const LookupList& list) = 0;

    // The host's busy animation over a form; always hidden again by HideBusy.
    virtual void ShowBusy(QWidget* over, int kind) = 0;
    virtual void HideBusy() = 0;

    // Shows a form modally and returns when it closes; returns its modal result.
    virtual int RunModal(QWidget* form) = 0;
};

// The installed implementation (never null once the framework is initialised).
UiServices& Ui();
// Installs `ui` (not owned) and returns the previous one; nullptr restores the Qt one.
UiServices* SetUi(UiServices* ui);

// ---------------------------------------------------------------------------------------
// Global functions.

// Returns the payload of a server result envelope. A failure reported by the server is
// shown through the dialog seam and raised as EAlreadyShown; an unreadable result raises.
QVariant CheckResultServ(const QVariant& result, bool showError, int helpContext);

// Shows `text` as an error; with `raise` true (how the module always calls it) then throws
// EAlreadyShown, so the current action stops.
void MensErro(const QString& text, bool raise);

// True when the text holds nothing significant: no letter and no digit. An untouched edit,
// masked edit or date edit ("", "  /  /    ") counts as empty.
bool EmptyString(const QString& text);

// The text brought to `width` characters by filling on the left with '0'; an empty or
// blank text stays empty, a longer text is left as it is.
QString Ajusta(const QString& text, int width);

// Normalises a typed registration number in place: keeps its digits only.
void Ajusta_Inscricao(QString& text);

// The edit mask of a registration number for a person type: company "J", person "F";
// no mask for anything else.
QString PictPess(const QString& personType);

// Enables or disables every control inside the container (the container itself stays).
void SetChildEnabled(QWidget* container, bool enabled);

// The weekday name of the date ("Domingo", "Segunda-feira", … "Sábado").
QString NomeSemana(const QDateTime& date);

// The value rounded to `decimals` decimals, halves away from zero.
double RoundDec(double value, int decimals);

// Host session values of the current login.
bool ModuFili();
QString FiliProc();
QString NomeFiliProc();
QString FiliProcFat();
QString NomeFiliProcFat();
QDateTime DataProc(const QString& branchCode);
QString WebURL();
int WebPort();

// Loads the sibling module of the suite with that code from the program folder and runs
// its IniProc. A missing module is reported as an error.
void LoadBPL(const QString& moduleCode);

// Shows and hides the host's busy animation over a form (kind 0 while connecting, kind 1
// around data calls).
void ActiveShowAvi(QWidget* form, int kind);
void DeactiveShowAvi();
