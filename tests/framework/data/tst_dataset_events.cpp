// The data set's state machine: what each operation does, in which order its events run,
// and what a refusing handler leaves behind.

#include "contracts/host_framework.h"
#include "framework/data/datasource.h"

#include <QTest>

namespace {

// Builds a two-field set (CODE, QTY) with the given codes, and records every event with
// the state the set was in when it ran.
struct Fixture {
    TClientDataSet ds{QStringLiteral("cdsTest")};
    TDataSource src{QStringLiteral("dtsTest"), &ds};
    QStringList log;
    QString throwIn; // the event whose handler throws

    explicit Fixture(const QStringList& codes = {}) {
        ds.AddField(QStringLiteral("CODE"), ftString, 4);
        ds.AddField(QStringLiteral("QTY"), ftFloat);
        load(codes);
        const auto hook = [this](const char* name) {
            return [this, name](TClientDataSet& d) {
                log << QStringLiteral("%1@%2").arg(QLatin1String(name)).arg(stateName(d.State()));
                if (throwIn == QLatin1String(name))
                    throw Exception(QStringLiteral("refused"));
            };
        };
        ds.BeforeInsert = hook("BeforeInsert");
        ds.OnNewRecord = hook("OnNewRecord");
        ds.AfterInsert = hook("AfterInsert");
        ds.BeforeEdit = hook("BeforeEdit");
        ds.AfterEdit = hook("AfterEdit");
        ds.BeforePost = hook("BeforePost");
        ds.AfterPost = hook("AfterPost");
        ds.BeforeCancel = hook("BeforeCancel");
        ds.AfterCancel = hook("AfterCancel");
        ds.BeforeDelete = hook("BeforeDelete");
        ds.AfterDelete = hook("AfterDelete");
        ds.BeforeScroll = hook("BeforeScroll");
        ds.AfterScroll = hook("AfterScroll");
        src.OnStateChange = [this](TDataSource& s) {
            log << QStringLiteral("State:%1").arg(stateName(s.State()));
        };
    }

    void load(const QStringList& codes) {
        QVariantList rows;
        for (const QString& c : codes)
            rows << QVariant(QVariantList{c, 1.0});
        ds.SetData(QVariantMap{
            {QStringLiteral("fields"),
             QVariantList{QVariantMap{{"name", "CODE"}, {"type", "string"}, {"size", 4}},
                          QVariantMap{{"name", "QTY"}, {"type", "float"}, {"size", 0}}}},
            {QStringLiteral("rows"), rows}});
    }

    QStringList codes() const {
        QStringList out;
        for (int r = 0; r < ds.DisplayRowCount(); ++r)
            ds.WithRow(r, [&] { out << ds.FieldByName(QStringLiteral("CODE")).AsString(); });
        return out;
    }

    QString current() const { return ds.FieldByName(QStringLiteral("CODE")).AsString(); }

    static QString stateName(TDataSetState s) {
        switch (s) {
        case dsInactive:
            return QStringLiteral("inactive");
        case dsBrowse:
            return QStringLiteral("browse");
        case dsEdit:
            return QStringLiteral("edit");
        case dsInsert:
            return QStringLiteral("insert");
        }
        return {};
    }
};

} // namespace

class TstDataSetEvents : public QObject {
    Q_OBJECT
private slots:
    void insertRunsItsEventsInOrderAndPutsTheRowBeforeTheCurrentOne();
    void appendPutsTheRowAfterTheLast();
    void editPostAndCancelRunTheirEventsInOrder();
    void cancellingAnInsertDropsTheRowAndReturnsToTheFormerRow();
    void deleteRunsItsEventsAndKeepsTheCursorInRange();
    void aRefusingBeforeHandlerLeavesEverythingAsItWas_data();
    void aRefusingBeforeHandlerLeavesEverythingAsItWas();
    void aRefusedPostKeepsTheRowOpenWithWhatWasWritten();
    void aRefusedNewRecordUndoesTheInsert();
    void operationsWithoutEffectDoNothing();
    void editOfAnEmptySetInserts();
    void scrollEventsRunOnlyWhenTheCursorMoves();
    void scrollingAwayPostsAChangedRowAndDropsAnUntouchedInsert();
    void loadingRunsAfterScrollOnly();
    void modifiedIgnoresWhatOnNewRecordWrote();
    void bofAndEofAreTheDesktopLibrarys_data();
    void bofAndEofAreTheDesktopLibrarys();
};

void TstDataSetEvents::insertRunsItsEventsInOrderAndPutsTheRowBeforeTheCurrentOne() {
    Fixture f({"A", "B", "C"});
    f.ds.Next(); // on B
    f.log.clear();
    f.ds.Insert();
    QCOMPARE(f.log,
             (QStringList{"BeforeInsert@browse", "BeforeScroll@browse", "State:insert",
                          "OnNewRecord@insert", "AfterInsert@insert", "AfterScroll@insert"}));
    QCOMPARE(f.ds.RecNo(), 2);
    f.ds.FieldByName("CODE").SetAsString("N");
    f.ds.Post();
    QCOMPARE(f.codes(), (QStringList{"A", "N", "B", "C"}));
    QCOMPARE(f.current(), QString("N"));
    QCOMPARE(f.ds.RecordCount(), 4);
}

void TstDataSetEvents::appendPutsTheRowAfterTheLast() {
    Fixture f({"A", "B"});
    f.ds.Append();
    QCOMPARE(f.ds.RecordCount(), 2); // the open row is not counted until posted
    QVERIFY(!f.ds.IsEmpty());
    f.ds.FieldByName("CODE").SetAsString("Z");
    f.ds.Post();
    QCOMPARE(f.codes(), (QStringList{"A", "B", "Z"}));
    QCOMPARE(f.ds.RecNo(), 3);

    Fixture empty;
    empty.ds.Insert();
    QVERIFY(!empty.ds.IsEmpty());
    QCOMPARE(empty.ds.RecordCount(), 0);
    empty.ds.FieldByName("CODE").SetAsString("X");
    empty.ds.Post();
    QCOMPARE(empty.codes(), QStringList{"X"});
}

void TstDataSetEvents::editPostAndCancelRunTheirEventsInOrder() {
    Fixture f({"A"});
    f.log.clear();
    f.ds.Edit();
    f.ds.FieldByName("CODE").SetAsString("A2");
    f.ds.Post();
    QCOMPARE(f.log, (QStringList{"BeforeEdit@browse", "State:edit", "AfterEdit@edit",
                                 "BeforePost@edit", "State:browse", "AfterPost@browse"}));
    f.log.clear();
    f.ds.Edit();
    f.ds.FieldByName("CODE").SetAsString("A3");
    f.ds.Cancel();
    QCOMPARE(f.log, (QStringList{"BeforeEdit@browse", "State:edit", "AfterEdit@edit",
                                 "BeforeCancel@edit", "State:browse", "AfterCancel@browse"}));
    QCOMPARE(f.current(), QString("A2"));
}

void TstDataSetEvents::cancellingAnInsertDropsTheRowAndReturnsToTheFormerRow() {
    Fixture f({"A", "B", "C"});
    f.ds.Next();
    f.ds.Insert();
    f.log.clear();
    f.ds.Cancel();
    QCOMPARE(f.log, (QStringList{"BeforeCancel@insert", "BeforeScroll@insert", "State:browse",
                                 "AfterCancel@browse", "AfterScroll@browse"}));
    QCOMPARE(f.codes(), (QStringList{"A", "B", "C"}));
    QCOMPARE(f.current(), QString("B"));

    f.ds.Append();
    f.ds.Cancel();
    QCOMPARE(f.current(), QString("C"));
    QCOMPARE(f.ds.RecordCount(), 3);
}

void TstDataSetEvents::deleteRunsItsEventsAndKeepsTheCursorInRange() {
    Fixture f({"A", "B"});
    f.ds.Last();
    f.log.clear();
    f.ds.Delete();
    QCOMPARE(f.log, (QStringList{"BeforeDelete@browse", "BeforeScroll@browse", "AfterDelete@browse",
                                 "AfterScroll@browse"}));
    QCOMPARE(f.codes(), QStringList{"A"});
    QCOMPARE(f.current(), QString("A"));
    f.ds.Delete();
    QVERIFY(f.ds.IsEmpty());
    QVERIFY(f.ds.Eof() && f.ds.Bof());
    QCOMPARE(f.ds.RecNo(), 0);

    // Deleting a row being inserted only drops it.
    Fixture g({"A"});
    g.ds.Insert();
    g.ds.Delete();
    QCOMPARE(g.codes(), QStringList{"A"});
    QCOMPARE(g.ds.ChangeCount(), 0);
}

void TstDataSetEvents::aRefusingBeforeHandlerLeavesEverythingAsItWas_data() {
    QTest::addColumn<QString>("handler");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("expectedState");
    QTest::newRow("BeforeInsert") << "BeforeInsert"
                                  << "insert" << int(dsBrowse);
    QTest::newRow("BeforeScroll on insert") << "BeforeScroll"
                                            << "insert" << int(dsBrowse);
    QTest::newRow("BeforeEdit") << "BeforeEdit"
                                << "edit" << int(dsBrowse);
    QTest::newRow("BeforeDelete") << "BeforeDelete"
                                  << "delete" << int(dsBrowse);
    QTest::newRow("BeforeScroll on delete") << "BeforeScroll"
                                            << "delete" << int(dsBrowse);
    QTest::newRow("BeforeScroll on next") << "BeforeScroll"
                                          << "next" << int(dsBrowse);
    QTest::newRow("BeforeCancel") << "BeforeCancel"
                                  << "cancel" << int(dsEdit);
}

void TstDataSetEvents::aRefusingBeforeHandlerLeavesEverythingAsItWas() {
    QFETCH(QString, handler);
    QFETCH(QString, operation);
    QFETCH(int, expectedState);
    Fixture f({"A", "B"});
    if (operation == "cancel") {
        f.ds.Edit();
        f.ds.FieldByName("CODE").SetAsString("A9");
    }
    f.throwIn = handler;
    f.log.clear();
    bool threw = false;
    try {
        if (operation == "insert")
            f.ds.Insert();
        else if (operation == "edit")
            f.ds.Edit();
        else if (operation == "delete")
            f.ds.Delete();
        else if (operation == "next")
            f.ds.Next();
        else
            f.ds.Cancel();
    } catch (const Exception&) {
        threw = true;
    }
    QVERIFY(threw);
    QCOMPARE(int(f.ds.State()), expectedState);
    QCOMPARE(f.ds.RecNo(), 1);
    QCOMPARE(f.ds.RecordCount(), 2);
    QCOMPARE(f.ds.ChangeCount(), 0);
    QCOMPARE(f.current(), operation == "cancel" ? QString("A9") : QString("A"));
    QVERIFY(!f.log.join(',').contains("State:"));
    QVERIFY(!f.log.join(',').contains("After"));
}

void TstDataSetEvents::aRefusedPostKeepsTheRowOpenWithWhatWasWritten() {
    Fixture f({"A"});
    f.ds.Append();
    f.ds.FieldByName("CODE").SetAsString("NEW");
    f.throwIn = "BeforePost";
    QVERIFY_THROWS_EXCEPTION(Exception, f.ds.Post());
    QCOMPARE(f.ds.State(), dsInsert);
    QCOMPARE(f.current(), QString("NEW"));
    QCOMPARE(f.ds.ChangeCount(), 0);
    f.throwIn.clear();
    f.ds.Post();
    QCOMPARE(f.ds.State(), dsBrowse);
    QCOMPARE(f.codes(), (QStringList{"A", "NEW"}));
    QCOMPARE(f.ds.ChangeCount(), 1);
}

void TstDataSetEvents::aRefusedNewRecordUndoesTheInsert() {
    Fixture f({"A", "B"});
    f.ds.Next();
    f.throwIn = "OnNewRecord";
    QVERIFY_THROWS_EXCEPTION(Exception, f.ds.Insert());
    QCOMPARE(f.ds.State(), dsBrowse);
    QCOMPARE(f.codes(), (QStringList{"A", "B"}));
    QCOMPARE(f.current(), QString("B"));
}

void TstDataSetEvents::operationsWithoutEffectDoNothing() {
    Fixture empty;
    empty.log.clear();
    empty.ds.Delete();
    empty.ds.Post();
    empty.ds.Cancel();
    QVERIFY(empty.log.isEmpty());
    QCOMPARE(empty.ds.State(), dsBrowse);

    Fixture f({"A"});
    f.log.clear();
    f.ds.Post();
    f.ds.Cancel();
    QVERIFY(f.log.isEmpty());

    // Edit of a row already open does not start again.
    f.ds.Edit();
    f.log.clear();
    f.ds.Edit();
    QVERIFY(f.log.isEmpty());
}

void TstDataSetEvents::editOfAnEmptySetInserts() {
    Fixture f;
    f.log.clear();
    f.ds.Edit();
    QCOMPARE(f.ds.State(), dsInsert);
    QCOMPARE(f.log.first(), QString("BeforeInsert@browse"));
    // …so a refusing BeforeInsert also refuses the edit of an empty set.
    Fixture g;
    g.throwIn = "BeforeInsert";
    QVERIFY_THROWS_EXCEPTION(Exception, g.ds.Edit());
    QCOMPARE(g.ds.State(), dsBrowse);
}

void TstDataSetEvents::scrollEventsRunOnlyWhenTheCursorMoves() {
    Fixture f({"A", "B", "C"});
    f.log.clear();
    f.ds.First();
    f.ds.Prior();
    QVERIFY(f.ds.Bof());
    QVERIFY(f.log.isEmpty());
    f.ds.Next();
    QCOMPARE(f.log, (QStringList{"BeforeScroll@browse", "AfterScroll@browse"}));
    f.ds.Last();
    f.log.clear();
    f.ds.Next();
    f.ds.Last();
    QVERIFY(f.ds.Eof());
    QVERIFY(f.log.isEmpty());
    QVERIFY(f.ds.Locate("CODE", "c", loCaseInsensitive));
    QVERIFY(f.log.isEmpty());
    QCOMPARE(f.ds.MoveBy(-5), -2);
    QVERIFY(f.ds.Bof());
    QCOMPARE(f.log.size(), 2);

    // The usual walk visits every row once and stops on the last one.
    QStringList seen;
    f.ds.First();
    while (!f.ds.Eof()) {
        seen << f.current();
        f.ds.Next();
    }
    QCOMPARE(seen, (QStringList{"A", "B", "C"}));
    QCOMPARE(f.current(), QString("C"));
}

void TstDataSetEvents::scrollingAwayPostsAChangedRowAndDropsAnUntouchedInsert() {
    Fixture f({"A", "B"});
    f.ds.Edit();
    f.ds.FieldByName("CODE").SetAsString("A1");
    f.log.clear();
    f.ds.Next();
    QCOMPARE(f.log.first(), QString("BeforePost@edit"));
    QCOMPARE(f.codes(), (QStringList{"A1", "B"}));
    QCOMPARE(f.current(), QString("B"));

    f.ds.Append();
    f.log.clear();
    f.ds.First();
    QVERIFY(f.log.contains("BeforeCancel@insert"));
    QVERIFY(!f.log.join(',').contains("BeforePost"));
    QCOMPARE(f.codes(), (QStringList{"A1", "B"}));
    QCOMPARE(f.current(), QString("A1"));
}

void TstDataSetEvents::loadingRunsAfterScrollOnly() {
    Fixture f({"A", "B"});
    f.ds.Next();
    f.log.clear();
    f.load({"X", "Y"});
    QCOMPARE(f.log, (QStringList{"State:inactive", "State:browse", "AfterScroll@browse"}));
    QCOMPARE(f.ds.RecNo(), 1);
    QCOMPARE(f.current(), QString("X"));

    f.log.clear();
    f.load({});
    QCOMPARE(f.log, (QStringList{"State:inactive", "State:browse"}));
    QVERIFY(f.ds.IsEmpty());
}

void TstDataSetEvents::modifiedIgnoresWhatOnNewRecordWrote() {
    Fixture f({"A"});
    f.ds.OnNewRecord = [](TClientDataSet& d) { d.FieldByName("CODE").SetAsString("0001"); };
    f.ds.Append();
    QCOMPARE(f.current(), QString("0001"));
    QVERIFY(!f.ds.Modified());
    f.ds.FieldByName("QTY").SetAsFloat(2);
    QVERIFY(f.ds.Modified());
}

void TstDataSetEvents::bofAndEofAreTheDesktopLibrarys_data() {
    QTest::addColumn<QString>("moves");
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("bof");
    QTest::addColumn<bool>("eof");
    // Three rows A, B, C; each row applies its moves to a freshly loaded set.
    QTest::newRow("loaded") << ""
                            << "A" << true << false;
    QTest::newRow("First") << "Last,First"
                           << "A" << true << false;
    QTest::newRow("Last") << "Last"
                          << "C" << false << true;
    QTest::newRow("Next inside") << "Next"
                                 << "B" << false << false;
    QTest::newRow("Next onto the last row") << "Next,Next"
                                            << "C" << false << false;
    QTest::newRow("Next past the end") << "Next,Next,Next"
                                       << "C" << false << true;
    QTest::newRow("Prior past the start") << "Next,Prior,Prior"
                                          << "A" << true << false;
    QTest::newRow("MoveBy landing on the last row") << "MoveBy:2"
                                                    << "C" << false << false;
    QTest::newRow("MoveBy beyond the end") << "MoveBy:5"
                                           << "C" << false << true;
    QTest::newRow("MoveBy beyond the start") << "Last,MoveBy:-5"
                                             << "A" << true << false;
    QTest::newRow("MoveBy 0 keeps the ends") << "Last,MoveBy:0"
                                             << "C" << false << true;
    QTest::newRow("Locate") << "Locate:C"
                            << "C" << false << false;
    QTest::newRow("Append") << "Append"
                            << "" << false << true;
    QTest::newRow("Insert keeps the ends") << "Insert"
                                           << "" << true << false;
    QTest::newRow("Post after Last") << "Last,Edit,Post"
                                     << "C" << false << false;
    QTest::newRow("Cancel of an append") << "Last,Append,Cancel"
                                         << "C" << false << false;
    QTest::newRow("Delete of the last row") << "Last,Delete"
                                            << "B" << false << false;
}

void TstDataSetEvents::bofAndEofAreTheDesktopLibrarys() {
    QFETCH(QString, moves);
    QFETCH(QString, current);
    QFETCH(bool, bof);
    QFETCH(bool, eof);
    Fixture f({"A", "B", "C"});
    for (const QString& move : moves.split(',', Qt::SkipEmptyParts)) {
        const QString name = move.section(':', 0, 0);
        const QString arg = move.section(':', 1);
        if (name == "First")
            f.ds.First();
        else if (name == "Last")
            f.ds.Last();
        else if (name == "Next")
            f.ds.Next();
        else if (name == "Prior")
            f.ds.Prior();
        else if (name == "MoveBy")
            f.ds.MoveBy(arg.toInt());
        else if (name == "Locate")
            QVERIFY(f.ds.Locate("CODE", arg));
        else if (name == "Append")
            f.ds.Append();
        else if (name == "Insert")
            f.ds.Insert();
        else if (name == "Edit")
            f.ds.Edit();
        else if (name == "Post")
            f.ds.Post();
        else if (name == "Cancel")
            f.ds.Cancel();
        else if (name == "Delete")
            f.ds.Delete();
        else
            QFAIL(qPrintable("unknown move " + name));
    }
    QCOMPARE(f.current(), current);
    QCOMPARE(f.ds.Bof(), bof);
    QCOMPARE(f.ds.Eof(), eof);
}

QTEST_GUILESS_MAIN(TstDataSetEvents)
#include "tst_dataset_events.moc"
