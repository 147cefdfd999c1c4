// The change log: how changes of one row fold, what the change packet says, and what
// merging and undoing restore.

#include "contracts/host_framework.h"
#include "framework/data/dataset.h"
#include "framework/data/packet.h"

#include <QTest>

namespace {

QVariantMap twoColumnPacket(const QList<QPair<QString, double>>& rows) {
    QVariantList list;
    for (const auto& [code, qty] : rows)
        list << QVariant(QVariantList{code, qty});
    return {{"fields", QVariantList{QVariantMap{{"name", "SEQ"}, {"type", "string"}, {"size", 4}},
                                    QVariantMap{{"name", "QTY"}, {"type", "float"}}}},
            {"rows", list}};
}

struct Rows {
    TClientDataSet ds{QStringLiteral("cdsRows")};
    Rows() {
        ds.AddField("SEQ", ftString, 4);
        ds.AddField("QTY", ftFloat).SetOrigin("SUPORTE.T.QTY");
        ds.SetData(twoColumnPacket({{"0001", 1}, {"0002", 2}, {"0003", 3}}));
    }
    void go(const QString& seq) { QVERIFY(ds.Locate("SEQ", seq)); }
    void setQty(double q) {
        ds.Edit();
        ds.FieldByName("QTY").SetAsFloat(q);
        ds.Post();
    }
    packet::ChangeSet delta() const { return packet::decodeDelta(ds.Delta()); }
    QList<QVariantList> rows() const { return packet::decode(ds.Data()).rows; }
};

} // namespace

class TstChangeLog : public QObject {
    Q_OBJECT
private slots:
    void anInsertedRowThatIsDeletedLeavesNothing();
    void editsOfAnInsertedRowStayOneInsert();
    void updatesFoldAndKeepTheLoadedValues();
    void aDeletedUpdatedRowIsDeletedWithItsLoadedValues();
    void deletesComeFirstThenUpdatesThenInserts();
    void theDeltaCarriesFieldTypesAndOrigins();
    void mergeMakesTheCurrentRowsTheBase();
    void cancelUpdatesRestoresExactlyTheRowsAsLastLoadedOrMerged();
    void anOpenRowIsNotAChangeUntilPosted();
    void loadingEmptiesTheLog();
};

void TstChangeLog::anInsertedRowThatIsDeletedLeavesNothing() {
    Rows r;
    r.ds.Append();
    r.ds.FieldByName("SEQ").SetAsString("0004");
    r.ds.Post();
    QCOMPARE(r.ds.ChangeCount(), 1);
    r.ds.Delete();
    QCOMPARE(r.ds.ChangeCount(), 0);
    QVERIFY(r.delta().changes.isEmpty());
}

void TstChangeLog::editsOfAnInsertedRowStayOneInsert() {
    Rows r;
    r.ds.Append();
    r.ds.FieldByName("SEQ").SetAsString("0004");
    r.ds.FieldByName("QTY").SetAsFloat(4);
    r.ds.Post();
    r.setQty(4.5);
    QCOMPARE(r.ds.ChangeCount(), 1);
    const auto d = r.delta();
    QCOMPARE(d.changes.size(), 1);
    QCOMPARE(d.changes[0].kind, packet::Change::Insert);
    QCOMPARE(d.changes[0].newValues, (QVariantList{"0004", 4.5}));
}

void TstChangeLog::updatesFoldAndKeepTheLoadedValues() {
    Rows r;
    r.go("0002");
    r.setQty(20);
    r.setQty(200);
    QCOMPARE(r.ds.ChangeCount(), 1);
    const auto d = r.delta();
    QCOMPARE(d.changes.size(), 1);
    QCOMPARE(d.changes[0].kind, packet::Change::Update);
    QCOMPARE(d.changes[0].oldValues, (QVariantList{"0002", 2.0}));
    QCOMPARE(d.changes[0].newValues, (QVariantList{"0002", 200.0}));
}

void TstChangeLog::aDeletedUpdatedRowIsDeletedWithItsLoadedValues() {
    Rows r;
    r.go("0003");
    r.setQty(30);
    r.ds.Delete();
    const auto d = r.delta();
    QCOMPARE(d.changes.size(), 1);
    QCOMPARE(d.changes[0].kind, packet::Change::Delete);
    QCOMPARE(d.changes[0].oldValues, (QVariantList{"0003", 3.0}));
    QCOMPARE(r.ds.ChangeCount(), 1);
}

void TstChangeLog::deletesComeFirstThenUpdatesThenInserts() {
    Rows r;
    r.ds.Append();
    r.ds.FieldByName("SEQ").SetAsString("0002");
    r.ds.Post();
    r.go("0001");
    r.setQty(10);
    r.go("0002");
    r.ds.Delete(); // the loaded 0002, found before the appended one
    const auto d = r.delta();
    QCOMPARE(d.changes.size(), 3);
    QCOMPARE(d.changes[0].kind, packet::Change::Delete);
    QCOMPARE(d.changes[1].kind, packet::Change::Update);
    QCOMPARE(d.changes[2].kind, packet::Change::Insert);
    QCOMPARE(d.changes[2].newValues.first().toString(), QString("0002"));
}

void TstChangeLog::theDeltaCarriesFieldTypesAndOrigins() {
    Rows r;
    const auto d = r.delta();
    QCOMPARE(d.fields.size(), 2);
    QCOMPARE(d.fields[0].name, QString("SEQ"));
    QCOMPARE(d.fields[0].size, 4);
    QCOMPARE(d.fields[1].type, ftFloat);
    QCOMPARE(d.fields[1].origin, QString("SUPORTE.T.QTY"));
}

void TstChangeLog::mergeMakesTheCurrentRowsTheBase() {
    Rows r;
    r.go("0001");
    r.setQty(11);
    r.go("0002");
    r.ds.Delete();
    r.ds.MergeChangeLog();
    QCOMPARE(r.ds.ChangeCount(), 0);
    QCOMPARE(r.rows(), (QList<QVariantList>{{"0001", 11.0}, {"0003", 3.0}}));
    // A later update is logged against the merged values.
    r.go("0001");
    r.setQty(12);
    QCOMPARE(r.delta().changes[0].oldValues, (QVariantList{"0001", 11.0}));
}

void TstChangeLog::cancelUpdatesRestoresExactlyTheRowsAsLastLoadedOrMerged() {
    Rows r;
    r.go("0002");
    r.ds.Delete();
    r.go("0001");
    r.setQty(100);
    r.ds.Append();
    r.ds.FieldByName("SEQ").SetAsString("0009");
    r.ds.Post();
    r.ds.CancelUpdates();
    QCOMPARE(r.ds.ChangeCount(), 0);
    QCOMPARE(r.rows(), (QList<QVariantList>{{"0001", 1.0}, {"0002", 2.0}, {"0003", 3.0}}));
    QVERIFY(r.ds.RecNo() >= 1 && r.ds.RecNo() <= 3);

    r.go("0003");
    r.setQty(33);
    r.ds.MergeChangeLog();
    r.setQty(34);
    r.ds.CancelUpdates();
    QCOMPARE(r.rows().last(), (QVariantList{"0003", 33.0}));

    // An open row is dropped by the undo as well.
    r.ds.Edit();
    r.ds.FieldByName("QTY").SetAsFloat(99);
    r.ds.CancelUpdates();
    QCOMPARE(r.ds.State(), dsBrowse);
    QCOMPARE(r.rows().last(), (QVariantList{"0003", 33.0}));
}

void TstChangeLog::anOpenRowIsNotAChangeUntilPosted() {
    Rows r;
    r.ds.Edit();
    r.ds.FieldByName("QTY").SetAsFloat(5);
    QCOMPARE(r.ds.ChangeCount(), 0);
    r.ds.Post();
    QCOMPARE(r.ds.ChangeCount(), 1);
    r.ds.Append();
    r.ds.FieldByName("SEQ").SetAsString("0004");
    QCOMPARE(r.ds.ChangeCount(), 1);
    QCOMPARE(r.rows().size(), 3);
}

void TstChangeLog::loadingEmptiesTheLog() {
    Rows r;
    r.setQty(9);
    r.ds.SetData(twoColumnPacket({{"0007", 7}}));
    QCOMPARE(r.ds.ChangeCount(), 0);
    r.ds.CancelUpdates();
    QCOMPARE(r.rows(), (QList<QVariantList>{{"0007", 7.0}}));
}

QTEST_GUILESS_MAIN(TstChangeLog)
#include "tst_change_log.moc"
