#pragma once

// What the calculation report module "Rqx30700" requires of the application server: one
// method of its own, reached through the same late-bound dispatch (AppServer) as the
// billing module's methods, answering with the same result envelope.

namespace ServerMethod {

// (CdFilial text, NrApuracao text: the calculation number as GetDtApuracao lists it)
//   payload: a map of two data packets, read in one snapshot of the database:
//     "header": one row, the calculation and who it bills
//        CDFILIAL, NMFILIAL, NRAPURACFAT, CDCLIENTE, IDTPIJURCLIE, NRINSJURCLIE,
//        NMRAZSOCCLIE, DTINIAPURAC, DTFIMAPURAC, DTCALCULO (local date and time of the
//        run, null when unknown), CDFILIPROC, NMFILIPROC, IDBLOQUEADO ("S" locked)
//     "items": the calculation's stored result lines, one per NF, service, product and
//        unit price, ordered by NF (the lines without NF last), service, product, price
//        NRAGRUEFET ("" without NF), CDSERVFILI, NMSERVICO, CDPRODUTO,
//        VRPRECO, QTFATURADA (to the thousandth), VRFATURADO (to the cent)
//   refused (ok false) for an empty branch or number, an unknown calculation and a
//   calculation without result lines.
inline constexpr const char* GetRelApuracao = "GetRelApuracao";

} // namespace ServerMethod
