#pragma once

// The suite's multi-dialect query: one SQL text per database dialect, named parameters
// (":P_CDFILIAL"), and the rows loaded into a client data set that a data source can show.
// Which text runs is chosen from the driver of the suite's shared connection:
//   QOCI → SQL_ORACLE; QODBC, QTDS → SQL_MSSQL; QIBASE → SQL_IB;
//   QSQLITE → SQL_ORACLE, with NVL(a, b) registered on the connection;
//   QPSQL and anything else → SQL, whose functions (PARAM, NVLSTR) the suite's database
//   holds (the application server's schema creates them on PostgreSQL).
// A dialect without a text of its own runs SQL.

#include "framework/data/dataset.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

class TParam {
public:
    explicit TParam(QString name) : m_name(std::move(name)) {}

    const QString& Name() const { return m_name; }
    const QVariant& Value() const { return m_value; }
    void SetValue(const QVariant& value) { m_value = value; }
    // An empty text is a text, not a null: it selects no row where null would select all.
    void SetAsString(const QString& value);
    QString AsString() const { return m_value.toString(); }
    // Null: binds SQL NULL.
    void Clear() { m_value = QVariant(); }
    bool IsNull() const { return m_value.isNull(); }

private:
    QString m_name;
    QVariant m_value;
};

class TADOIBQuery {
public:
    explicit TADOIBQuery(QString name = {});
    TADOIBQuery(const TADOIBQuery&) = delete;
    TADOIBQuery& operator=(const TADOIBQuery&) = delete;

    // One line of the text per entry.
    QStringList SQL, SQL_ORACLE, SQL_MSSQL, SQL_IB;

    // A parameter named in one of the texts (case-insensitive); raises EDatabaseError for
    // a name no text uses.
    TParam& ParamByName(const QString& name);

    // The rows. Declare its fields before opening (they are filled by column name, case
    // ignored); without declared fields it takes the columns of the result.
    TClientDataSet& Query() { return m_dataSet; }
    const TClientDataSet& Query() const { return m_dataSet; }

    // Runs the text of the connection's dialect; a failure raises EDatabaseError with the
    // driver's message. Opening an open query does nothing.
    void Open();
    void Close() { m_dataSet.Close(); }
    bool Active() const { return m_dataSet.Active(); }
    bool IsEmpty() const { return m_dataSet.IsEmpty(); }

    // The text Open runs on a QtSql driver.
    const QStringList& TextFor(const QString& driverName) const;

private:
    TParam* findParam(const QString& name) const;

    std::vector<std::unique_ptr<TParam>> m_params;
    TClientDataSet m_dataSet;
};
