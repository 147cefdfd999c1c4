// Data sources and links: what bound controls hear, and when; suspended controls.

#include "framework/data/datasource.h"

#include <QTest>

namespace {

struct RecordingLink : TDataLink {
    QStringList heard;
    QString pendingText; // what the control holds unwritten
    bool takesFocus = true;
    void ActiveChanged() override { heard << "active"; }
    void EditingChanged() override { heard << "editing"; }
    void DataSetChanged() override { heard << "changed"; }
    void DataSetScrolled() override { heard << "scrolled"; }
    void RecordChanged(TField* f) override { heard << (f ? "field:" + f->FieldName() : "record"); }
    void UpdateData() override {
        heard << "update";
        if (!pendingText.isEmpty())
            DataSet()->FieldByName("NAME").SetAsString(pendingText);
        pendingText.clear();
    }
    void FocusControl(TField*& field) override {
        heard << "focus:" + field->FieldName();
        if (takesFocus)
            field = nullptr;
    }
};

struct Bound {
    TClientDataSet ds{"cds"};
    TDataSource src{"dts", &ds};
    RecordingLink link;
    QStringList states;
    Bound() {
        ds.AddField("NAME", ftString, 10);
        ds.CreateDataSet();
        for (const char* n : {"a", "b", "c"}) {
            ds.Append();
            ds.FieldByName("NAME").SetAsString(n);
            ds.Post();
        }
        ds.First();
        link.SetDataSource(&src);
        src.OnStateChange = [this](TDataSource& s) { states << QString::number(s.State()); };
        link.heard.clear();
    }
};

} // namespace

class TstDataSource : public QObject {
    Q_OBJECT
private slots:
    void stateChangesReachTheSourceAndItsLinks();
    void aDisabledSourceReportsInactive();
    void fieldWritesAndMovesReachTheLinks();
    void controlsWriteTheirPendingEditBeforeThePost();
    void suspendedControlsHearNothingUntilTheLastEnable();
    void aSuspendedChangeIsAnnouncedOnceWhenTheControlsReturn_data();
    void aSuspendedChangeIsAnnouncedOnceWhenTheControlsReturn();
    void focusGoesToTheFirstLinkThatShowsTheField();
    void destroyingEitherSideUnbindsTheOther();
};

void TstDataSource::stateChangesReachTheSourceAndItsLinks() {
    Bound b;
    b.ds.Edit();
    b.ds.Cancel();
    b.ds.Close();
    QCOMPARE(b.states, (QStringList{QString::number(dsEdit), QString::number(dsBrowse),
                                    QString::number(dsInactive)}));
    QCOMPARE(b.link.heard.count("editing"), 2);
    QCOMPARE(b.link.heard.count("active"), 1);
    QVERIFY(!b.link.Active());
}

void TstDataSource::aDisabledSourceReportsInactive() {
    Bound b;
    b.src.SetEnabled(false);
    QCOMPARE(b.src.State(), dsInactive);
    QCOMPARE(b.states, QStringList{QString::number(dsInactive)});
    b.ds.Edit();
    QCOMPARE(b.src.State(), dsInactive);
    b.src.SetEnabled(true);
    QCOMPARE(b.src.State(), dsEdit);
    QCOMPARE(b.states.last(), QString::number(dsEdit));
}

void TstDataSource::fieldWritesAndMovesReachTheLinks() {
    Bound b;
    QStringList dataChanges;
    b.src.OnDataChange = [&](TDataSource&, TField* f) {
        dataChanges << (f ? f->FieldName() : "-");
    };
    b.ds.Next();
    b.ds.Edit();
    b.ds.FieldByName("NAME").SetAsString("bb");
    QCOMPARE(b.link.heard, (QStringList{"scrolled", "editing", "record", "field:NAME"}));
    QCOMPARE(dataChanges, (QStringList{"-", "-", "NAME"}));
}

void TstDataSource::controlsWriteTheirPendingEditBeforeThePost() {
    Bound b;
    QString seenInBeforePost;
    b.ds.BeforePost = [&](TClientDataSet& d) {
        seenInBeforePost = d.FieldByName("NAME").AsString();
    };
    b.ds.Edit();
    b.link.pendingText = "typed";
    b.ds.Post();
    QCOMPARE(seenInBeforePost, QString("typed"));
    QCOMPARE(b.ds.FieldByName("NAME").AsString(), QString("typed"));
    QVERIFY(b.link.heard.indexOf("update") < b.link.heard.lastIndexOf("editing"));
}

void TstDataSource::suspendedControlsHearNothingUntilTheLastEnable() {
    Bound b;
    b.ds.DisableControls();
    b.ds.DisableControls();
    b.ds.Last();
    b.ds.Edit();
    b.ds.FieldByName("NAME").SetAsString("cc");
    b.ds.Post();
    b.ds.EnableControls();
    QVERIFY(b.link.heard.isEmpty());
    QVERIFY(b.states.isEmpty());
    b.ds.EnableControls();
    QCOMPARE(b.link.heard, QStringList{"changed"});
    QVERIFY(b.states.isEmpty()); // browse before and after

    // A state the source missed is reported by the last enable.
    b.ds.DisableControls();
    b.ds.Edit();
    b.ds.EnableControls();
    QCOMPARE(b.states, QStringList{QString::number(dsEdit)});
}

void TstDataSource::aSuspendedChangeIsAnnouncedOnceWhenTheControlsReturn_data() {
    QTest::addColumn<bool>("openAtStart");
    QTest::addColumn<QString>("work");
    QTest::addColumn<QStringList>("announced");
    QTest::addColumn<int>("activeChanges");
    const QString browse = QString::number(dsBrowse);
    QTest::newRow("reload of an open set") << true << "reload" << QStringList() << 2;
    QTest::newRow("first load") << false << "reload" << QStringList{browse} << 1;
    QTest::newRow("close") << true << "close" << QStringList{QString::number(dsInactive)} << 1;
    QTest::newRow("edit") << true << "edit" << QStringList{QString::number(dsEdit)} << 0;
    QTest::newRow("edit and cancel") << true << "edit,cancel" << QStringList() << 0;
}

void TstDataSource::aSuspendedChangeIsAnnouncedOnceWhenTheControlsReturn() {
    QFETCH(bool, openAtStart);
    QFETCH(QString, work);
    QFETCH(QStringList, announced);
    QFETCH(int, activeChanges);
    Bound b;
    const QVariant data = b.ds.Data();
    if (!openAtStart)
        b.ds.Close();
    b.states.clear();
    b.link.heard.clear();
    b.ds.DisableControls();
    for (const QString& step : work.split(',')) {
        if (step == "reload")
            b.ds.SetData(data); // a load closes and reopens
        else if (step == "close")
            b.ds.Close();
        else if (step == "edit")
            b.ds.Edit();
        else if (step == "cancel")
            b.ds.Cancel();
    }
    // The bound controls let go of rows that are gone, but no state rule runs yet.
    QVERIFY(b.states.isEmpty());
    QCOMPARE(int(b.link.heard.count("active")), activeChanges);
    b.ds.EnableControls();
    QCOMPARE(b.states, announced);
    QCOMPARE(b.src.State(), b.ds.State());
    QCOMPARE(b.link.Active(), b.ds.Active());
}

void TstDataSource::focusGoesToTheFirstLinkThatShowsTheField() {
    Bound b;
    RecordingLink second;
    second.SetDataSource(&b.src);
    second.heard.clear();
    b.ds.FieldByName("NAME").FocusControl();
    QCOMPARE(b.link.heard, QStringList{"focus:NAME"});
    QVERIFY(second.heard.isEmpty());
    b.link.takesFocus = false;
    b.ds.FieldByName("NAME").FocusControl();
    QCOMPARE(second.heard, QStringList{"focus:NAME"});
}

void TstDataSource::destroyingEitherSideUnbindsTheOther() {
    auto* ds = new TClientDataSet("cds");
    ds->AddField("NAME", ftString, 4);
    ds->CreateDataSet();
    TDataSource src("dts", ds);
    RecordingLink link;
    link.SetDataSource(&src);
    delete ds;
    QCOMPARE(src.DataSet(), nullptr);
    QCOMPARE(src.State(), dsInactive);
    {
        TDataSource shortLived("tmp");
        link.SetDataSource(&shortLived);
    }
    QCOMPARE(link.DataSource(), nullptr);
}

QTEST_GUILESS_MAIN(TstDataSource)
#include "tst_datasource.moc"
