#include "server/db/demo_data.h"

#include "server/auth/users.h"
#include "server/db/database.h"
#include "server/methods/methods.h"

#include <QVariantList>

#include <cmath>
#include <random>

namespace server {
namespace {

// Registration numbers with valid check digits: CNPJ from 12 digits, CPF from 9.
QString withCheckDigits(const QString& base, const QList<int>& firstWeights,
                        const QList<int>& secondWeights) {
    QString number = base;
    for (const QList<int>* weights : {&firstWeights, &secondWeights}) {
        int sum = 0;
        for (qsizetype i = 0; i < weights->size(); ++i)
            sum += number.at(i).digitValue() * weights->at(i);
        const int rest = sum % 11;
        number += QChar(u'0' + (rest < 2 ? 0 : 11 - rest));
    }
    return number;
}

QString cnpj(const QString& base12) {
    return withCheckDigits(base12, {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2},
                           {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2});
}

QString cpf(const QString& base9) {
    return withCheckDigits(base9, {10, 9, 8, 7, 6, 5, 4, 3, 2}, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2});
}

struct Service {
    const char* branch;
    const char* code;
    const char* name;
    const char* product;
};

const Service kServices[] = {
    {"0001", "00001", "Desjejum", "DESJ"},        {"0001", "00002", "Almoço", "ALMO"},
    {"0001", "00003", "Jantar", "JANT"},          {"0001", "00004", "Ceia", "CEIA"},
    {"0001", "00005", "Lanche da tarde", "LANC"}, {"0002", "00001", "Desjejum", "DESJ"},
    {"0002", "00002", "Almoço", "ALMO"},          {"0002", "00003", "Jantar", "JANT"},
    {"0002", "00006", "Marmitex", "MARM"},
};

struct Client {
    const char* code;
    char type;
    QString registration;
    const char* name;
    const char* tradeName;
    bool active;
};

enum Days { EveryDay, MondayToSaturday, MondayToFriday };

struct Contract {
    const char* branch;
    const char* client;
    const char* service;
    const char* nf;
    double price;
    int diners;
    Days days;
};

const Contract kContracts[] = {
    {"0001", "1001", "00001", "001", 6.50, 80, MondayToSaturday},
    {"0001", "1001", "00002", "001", 19.90, 240, MondayToSaturday},
    {"0001", "1001", "00003", "002", 18.50, 90, MondayToSaturday},
    {"0001", "1001", "00005", "", 7.20, 60, MondayToSaturday},
    {"0001", "1002", "00001", "", 7.10, 150, EveryDay},
    {"0001", "1002", "00002", "001", 21.40, 310, EveryDay},
    {"0001", "1002", "00003", "001", 20.80, 280, EveryDay},
    {"0001", "1002", "00004", "", 9.60, 120, EveryDay},
    {"0002", "1002", "00001", "", 6.90, 40, EveryDay},
    {"0002", "1002", "00002", "", 20.50, 95, EveryDay},
    {"0002", "1002", "00003", "", 19.80, 70, EveryDay},
    {"0001", "1003", "00002", "", 17.50, 35, MondayToFriday},
    {"0001", "1003", "00003", "", 16.90, 20, MondayToFriday},
    {"0001", "1003", "00005", "", 6.00, 15, MondayToFriday},
    {"0002", "1004", "00001", "001", 5.40, 300, MondayToFriday},
    {"0002", "1004", "00002", "001", 14.90, 420, MondayToFriday},
    {"0002", "1004", "00006", "002", 4.80, 260, MondayToFriday},
    {"0002", "1005", "00002", "", 16.00, 28, MondayToSaturday},
    {"0002", "1005", "00003", "", 15.50, 18, MondayToSaturday},
    {"0002", "1005", "00006", "", 13.90, 40, MondayToSaturday},
    {"0001", "1006", "00002", "", 18.00, 50, MondayToFriday},
};

bool served(Days days, QDate day) {
    switch (days) {
    case EveryDay:
        return true;
    case MondayToSaturday:
        return day.dayOfWeek() != Qt::Sunday;
    case MondayToFriday:
        return day.dayOfWeek() < Qt::Saturday;
    }
    return false;
}

// The billed count of a day, read back from the rows just written.
double billed(Database& db, const char* branch, const char* client, const char* service,
              QDate day) {
    return db
        .scalar(QStringLiteral("SELECT QTCOMECDRS FROM EFETCDRS WHERE CDFILIAL = ? AND "
                               "CDCLIENTE = ? AND CDSERVFILI = ? AND DTEFETCDRS = ?"),
                {branch, client, service, isoDate(day)})
        .toDouble();
}

// The first served day on or after `day`.
QDate servedDay(Database& db, const char* branch, const char* client, const char* service,
                QDate day) {
    return QDate::fromString(
        db.scalar(QStringLiteral("SELECT min(DTEFETCDRS) FROM EFETCDRS WHERE CDFILIAL = ? AND "
                                 "CDCLIENTE = ? AND CDSERVFILI = ? AND DTEFETCDRS >= ?"),
                  {branch, client, service, isoDate(day)})
            .toString(),
        Qt::ISODate);
}

struct Share {
    double quantity;
    const char* nf;
    const char* note;
};

void apportion(Database& db, const char* branch, const char* client, const char* service, QDate day,
               const QList<Share>& shares) {
    const QVariant product =
        db.scalar(QStringLiteral("SELECT CDPRODUTO FROM SERVFILI WHERE CDFILIAL = ? AND "
                                 "CDSERVFILI = ?"),
                  {branch, service});
    const QVariant price =
        db.scalar(QStringLiteral("SELECT VRPRECEFET FROM SERVCLIE WHERE CDFILIAL = ? AND "
                                 "CDCLIENTE = ? AND CDSERVFILI = ?"),
                  {branch, client, service});
    int sequence = 0;
    for (const Share& s : shares)
        db.exec(QStringLiteral("INSERT INTO EFETRATCDRS (CDFILIAL, CDCLIENTE, CDSERVFILI, "
                               "DTRATCDRS, NRSEQITRAT, QTDERATEIO, CDPRODUTO, NRAGREFRAT, "
                               "DSOBSRATE, VRPRECRATE) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {branch, client, service, isoDate(day),
                 QStringLiteral("%1").arg(++sequence, 4, 10, QLatin1Char('0')), s.quantity, product,
                 QString::fromLatin1(s.nf), QString::fromUtf8(s.note), price});
}

void insertBaseData(Database& db, QDate today, QDate from) {
    for (const auto& [code, name] :
         {std::pair{"0001", "Matriz São Paulo"}, std::pair{"0002", "Filial Campinas"}})
        db.exec(QStringLiteral("INSERT INTO FILIAL (CDFILIAL, NMFILIAL, DTPROC) VALUES (?, ?, ?)"),
                {QString::fromLatin1(code), QString::fromUtf8(name), isoDate(today)});

    const Client clients[] = {
        {"1001", 'J', cnpj("112223330001"), "Metalúrgica Paulista Ltda", "Metalpa", true},
        {"1002", 'J', cnpj("452817690001"), "Hospital Santa Clara S/A", "Hospital Santa Clara",
         true},
        {"1003", 'F', cpf("123456789"), "João Carlos Pereira", "Restaurante do João", true},
        {"1004", 'J', cnpj("079315640001"), "Colégio Horizonte Ltda", "Colégio Horizonte", true},
        {"1005", 'F', cpf("987654321"), "Maria Aparecida Souza", "Cantina da Maria", true},
        {"1006", 'J', cnpj("330457120001"), "Transportes Rápido Sul Ltda", "Rápido Sul", false},
    };
    for (const Client& c : clients)
        db.exec(QStringLiteral("INSERT INTO CLIENTE (CDCLIENTE, IDTPIJURCLIE, NRINSJURCLIE, "
                               "NMRAZSOCCLIE, NMFANTCLIE, IDATIVO) VALUES (?, ?, ?, ?, ?, ?)"),
                {QString::fromLatin1(c.code), QString(QLatin1Char(c.type)), c.registration,
                 QString::fromUtf8(c.name), QString::fromUtf8(c.tradeName),
                 c.active ? QStringLiteral("S") : QStringLiteral("N")});

    for (const Service& s : kServices)
        db.exec(QStringLiteral("INSERT INTO SERVFILI (CDFILIAL, CDSERVFILI, NMSERVICO, CDPRODUTO) "
                               "VALUES (?, ?, ?, ?)"),
                {QString::fromLatin1(s.branch), QString::fromLatin1(s.code),
                 QString::fromUtf8(s.name), QString::fromLatin1(s.product)});

    // A fixed seed: the same demo every time, counts that wander like real ones.
    std::mt19937 random(52000);
    std::uniform_int_distribution<int> spread(-12, 4);
    for (const Contract& c : kContracts) {
        db.exec(QStringLiteral("INSERT INTO SERVCLIE (CDFILIAL, CDCLIENTE, CDSERVFILI, NRAGRUEFET, "
                               "VRPRECEFET) VALUES (?, ?, ?, ?, ?)"),
                {QString::fromLatin1(c.branch), QString::fromLatin1(c.client),
                 QString::fromLatin1(c.service), QString::fromLatin1(c.nf), c.price});
        const QVariant product =
            db.scalar(QStringLiteral("SELECT CDPRODUTO FROM SERVFILI WHERE CDFILIAL = ? AND "
                                     "CDSERVFILI = ?"),
                      {QString::fromLatin1(c.branch), QString::fromLatin1(c.service)});
        for (QDate day = from; day <= today; day = day.addDays(1)) {
            if (!served(c.days, day))
                continue;
            const double count = qMax(1, c.diners + c.diners * spread(random) / 100);
            db.exec(QStringLiteral("INSERT INTO EFETCDRS (CDFILIAL, CDCLIENTE, CDSERVFILI, "
                                   "DTEFETCDRS, QTCOMECDRS, QTPREVCDRS, NRAGRUEFET, VRPRECEFET, "
                                   "CDPRODUTO) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {QString::fromLatin1(c.branch), QString::fromLatin1(c.client),
                     QString::fromLatin1(c.service), isoDate(day), count, double(c.diners),
                     QString::fromLatin1(c.nf), c.price, product});
        }
    }
}

// Apportioned days: a factory's lunch split between its plant and its office in every
// month, and in the last month, which is not calculated yet, a hospital day split in halves
// and two days that do not add up (the calculation refuses them until they are fixed).
void insertApportionments(Database& db, QDate firstMonth) {
    for (int month = 0; month < 3; ++month) {
        for (int week = 0; week < 2; ++week) {
            const QDate day = servedDay(db, "0001", "1001", "00002",
                                        firstMonth.addMonths(month).addDays(7 * week + 2));
            const double count = billed(db, "0001", "1001", "00002", day);
            const double office = std::floor(count * 0.3);
            apportion(db, "0001", "1001", "00002", day,
                      {{count - office, "", "Refeitório da fábrica"},
                       {office, "002", "Escritório administrativo"}});
        }
    }
    const QDate lastMonth = firstMonth.addMonths(2);
    const QDate halves = servedDay(db, "0001", "1002", "00002", lastMonth.addDays(4));
    const double lunch = billed(db, "0001", "1002", "00002", halves);
    apportion(db, "0001", "1002", "00002", halves,
              {{lunch / 2, "001", "Ala norte"}, {lunch / 2, "002", "Ala sul"}});
    // Thirds to the thousandth: each share rounds to the cent on its own, and the cents
    // miss the day's count.
    const QDate thirds = servedDay(db, "0001", "1002", "00003", lastMonth.addDays(11));
    const double dinner = billed(db, "0001", "1002", "00003", thirds);
    const double third =
        int(dinner) % 3 == 0 ? dinner / 3 - 0.004 : std::floor(dinner / 3 * 1000) / 1000;
    apportion(db, "0001", "1002", "00003", thirds,
              {{third, "001", "Plantão A"},
               {third, "001", "Plantão B"},
               {dinner - 2 * third, "002", "Plantão C"}});
    const QDate shortDay = servedDay(db, "0001", "1001", "00003", lastMonth.addDays(16));
    const double supper = billed(db, "0001", "1001", "00003", shortDay);
    apportion(db, "0001", "1001", "00003", shortDay,
              {{supper - 20, "002", "Turno da noite"}, {10, "002", "Visitantes"}});
}

void calculate(Database& db, const char* branch, const char* client, QDate from, QDate to,
               bool lock) {
    QVariantList args{QString::fromLatin1(branch), QString::fromLatin1(client), from, to, QString(),
                      QString::fromLatin1(branch)};
    confirmaCalculo(db, args);
    if (lock)
        setCalculationLocked(db, QString::fromLatin1(branch), args.at(4).toString(), true);
}

} // namespace

bool hasData(Database& db) {
    return db.scalar(QStringLiteral("SELECT count(*) FROM FILIAL")).toInt() > 0;
}

void loadDemoData(Database& db, QDate today) {
    const QDate thisMonth(today.year(), today.month(), 1);
    const QDate from = thisMonth.addMonths(-3);
    {
        Transaction tx(db);
        insertBaseData(db, today, from);
        insertApportionments(db, from);
        addDemoUsers(db);
        tx.commit();
    }
    // Through the calculation itself, so that the demo's results are the ones it computes.
    const QDate secondMonth = from.addMonths(1);
    calculate(db, "0001", "1001", from, secondMonth.addDays(-1), true);
    calculate(db, "0002", "1004", from, secondMonth.addDays(-1), true);
    calculate(db, "0001", "1001", secondMonth, secondMonth.addMonths(1).addDays(-1), false);
    calculate(db, "0001", "1002", secondMonth, secondMonth.addMonths(1).addDays(-1), false);
}

} // namespace server
