#include "framework/data/datasource.h"

#include <algorithm>

TDataSource::TDataSource(QString name, TClientDataSet* dataSet) : m_name(std::move(name)) {
    SetDataSet(dataSet);
}

TDataSource::~TDataSource() {
    if (m_dataSet)
        m_dataSet->DetachSource(this);
    for (TDataLink* link : m_links)
        link->m_source = nullptr;
}

void TDataSource::SetDataSet(TClientDataSet* dataSet) {
    if (dataSet == m_dataSet)
        return;
    if (m_dataSet)
        m_dataSet->DetachSource(this);
    m_dataSet = dataSet;
    if (m_dataSet)
        m_dataSet->AttachSource(this);
    NotifyState(m_dataSet ? m_dataSet->State() : dsInactive, true);
    NotifyLinks(deDataSetChange, nullptr);
}

void TDataSource::DataSetDestroyed() {
    m_dataSet = nullptr;
    m_state = m_announced = dsInactive;
    const auto links = m_links;
    for (TDataLink* link : links)
        link->ActiveChanged();
}

void TDataSource::SetEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    NotifyState(m_dataSet ? m_dataSet->State() : dsInactive, true);
    if (m_state != dsInactive)
        NotifyLinks(deDataSetChange, nullptr);
}

void TDataSource::DataEvent(TDataEvent event, void* info) {
    switch (event) {
    case deUpdateState:
        NotifyState(m_dataSet ? m_dataSet->State() : dsInactive, true);
        return;
    case deDisabledStateChange:
        NotifyState(info && m_dataSet ? m_dataSet->State() : dsInactive, false);
        return;
    case deUpdateRecord:
    case deFocusControl:
        NotifyLinks(event, info);
        return;
    default:
        if (m_state == dsInactive)
            return;
        NotifyLinks(event, info);
        if (OnDataChange)
            OnDataChange(*this, event == deFieldChange ? static_cast<TField*>(info) : nullptr);
    }
}

void TDataSource::NotifyState(TDataSetState state, bool announce) {
    if (!m_enabled)
        state = dsInactive;
    if (state != m_state) {
        const TDataSetState old = m_state;
        m_state = state;
        const bool activeChanged = (old == dsInactive) != (state == dsInactive);
        const auto editing = [](TDataSetState s) { return s == dsEdit || s == dsInsert; };
        const auto links = m_links;
        for (TDataLink* link : links) {
            if (activeChanged)
                link->ActiveChanged();
            else if (editing(old) != editing(state))
                link->EditingChanged();
        }
    }
    if (!announce || m_state == m_announced)
        return;
    m_announced = m_state;
    if (OnStateChange)
        OnStateChange(*this);
}

void TDataSource::NotifyLinks(TDataEvent event, void* info) {
    const auto links = m_links;
    if (event == deFocusControl) {
        // The first control that shows the field takes the focus.
        TField* field = static_cast<TField*>(info);
        for (TDataLink* link : links)
            if (field)
                link->FocusControl(field);
        return;
    }
    for (TDataLink* link : links) {
        switch (event) {
        case deFieldChange:
            link->RecordChanged(static_cast<TField*>(info));
            break;
        case deRecordChange:
            link->RecordChanged(nullptr);
            break;
        case deDataSetChange:
            link->DataSetChanged();
            break;
        case deDataSetScroll:
            link->DataSetScrolled();
            break;
        case deUpdateRecord:
            link->UpdateData();
            break;
        default:
            break;
        }
    }
}

void TDataSource::AttachLink(TDataLink* link) {
    if (std::find(m_links.begin(), m_links.end(), link) == m_links.end())
        m_links.push_back(link);
}

void TDataSource::DetachLink(TDataLink* link) {
    m_links.erase(std::remove(m_links.begin(), m_links.end(), link), m_links.end());
}

TDataLink::~TDataLink() {
    if (m_source)
        m_source->DetachLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == m_source)
        return;
    if (m_source)
        m_source->DetachLink(this);
    m_source = source;
    if (m_source)
        m_source->AttachLink(this);
    ActiveChanged();
}
