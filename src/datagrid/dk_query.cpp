#include "datagrid/dk_query.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_lookup.h"
#include "datagrid/dk_messages.h"
#include "datagrid/dk_table.h"
#include "platform/ui/forms.h"
#include "storage/database_bridge.h"

void dkStatementNotSupported(const QString& kind, const QString& text)
{
    DatabaseError(kind + QStringLiteral(" kann nicht ausgeführt werden: ") + text);
}

void dkRunQueryStatement(const QString& text)
{
    DbiQAlloc();
    DbiQPrepare();
    DbiQExec();
    DbiQFree();
    dkStatementNotSupported(QStringLiteral("Die Abfrage"), text);
}

bool dkQueryDefaultFalse() { return false; }

namespace {

bool IsMarkerChar(QChar c) { return c.isLetterOrNumber() || c == u'#' || c == u'%' || c == u'_'; }

}  // namespace

QString dkExpandQBEVariables(const TStringList& lines, const QStringList& names, const QStringList& values)
{
    QStringList out;
    for (int l = 0; l < lines.Count(); ++l) {
        const QString line = lines[l];
        if (!line.contains(u'~')) {
            out << line;
            continue;
        }
        QString result;
        qsizetype i = 0;
        while (i < line.size()) {
            if (line[i] != u'~') {
                result += line[i++];
                continue;
            }
            qsizetype end = i + 1;
            while (end < line.size() && IsMarkerChar(line[end]))
                ++end;
            const QString marker = line.mid(i + 1, end - i - 1);
            int best = -1;
            for (int v = 0; v < names.size() && v < values.size(); ++v) {
                if (!names[v].isEmpty() && marker.startsWith(names[v], Qt::CaseInsensitive) &&
                    (best < 0 || names[v].size() > names[best].size()))
                    best = v;
            }
            if (best < 0) {
                result += u'~';
                ++i;
                continue;
            }
            result += values[best];
            i += 1 + names[best].size();
        }
        out << result;
    }
    return out.join(u'\n');
}

// ---------------------------------------------------------------------------
// The shared part
// ---------------------------------------------------------------------------

TdkStatementDataSet::TdkStatementDataSet(bool hasValidate, QString filterWarning)
    : hasValidate_(hasValidate), filterWarning_(std::move(filterWarning))
{
}

TdkStatementDataSet::~TdkStatementDataSet()
{
    OnFilterRecord = nullptr;
    try {
        Close();
    } catch (...) {
    }
}

void TdkStatementDataSet::InstallCallback()
{
    dkSetFilterCallback(onFilter_ ? TdkRecordFilter([this](TDataSet*, bool& accept) { accept = RecordFilter(); })
                                  : TdkRecordFilter(),
                        this, callbackFilter_);
}

void TdkStatementDataSet::SetOnFilter(TdkRecordFilter callback)
{
    onFilter_ = std::move(callback);
    if (!onFilter_) {
        InstallCallback();
        return;
    }
    if (Active()) {
        InstallCallback();
        if (callbackFilter_ == 0)
            dkShowWarning(filterWarning_);
    }
}

void TdkStatementDataSet::SetOnFilterOptions(TdkOnFilterOptions options)
{
    const bool switchingOff = filterState_.Options.Contains(ofoEnabled) && !options.Contains(ofoEnabled);
    filterState_.Options = options;
    if (switchingOff && Active() && onFilter_) {
        UpdateCursorPos();
        Resync(0);
    }
}

bool TdkStatementDataSet::RecordFilter()
{
    if (!onFilter_)
        return true;
    return dkRunRecordFilter(filterState_, [this](bool& accept) { onFilter_(this, accept); },
                             [this] { CallEvent(OnFilterEscape); });
}

void TdkStatementDataSet::DoAfterOpen()
{
    TDataSet::DoAfterOpen();
    if (onFilter_)
        InstallCallback();
}

void TdkStatementDataSet::DoBeforePost()
{
    TDataSet::DoBeforePost();
    // The QBE dataset publishes no ValidateWithMask and checks no masks.
    if (hasValidate_ && validateWithMask_)
        dkValidatePictureMasks(this, OnInvalidValue);
}

void TdkStatementDataSet::DoOnCalcFields()
{
    if (lookupFields_.Count() > 0)
        dkCalcLookupFields(this, &lookupFields_, &lookupLinks_, &lookupCursors_);
    TDataSet::DoOnCalcFields();
}

void TdkStatementDataSet::CloseCursor()
{
    lookupCursors_.clear();
    TDataSet::CloseCursor();
}

bool TdkStatementDataSet::PublishedBoolean(const QString& name, bool& value)
{
    if (!hasValidate_ || name != u"ValidateWithMask")
        return false;
    value = validateWithMask_;
    return true;
}

// ---------------------------------------------------------------------------
// TdkQuery
// ---------------------------------------------------------------------------

namespace {

const QString kLiveQueryWarning = QStringLiteral(
    "Local filtering is not supported on a Live-Query which contains a Where clause in the SQL string. To "
    "perform a local filter on this query, you will need to set its RequestLive property to False.");

}  // namespace

TdkQuery::TdkQuery() : TdkStatementDataSet(true, kLiveQueryWarning) {}

hDBICur TdkQuery::CreateHandle() { dkRunQueryStatement(SQL.ToQStringList().join(u' ')); }

void TdkQuery::OpenCursor()
{
    TdkStatementDataSet::OpenCursor();
    dkPrepareAnswerTable(this, Handle(), QString());
}

// ---------------------------------------------------------------------------
// TdkQBE
// ---------------------------------------------------------------------------

TdkQBE::TdkQBE() : TdkStatementDataSet(false, QStringLiteral("Local Filtering is not supported on this QBE.")) {}

void TdkQBE::SetQBE(const TStringList& lines)
{
    qbe_.Assign(lines);
    if (Active()) {
        Close();
        Open();
    }
}

hDBICur TdkQBE::ExecuteQBE()
{
    // Statement, its properties (auxiliary tables, blanks as zero) and the
    // preparation; the engine answers each as not supported and runs
    // nothing, so no cursor comes of it.
    DbiQAlloc();
    DbiSetProp(0, AuxiliaryTables ? 1 : 0);
    DbiSetProp(0, BlankAsZero ? 1 : 0);
    if (DbiQPrepare() == DBIERR_NONE) {
        Screen->SetCursor(crSQLWait);
        DbiQExec();
        DbiQFree();
        Screen->SetCursor(crDefault);
    }
    return 0;
}

hDBICur TdkQBE::CreateHandle()
{
    const hDBICur cursor = ExecuteQBE();
    if (cursor == 0)
        dkStatementNotSupported(QStringLiteral("Die QBE-Abfrage"), QBEText());
    dkPrepareAnswerTable(this, cursor, AnswerTable);
    return cursor;
}

void TdkQBE::OpenCursor()
{
    if (preparing_)
        return;
    preparing_ = true;
    try {
        TdkStatementDataSet::OpenCursor();
    } catch (...) {
        preparing_ = false;
        throw;
    }
    preparing_ = false;
}

// ---------------------------------------------------------------------------
// TdkStoredProc
// ---------------------------------------------------------------------------

TdkStoredProc::TdkStoredProc() : TdkStatementDataSet(true, kLiveQueryWarning) {}

hDBICur TdkStoredProc::CreateHandle()
{
    DbiQPrepareProc();
    DbiQSetProcParams();
    DbiQExec();
    DbiQFree();
    dkStatementNotSupported(QStringLiteral("Die gespeicherte Prozedur"), StoredProcName);
}
