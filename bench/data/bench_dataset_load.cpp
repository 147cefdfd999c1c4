// Loads a 10,000-row packet of the day list's shape into a client data set and walks it,
// reading the fields a screen reads. Reports the time of each phase and rows per second.
//
//   build/bin/bench_dataset_load [rows] [repetitions]

#include "framework/data/dataset.h"
#include "framework/data/field_type.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QVariantMap>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Col {
    const char* name;
    TFieldType type;
    int size;
};

const Col kDayList[] = {
    {"CDFILIAL", ftString, 4},     {"CDSERVFILI", ftString, 5}, {"CDCLIENTE", ftString, 21},
    {"DTEFETCDRS", ftDateTime, 0}, {"NMSERVICO", ftString, 40}, {"DIASEMANA", ftFixedChar, 15},
    {"NRAPURACFAT", ftString, 10}, {"IDCHECK", ftFixedChar, 1}, {"CDPRODUTO", ftString, 10},
    {"QTCOMECDRS", ftFloat, 0},    {"QTPREVCDRS", ftFloat, 0},  {"NRAGRUEFET", ftString, 3},
    {"VRPRECEFET", ftFloat, 0},
};

// The packet as it arrives from the wire: dates as ISO text, numbers as doubles.
QVariantMap makePacket(int rows) {
    QVariantList fields;
    for (const Col& c : kDayList)
        fields << QVariantMap{{"name", c.name}, {"type", fieldTypeName(c.type)}, {"size", c.size}};
    QVariantList list;
    list.reserve(rows);
    const QDate start(2020, 1, 1);
    for (int i = 0; i < rows; ++i) {
        const QDate day = start.addDays(i);
        list << QVariant(QVariantList{"0001", "00012", "000000000000000000042",
                                      day.toString(Qt::ISODate), "Almoço", "Segunda-feira",
                                      QString(), i % 7 ? "N" : "S", "0000001234",
                                      double(100 + i % 50), double(100 + i % 40), "001", 14.75});
    }
    return {{"fields", fields}, {"rows", list}};
}

void declare(TClientDataSet& ds, bool withCalc) {
    for (const Col& c : kDayList)
        ds.AddField(c.name, c.type, c.size);
    ds.FieldByName("QTCOMECDRS").SetDisplayFormat("#,##0.000");
    if (withCalc) {
        ds.OnCalcFields = [](TClientDataSet& d) {
            const int wd = d.FieldByName("DTEFETCDRS").AsDateTime().date().dayOfWeek();
            d.FieldByName("DIASEMANA")
                .SetAsString(wd == 7 ? QStringLiteral("Domingo") : QStringLiteral("Dia útil"));
        };
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void run(const QVariantMap& packet, int rows, int repetitions, bool withCalc) {
    std::vector<double> load, walk;
    double checksum = 0;
    for (int r = 0; r < repetitions; ++r) {
        TClientDataSet ds("cdsEfetivos");
        declare(ds, withCalc);
        QElapsedTimer t;
        t.start();
        ds.SetData(packet);
        load.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        TField& qty = ds.FieldByName("QTCOMECDRS");
        TField& day = ds.FieldByName("DTEFETCDRS");
        TField& check = ds.FieldByName("IDCHECK");
        ds.First();
        while (!ds.Eof()) {
            checksum += qty.AsFloat() + day.AsDateTime().date().day() + check.AsString().size();
            ds.Next();
        }
        walk.push_back(t.nsecsElapsed() / 1e6);
    }
    const double l = median(load), w = median(walk);
    std::printf("%-22s rows %6d  load %7.2f ms  walk %7.2f ms  total %7.2f ms  %9.0f rows/s"
                "  (median of %d, checksum %.0f)\n",
                withCalc ? "with OnCalcFields" : "plain", rows, l, w, l + w,
                rows / ((l + w) / 1000.0), repetitions, checksum);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 21;
    const QVariantMap packet = makePacket(rows);
    run(packet, rows, repetitions, false);
    run(packet, rows, repetitions, true);
    return 0;
}
