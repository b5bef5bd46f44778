#pragma once
// The query, query-by-example and stored-procedure datasets: TdkQuery,
// TdkQBE and TdkStoredProc carry the same field-info lists, picture-mask
// validation and record filter callback as TdkTable, so the grid, the edits
// and the field-info routines accept them.
//
// The DBF engine runs no SQL, QBE or stored procedures: opening one of them
// makes the statement calls of the database bridge, each of which reports
// itself as not supported, and then fails with a clear error; no dataset
// is left open without a cursor.

#include "datagrid/dk_filter.h"
#include "datagrid/dk_published_lists.h"
#include "platform/core/string_list.h"
#include "platform/data/dataset.h"

#include <QStringList>

// Raises the error of a statement the engine cannot run (kind: what it is,
// text: the statement), after the bridge's statement calls have reported
// themselves.
[[noreturn]] void dkStatementNotSupported(const QString& kind, const QString& text);
// Makes the bridge's statement calls for an SQL text, then raises.
[[noreturn]] void dkRunQueryStatement(const QString& text);

// A hook of the query unit: answers false.
bool dkQueryDefaultFalse();

// The QBE lines joined into one text; in every line with a "~", each
// marker "~" + variable name (compared without case; the longest name that
// fits) becomes the variable's value. A marker of no known variable stays.
QString dkExpandQBEVariables(const TStringList& lines, const QStringList& names, const QStringList& values);

// What the three datasets share with TdkTable.
class TdkStatementDataSet : public TDataSet, public TdkPublishedLists {
public:
    ~TdkStatementDataSet() override;

    QString DatabaseName;

    TDataSetNotifyEvent OnFilterEscape;
    const TdkRecordFilter& OnFilter() const { return onFilter_; }
    // Stores the callback (none removes the callback filter); on an active
    // dataset it is installed at once, with a warning when it cannot be.
    void SetOnFilter(TdkRecordFilter callback);
    void SetOnFilterOptions(TdkOnFilterOptions options) override;

    // TdkPublished (besides the lists): "ValidateWithMask" where published.
    bool PublishedBoolean(const QString& name, bool& value) override;

protected:
    // hasValidate: the dataset publishes ValidateWithMask.
    TdkStatementDataSet(bool hasValidate, QString filterWarning);
    void DoAfterOpen() override;
    void DoBeforePost() override;
    void DoOnCalcFields() override;
    void CloseCursor() override;
    bool validateWithMask_ = true;

private:
    bool RecordFilter();
    void InstallCallback();

    const bool hasValidate_;
    const QString filterWarning_;
    TdkRecordFilter onFilter_;
    hDBIFilter callbackFilter_ = 0;
};

using TdkQueryFilterEvent = TdkRecordFilter;
using TdkQBEFilterEvent = TdkRecordFilter;
using TdkStoredProcFilterEvent = TdkRecordFilter;

class TdkQuery : public TdkStatementDataSet {
public:
    TdkQuery();
    TStringList SQL;
    bool RequestLive = false;
    bool ValidateWithMask() const { return validateWithMask_; }
    void SetValidateWithMask(bool v) { validateWithMask_ = v; }

protected:
    hDBICur CreateHandle() override;
    void OpenCursor() override;
};

class TdkQBE : public TdkStatementDataSet {
public:
    TdkQBE();
    const TStringList& QBE() const { return qbe_; }
    // Copies the lines; an active dataset is opened again.
    void SetQBE(const TStringList& lines);
    QString AnswerTable;
    bool AuxiliaryTables = true;
    bool BlankAsZero = true;
    void* UpdateObject = nullptr;
    // QBE variables: names and their values at the same positions.
    QStringList VariableNames, VariableValues;

    // Runs the QBE text; the engine gives no cursor (0).
    virtual hDBICur ExecuteQBE();
    // The text ExecuteQBE hands to the engine.
    QString QBEText() const { return dkExpandQBEVariables(qbe_, VariableNames, VariableValues); }

protected:
    hDBICur CreateHandle() override;
    void OpenCursor() override;

private:
    TStringList qbe_;
    bool preparing_ = false;
};

class TdkStoredProc : public TdkStatementDataSet {
public:
    TdkStoredProc();
    QString StoredProcName;
    bool ValidateWithMask() const { return validateWithMask_; }
    void SetValidateWithMask(bool v) { validateWithMask_ = v; }

protected:
    hDBICur CreateHandle() override;
};
