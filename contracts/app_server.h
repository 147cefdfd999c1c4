#pragma once

// What the module requires of the application server module "Rqx52000.rdmApurFatTR".
//
// Every server operation is a late-bound call by name: the arguments travel in order,
// some of them by reference (the callee may replace them; the caller sees the new value
// in `args` when `Invoke` returns). Every method but GetPrxRelApurFat answers with a result
// envelope (a QVariantMap {"ok": bool, "payload": any, "message": text}) that the caller
// hands to CheckResultServ unchanged.
//
// Argument types: text (QString), date (QDateTime or QDate, whole days), boolean (bool),
// data packet (QVariantMap, as produced by a client data set's Data or Delta).

#include <QString>
#include <QVariant>
#include <QVariantList>

class AppServer {
public:
    virtual ~AppServer() = default;

    // Calls `method` with `args` in order; arguments passed by reference are updated
    // in place from the server's answer. Returns the method's result as sent back
    // (an envelope for every method but GetPrxRelApurFat, which returns plain text).
    // Transport failures are thrown as framework errors.
    virtual QVariant Invoke(const QString& method, QVariantList& args) = 0;
};

namespace ServerMethod {

// The ProgID of the server module every method below belongs to.
inline constexpr const char* ServerName = "Rqx52000.rdmApurFatTR";

// (CdFilial text, client key text: the registration number, empty for "every client")
//   payload: client rows (CDCLIENTE, IDTPIJURCLIE, NRINSJURCLIE, NMRAZSOCCLIE, NMFANTCLIE)
inline constexpr const char* GetCliente = "GetCliente";

// (CdFilial text)
//   plain text, no envelope: the branch's next work number, at most 10 characters
inline constexpr const char* GetPrxRelApurFat = "GetPrxRelApurFat";

// (CdFilial text, DtIni date, DtFim date, NrPrx text, CdCliente text)
//   payload: service rows (CDSERVFILI, CDFILIAL, NMSERVICO, NRAGRUEFET, CDCLIENTE)
inline constexpr const char* GetFiltro = "GetFiltro";

// (branches data packet with field CDFILIAL, NrPrx text)
//   payload: none
inline constexpr const char* DelTableRelApur = "DelTableRelApur";

// (CdCliente text, CdFilial text, DtIni date, DtFim date, CdServFili text)
//   payload: day rows of one service for the period
inline constexpr const char* GetEfetivos = "GetEfetivos";

// (CdCliente text, CdFilial text, DtEfet date, CdServFili text)
//   payload: apportionment rows of one service and day, ordered by sequence number
inline constexpr const char* GetRateio = "GetRateio";

// (change packet of the apportionment rows)
//   payload: none; applied all or nothing
inline constexpr const char* SetRateio = "SetRateio";

// (CdCliente text, CdFilial text, DtIni date, DtFim date, CdServFili text, NrAgruEfet text)
//   payload: none
inline constexpr const char* SetEfetivos = "SetEfetivos";

// (CdCliente text, CdFilial text, processing date BY REFERENCE (index 2), DtIni date,
//  DtFim date, whole-period flag boolean, CdServFili text)
//   payload: boolean, true when the change is allowed, false when the period is locked
inline constexpr const char* VerificaBloqueio = "VerificaBloqueio";
inline constexpr int VerificaBloqueioDataProcArg = 2;

// (services data packet, DtIni date, DtFim date)
//   payload: boolean, true when some day has an apportionment that does not add up
inline constexpr const char* SomaApurac = "SomaApurac";

// (CdCliente text, CdFilial text)
//   payload: calculation rows (DTINIAPURAC, DTFIMAPURAC, IDBLOQUEADO, NRAPURACFAT, CDFILIAL)
inline constexpr const char* GetDtApuracao = "GetDtApuracao";

// (processing branch text, CdCliente text, DtIni date, DtFim date,
//  calculation number text BY REFERENCE (index 4), CdFilial text)
//   payload: none; success is the absence of an error
inline constexpr const char* Confirma_Calculo = "Confirma_Calculo";
inline constexpr int ConfirmaCalculoNumberArg = 4;

} // namespace ServerMethod
