#pragma once

// A data source ties a data set to the controls that show it: it forwards the data set's
// state and data changes to its data links and raises OnStateChange when the state it
// reports changes. A disabled data source reports inactive.
//
// While the data set's controls are suspended (DisableControls) the links still hear of
// the data set opening and closing, so that no control keeps rows that are gone, but
// OnStateChange stays quiet: the last EnableControls raises it once, when the state then
// differs from the one last announced.

#include "framework/data/dataset.h"

#include <functional>
#include <vector>

class TDataLink;

class TDataSource {
public:
    using NotifyEvent = std::function<void(TDataSource& sender)>;
    using DataChangeEvent = std::function<void(TDataSource& sender, TField* field)>;

    explicit TDataSource(QString name = {}, TClientDataSet* dataSet = nullptr);
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    const QString& Name() const { return m_name; }
    TClientDataSet* DataSet() const { return m_dataSet; }
    void SetDataSet(TClientDataSet* dataSet);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    // The state as this source reports it to its controls.
    TDataSetState State() const { return m_state; }

    NotifyEvent OnStateChange;
    DataChangeEvent OnDataChange;

    // Called by the data set.
    void DataEvent(TDataEvent event, void* info);
    // The data set is going away: the controls let go of it; no event handler runs, since
    // its owner may be half destroyed.
    void DataSetDestroyed();
    void AttachLink(TDataLink* link);
    void DetachLink(TDataLink* link);

private:
    // `announce`: raise OnStateChange when the state differs from the one last announced.
    void NotifyState(TDataSetState state, bool announce);
    void NotifyLinks(TDataEvent event, void* info);

    QString m_name;
    TClientDataSet* m_dataSet = nullptr;
    bool m_enabled = true;
    TDataSetState m_state = dsInactive;
    TDataSetState m_announced = dsInactive;
    std::vector<TDataLink*> m_links;
};

// What a data-aware control implements to follow a data source.
class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return m_source; }
    void SetDataSource(TDataSource* source);
    TClientDataSet* DataSet() const { return m_source ? m_source->DataSet() : nullptr; }
    bool Active() const { return m_source && m_source->State() != dsInactive; }
    bool Editing() const {
        return m_source && (m_source->State() == dsEdit || m_source->State() == dsInsert);
    }

    // The source's state went from or to inactive.
    virtual void ActiveChanged() {}
    // The source's state went from or to edit or insert.
    virtual void EditingChanged() {}
    // Rows were added, removed, reloaded, or the controls were enabled again.
    virtual void DataSetChanged() {}
    // The cursor moved.
    virtual void DataSetScrolled() {}
    // A field of the current record changed (null: the whole record).
    virtual void RecordChanged(TField* /*field*/) {}
    // Write whatever the control holds unwritten into the fields (before a post).
    virtual void UpdateData() {}
    // Select `field` and take the focus; set it to null when done.
    virtual void FocusControl(TField*& /*field*/) {}

private:
    friend class TDataSource;
    TDataSource* m_source = nullptr;
};
