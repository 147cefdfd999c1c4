#pragma once

// The calculation report as the module shows, prints and files it: the calculation's
// header, then one section per NF (the invoice the clerk will issue) with its lines and
// subtotal, then the grand total. Built from the server's answer to GetRelApuracao; every
// quantity and amount is held in whole units (report_amounts.h).

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

namespace report {

struct ReportHeader {
    QString branch, branchName;
    QString number;
    QString client, personType, registration, companyName;
    QDate from, to;
    QDateTime calculatedAt; // invalid when the server does not know it
    QString processingBranch, processingBranchName;
    bool locked = false;

    // "0001 - Matriz São Paulo".
    QString branchText() const;
    QString processingBranchText() const;
    // The registration number under its person type's mask ("11.222.333/0001-81").
    QString registrationText() const;
    // "01/03/2026 a 31/03/2026".
    QString periodText() const;
    // "10/03/2026 14:05", or "não informado".
    QString calculatedAtText() const;
    // "Bloqueada" or "Aberta".
    QString stateText() const;
};

struct ReportLine {
    QString service, serviceName, product;
    qint64 price = 0;    // ten-thousandths of a real
    qint64 quantity = 0; // thousandths
    qint64 amount = 0;   // cents

    // "00002 - Almoço".
    QString serviceText() const;
};

struct NfSection {
    QString nf; // "" for the lines without NF
    QList<ReportLine> lines;
    qint64 quantity = 0;
    qint64 amount = 0;

    // "NF 001", or "Sem NF".
    QString title() const;
};

struct CalculationReport {
    ReportHeader header;
    QList<NfSection> sections;
    qint64 quantity = 0;
    qint64 amount = 0;

    int lineCount() const;
};

// The report of a GetRelApuracao payload. The sections come in NF order with the lines
// without NF last; within a section the lines keep the server's order. Raises Exception
// with a message for the clerk when the payload holds no calculation or no line: an empty
// report is never shown as one.
CalculationReport reportFromPayload(const QVariant& payload);

// The text of a NF on its own ("Sem NF" for none).
QString nfTitle(const QString& nf);
// "Bloqueada" / "Aberta" for the lock flag of a calculation ("S" locked).
QString lockStateText(const QString& flag);

} // namespace report
