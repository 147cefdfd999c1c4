#include "framework/data/variant_conv.h"

#include "contracts/host_framework.h"

bool VarToBool(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toDouble() != 0;
    case QMetaType::QString: {
        const QString t = value.toString().trimmed();
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
        break;
    }
    default:
        break;
    }
    throw EConvertError(QStringLiteral("Não é possível converter o valor '%1' em lógico.")
                            .arg(value.isNull() ? QStringLiteral("nulo") : value.toString()));
}
