#pragma once

// The in-memory client data set: typed rows, a cursor, the edit states, the events in
// the desktop library's order, and a change log that is sent back as a change packet.
//
// Event order (a Before* handler that throws stops the operation and leaves the state):
//   Insert/Append: [post or cancel an open row] BeforeInsert, BeforeScroll, state insert,
//                  OnNewRecord, AfterInsert, AfterScroll
//   Edit:          BeforeEdit, state edit, AfterEdit (Edit of an empty set inserts)
//   Post:          [controls write their pending edit] BeforePost, state browse, AfterPost
//   Cancel:        BeforeCancel, [BeforeScroll], state browse, AfterCancel, [AfterScroll]
//                  (the scroll events when an inserted row is dropped)
//   Delete:        BeforeDelete, BeforeScroll, state browse, AfterDelete, AfterScroll
//   scrolling:     [post or cancel an open row] BeforeScroll, move, AfterScroll — only
//                  when the cursor really moves to another row
//   SetData:       [close] BeforeOpen, state browse, AfterOpen, AfterScroll (when the
//                  data has rows); BeforeScroll does not run.

#include "framework/data/field.h"
#include "framework/data/field_type.h"
#include "framework/data/record_store.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class TDataSource;

enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deUpdateRecord,
    deUpdateState,
    deDisabledStateChange,
    deFocusControl,
};

enum TLocateOption { loCaseInsensitive = 0x1, loPartialKey = 0x2 };
using TLocateOptions = int;

class TClientDataSet {
public:
    using NotifyEvent = std::function<void(TClientDataSet& dataSet)>;

    explicit TClientDataSet(QString name = {});
    ~TClientDataSet();
    TClientDataSet(const TClientDataSet&) = delete;
    TClientDataSet& operator=(const TClientDataSet&) = delete;

    const QString& Name() const { return m_name; }

    // Persistent fields, declared in order before the data set is opened.
    TField& AddField(const QString& name, TFieldType type, int size = 0);
    int FieldCount() const { return int(m_fields.size()); }
    TField& Field(int index) const { return *m_fields[size_t(index)]; }
    TField* FindField(const QString& name) const;
    // Raises EDatabaseError when there is no such field.
    TField& FieldByName(const QString& name) const;

    // Lifecycle.
    bool Active() const { return m_state != dsInactive; }
    TDataSetState State() const { return m_state; }
    // An empty in-memory table from the declared fields.
    void CreateDataSet();
    void Close();

    // The whole content as a data packet (null while inactive); loading one replaces
    // every row and empties the change log. A packet that lacks a declared field or holds
    // a value of the wrong type is refused (EDatabaseError) and the data set is unchanged.
    // A data set without declared fields takes the packet's.
    QVariant Data() const;
    void SetData(const QVariant& packet);

    // Change log.
    QVariant Delta() const;
    int ChangeCount() const;
    void MergeChangeLog();
    void CancelUpdates();

    // Cursor. RecNo is 1-based (0 when empty); RecordCount does not count a row being
    // inserted, IsEmpty does. Bof and Eof as the desktop library sets them: Bof after
    // opening, First, or a Prior that finds no row before; Eof for an empty set, after
    // Last, or a Next that finds no row after; a move that lands on a row (MoveBy, a
    // grid's click, Locate), a post, a cancel or a delete clears both.
    int RecordCount() const;
    int RecNo() const { return m_cur < 0 ? 0 : m_cur + 1; }
    bool IsEmpty() const { return RecordCount() == 0 && m_state != dsInsert; }
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);
    void SetRecNo(int recNo);
    // `keyFields` separated by ';', `keyValues` one value or a list of them.
    bool Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options = 0);

    // Editing.
    void Insert();
    void Append();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    // Whether a field was written since the row was opened (OnNewRecord does not count).
    bool Modified() const { return m_modified; }

    // Suspends and resumes the display updates of bound controls; nests, and the last
    // EnableControls refreshes them once.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    NotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    NotifyEvent BeforeInsert, OnNewRecord, AfterInsert;
    NotifyEvent BeforeEdit, AfterEdit, BeforePost, AfterPost;
    NotifyEvent BeforeCancel, AfterCancel, BeforeDelete, AfterDelete;
    NotifyEvent BeforeScroll, AfterScroll;
    // Runs for each row as it is loaded or posted; field writes inside it are not changes.
    NotifyEvent OnCalcFields;

    // For data-aware controls: the number of rows shown (a row being inserted included)
    // and the current one (0-based, -1 when none).
    int DisplayRowCount() const { return m_rows.size(); }
    int CurrentRow() const { return m_cur; }
    // Runs `fn` with the fields reading row `row` (0-based) without moving the cursor;
    // a control draws other rows through it.
    void WithRow(int row, const std::function<void()>& fn) const;

    // Called by fields.
    const QVariant& FieldValue(int index) const;
    void SetFieldValue(TField& field, const QVariant& value);
    // Called by fields and data sources.
    void DataEvent(TDataEvent event, void* info = nullptr);
    void AttachSource(TDataSource* source);
    void DetachSource(TDataSource* source);

private:
    void SetState(TDataSetState state);
    void CheckBrowseMode();
    void UpdateRecord();
    void OpenWith(QList<RecordStore::Values> rows);
    void InsertAt(int pos, bool append);
    // Checks the set is open and posts or drops an open row; false when there is no row.
    bool PrepareMove();
    // Moves to `row` (scroll events only when it is another row) and sets Bof and Eof.
    void MoveCursor(int row, bool bof, bool eof);
    void RunCalcFields(int row);
    void RunCalcFieldsForAll();
    QList<packet::FieldDesc> FieldDescs() const;
    static void Fire(const NotifyEvent& event, TClientDataSet& self);

    QString m_name;
    std::vector<std::unique_ptr<TField>> m_fields;
    std::vector<TDataSource*> m_sources;
    RecordStore m_rows;
    RecordStore::Values m_buffer;
    TDataSetState m_state = dsInactive;
    int m_cur = -1;
    bool m_eof = true, m_bof = true;
    bool m_modified = false;
    int m_disableCount = 0;
    TDataSetState m_disableState = dsInactive;
    bool m_disabledActive = false;
    mutable int m_readRow = -1;
    int m_calcRow = -1;
};
