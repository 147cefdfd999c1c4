#include "framework/components/lookup_list.h"

#include "framework/data/dataset.h"

LookupList lookupListOf(const QString& title, const TClientDataSet& dataSet) {
    QList<const TField*> shown;
    LookupList list;
    list.title = title;
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        const TField& field = dataSet.Field(i);
        if (field.Visible()) {
            shown.append(&field);
            list.headers.append(field.DisplayLabel());
        }
    }
    for (int row = 0; row < dataSet.RecordCount(); ++row) {
        QStringList texts;
        dataSet.WithRow(row, [&] {
            for (const TField* field : shown)
                texts.append(field->DisplayText());
        });
        list.rows.append(texts);
    }
    return list;
}
