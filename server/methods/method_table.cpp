#include "server/methods/method_table.h"

#include "contracts/host_framework.h"
#include "framework/data/text_format.h"
#include "server/methods/methods.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMethods, "apurfat.server.methods", QtInfoMsg)

namespace server {
namespace {

using enum ArgType;

const std::vector<MethodSpec>& table() {
    static const std::vector<MethodSpec> methods{
        {"GetCliente", {{"CdFilial", Text}, {"Inscricao", Text}}, true, getCliente},
        {"GetPrxRelApurFat", {{"CdFilial", Text}}, false, getPrxRelApurFat},
        {"GetFiltro",
         {{"CdFilial", Text},
          {"DtIni", Date},
          {"DtFim", Date},
          {"NrPrx", Text},
          {"CdCliente", Text}},
         true,
         getFiltro},
        {"DelTableRelApur", {{"Filiais", Packet}, {"NrPrx", Text}}, true, delTableRelApur},
        {"GetEfetivos",
         {{"CdCliente", Text},
          {"CdFilial", Text},
          {"DtIni", Date},
          {"DtFim", Date},
          {"CdServFili", Text}},
         true,
         getEfetivos},
        {"GetRateio",
         {{"CdCliente", Text}, {"CdFilial", Text}, {"DtEfet", Date}, {"CdServFili", Text}},
         true,
         getRateio},
        {"SetRateio", {{"Delta", Packet}}, true, setRateio},
        {"SetEfetivos",
         {{"CdCliente", Text},
          {"CdFilial", Text},
          {"DtIni", Date},
          {"DtFim", Date},
          {"CdServFili", Text},
          {"NrAgruEfet", Text}},
         true,
         setEfetivos},
        {"VerificaBloqueio",
         {{"CdCliente", Text},
          {"CdFilial", Text},
          {"DataProc", Date, true},
          {"DtIni", Date},
          {"DtFim", Date},
          {"PeriodoTodo", Boolean},
          {"CdServFili", Text}},
         true,
         verificaBloqueio},
        {"SomaApurac", {{"Servicos", Packet}, {"DtIni", Date}, {"DtFim", Date}}, true, somaApurac},
        {"GetDtApuracao", {{"CdCliente", Text}, {"CdFilial", Text}}, true, getDtApuracao},
        {"Confirma_Calculo",
         {{"FiliProc", Text},
          {"CdCliente", Text},
          {"DtIni", Date},
          {"DtFim", Date},
          {"NrApuracao", Text, true},
          {"CdFilial", Text}},
         true,
         confirmaCalculo},
        {"GetRelApuracao", {{"CdFilial", Text}, {"NrApuracao", Text}}, true, getRelApuracao},
    };
    return methods;
}

const char* typeName(ArgType type) {
    switch (type) {
    case Text:
        return "um texto";
    case Date:
        return "uma data";
    case Boolean:
        return "um valor lógico";
    case Packet:
        return "um pacote de dados";
    }
    return "";
}

// The date of a date argument; invalid when the value is not a date.
QDate dateOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return value.toDateTime().date();
    case QMetaType::QDate:
        return value.toDate();
    case QMetaType::QString:
        return textformat::parseIsoDateTime(value.toString()).date();
    default:
        return {};
    }
}

bool convert(ArgType type, QVariant& value) {
    switch (type) {
    case Text:
        return value.typeId() == QMetaType::QString;
    case Date: {
        const QDate date = dateOf(value);
        value = date;
        return date.isValid();
    }
    case Boolean:
        return value.typeId() == QMetaType::Bool;
    case Packet:
        return value.isNull() || value.typeId() == QMetaType::QVariantMap;
    }
    return false;
}

} // namespace

const MethodSpec* findMethod(QStringView name) {
    for (const MethodSpec& m : table())
        if (name == QLatin1String(m.name))
            return &m;
    return nullptr;
}

void checkArguments(const MethodSpec& method, QVariantList& args) {
    if (args.size() != qsizetype(method.args.size()))
        throw BadArguments(QStringLiteral("%1 espera %2 parâmetro(s) e recebeu %3.")
                               .arg(QLatin1String(method.name))
                               .arg(method.args.size())
                               .arg(args.size()));
    for (qsizetype i = 0; i < args.size(); ++i) {
        const ArgSpec& spec = method.args.at(size_t(i));
        if (!convert(spec.type, args[i]))
            throw BadArguments(
                QStringLiteral("%1: o parâmetro %2 (%3) deve ser %4.")
                    .arg(QLatin1String(method.name))
                    .arg(i + 1)
                    .arg(QLatin1String(spec.name), QLatin1String(typeName(spec.type))));
    }
}

QVariant invoke(const MethodSpec& method, Database& db, QVariantList& args) {
    QElapsedTimer timer;
    timer.start();
    // By-reference arguments change only when the call succeeds.
    QVariantList work = args;
    try {
        QVariant result = method.run(db, work);
        if (method.envelope)
            result = QVariantMap{{QStringLiteral("ok"), true},
                                 {QStringLiteral("payload"), result},
                                 {QStringLiteral("message"), QString()}};
        args = std::move(work);
        qCDebug(lcMethods, "%s %.3f ms", method.name, double(timer.nsecsElapsed()) / 1e6);
        return result;
    } catch (const Exception& e) {
        qCWarning(lcMethods).noquote() << method.name << "refused:" << e.message();
        if (!method.envelope)
            throw;
        return QVariantMap{{QStringLiteral("ok"), false},
                           {QStringLiteral("payload"), QVariant()},
                           {QStringLiteral("message"), e.message()}};
    }
}

} // namespace server
