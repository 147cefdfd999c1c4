#pragma once

// GetRelApuracao answers made by hand, in the server's field layout, for tests that need
// no server.

#include <QString>
#include <QVariantMap>

struct ItemRow {
    QString nf, service, serviceName, product;
    double price, quantity, amount;
};

// The header of calculation 0000000007 of "Beta Indústria" (J 11222333000181) at branch
// 0001, 01/03/2026 to 31/03/2026, open, calculated on 10/03/2026 14:05 by 0002.
QVariantMap reportPayload(const QList<ItemRow>& items);
