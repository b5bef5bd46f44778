#include "datagrid/dk_locate.h"

#include "datagrid/dk_field_info.h"
#include "datagrid/dk_messages.h"
#include "datagrid/dk_table.h"
#include "platform/core/sys_utils.h"
#include "platform/core/win1252.h"
#include "platform/data/dataset.h"
#include "platform/data/table.h"
#include "platform/ui/forms.h"

#include <algorithm>
#include <cstring>
#include <vector>

bool dkMatchText(const QString& FieldText, const QString& Value, TdkLocateMatchType MatchType,
                 bool CaseSensitive)
{
    const QString text = CaseSensitive ? FieldText : AnsiUpperCase(FieldText);
    switch (MatchType) {
    case mtExactMatch:
        return text.size() == Value.size() && (Value.isEmpty() || text.startsWith(Value));
    case mtPartialMatchStart:
        return !Value.isEmpty() && text.startsWith(Value);
    case mtPartialMatchAny:
        return !Value.isEmpty() && text.contains(Value);
    }
    return false;
}

bool dkMatchBlob(TField* Field, const QString& Value, bool CaseSensitive, TdkLocateMatchType MatchType)
{
    TdkMemoStream stream(Field);
    if (!stream.Opened()) {
        dkShowMessage(mtInformation, QStringLiteral("Fail to create blob"));
        return false;
    }
    std::vector<char> buffer(kdkLocateMemoLimit + 1, 0);
    const int64_t read = stream.Read(buffer.data(), kdkLocateMemoLimit);
    const int n = static_cast<int>(std::max<int64_t>(read, 0));
    // The memo text ends at its first zero byte, as a C string would.
    const int length = static_cast<int>(strnlen(buffer.data(), n));
    QString text = Win1252Decode(QByteArrayView(buffer.data(), length));
    if (!CaseSensitive)
        text = AnsiUpperCase(text);
    switch (MatchType) {
    case mtExactMatch:
        return Value.size() == text.size() && text.startsWith(Value);
    case mtPartialMatchStart:
        return text.startsWith(Value);
    case mtPartialMatchAny:
        return text.contains(Value);
    }
    return false;
}

namespace {

template <typename T>
T Native(const void* buffer)
{
    T v;
    std::memcpy(&v, buffer, sizeof v);
    return v;
}

}  // namespace

QString dkFieldBufferToText(const TField* Field, const void* FieldBuffer)
{
    switch (Field->DataType()) {
    case ftString: {
        const char* s = static_cast<const char*>(FieldBuffer);
        return Win1252Decode(QByteArrayView(s, static_cast<qsizetype>(strnlen(s, Field->DataSize()))));
    }
    case ftSmallint:
        return IntToStr(Native<int16_t>(FieldBuffer));
    case ftInteger:
        return IntToStr(Native<int32_t>(FieldBuffer));
    case ftBoolean:
        return Native<int16_t>(FieldBuffer) ? QStringLiteral("True") : QStringLiteral("False");
    case ftFloat:
        return FloatToStr(Native<double>(FieldBuffer));
    case ftDate:
        return DateToStr(static_cast<TDateTime>(Native<int32_t>(FieldBuffer) - kDayNumberDelta));
    default:
        return QString();
    }
}

namespace {

// An exact search of a number field with a non-empty value compares
// numbers: both texts must be numbers.
bool NumberCompare(const TField* field, const QString& value, TdkLocateMatchType matchType)
{
    return matchType == mtExactMatch && field->DataType() == ftFloat && !value.isEmpty();
}

bool NumbersEqual(const QString& text, const QString& value)
{
    double a = 0, b = 0;
    return !Trim(text).isEmpty() && TryStrToFloat(Trim(text), a) && TryStrToFloat(Trim(value), b) && a == b;
}

// Tests the dataset's current record through the field object itself.
bool MatchCurrent(TField* field, const QString& value, TdkLocateMatchType matchType, bool caseSensitive)
{
    if (field->DataType() == ftMemo)
        return dkMatchBlob(field, value, caseSensitive, matchType);
    if (NumberCompare(field, value, matchType))
        return NumbersEqual(field->AsString(), value);
    return dkMatchText(field->AsString(), value, matchType, caseSensitive);
}

QString Cased(const QString& text, bool caseSensitive) { return caseSensitive ? text : AnsiUpperCase(text); }

// Whether the order's key sorts strings with regard to case; an order
// without a definition counts as ignoring case.
bool IndexCaseSensitive(TTable* table)
{
    const int i = table->IndexDefs().IndexOf(table->IndexName());
    return i >= 0 && !(table->IndexDefs().Items(i).Options & ixCaseInsensitive);
}

// Restores what the scan changed on every way out.
class TScanGuard {
public:
    TScanGuard(TDataSet* ds) : ds_(ds), bookmark_(ds->GetBookmark()) { Screen->SetCursor(crHourGlass); }
    ~TScanGuard()
    {
        if (controlsDisabled_)
            ds_->EnableControls();
        Screen->SetCursor(crDefault);
        if (!found_ && bookmark_) {
            try {
                ds_->GotoBookmark(bookmark_);
            } catch (...) {
            }
        }
    }
    void DisableControls()
    {
        ds_->DisableControls();
        controlsDisabled_ = true;
    }
    void Found() { found_ = true; }

private:
    TDataSet* ds_;
    TBookmark bookmark_;
    bool controlsDisabled_ = false;
    bool found_ = false;
};

}  // namespace

bool dkLocateRecord(bool FromFirst, TDataSet* DataSet, const QString& FieldName, const QString& Value,
                    TdkLocateMatchType MatchType, bool CaseSensitive)
{
    DataSet->CheckBrowseMode();
    TField* field = DataSet->FindField(FieldName);
    if (!field) {
        dkShowWarning(QStringLiteral("Field ") + FieldName + QStringLiteral(" not found."));
        return false;
    }
    DataSet->UpdateCursorPos();
    const QString value = Cased(Value, CaseSensitive);
    const bool isMemo = field->DataType() == ftMemo;

    // The index shortcuts: along the current order's first key field.
    bool stopAtMismatch = false;
    auto* table = dynamic_cast<TTable*>(DataSet);
    if (table && !dkIsTableWithQuery(DataSet) && !isMemo && !DataSet->IsEmpty()) {
        table->IndexDefs().Update();
        TField* key = table->IndexFieldCount() > 0 ? table->IndexFields(0) : nullptr;
        const int def = table->IndexDefs().IndexOf(table->IndexName());
        if (key && def >= 0 && AnsiUpperCase(key->FieldName) == AnsiUpperCase(field->FieldName)) {
            const bool caseFits = field->DataType() != ftString || IndexCaseSensitive(table) == CaseSensitive;
            const QString current = Cased(key->AsString(), CaseSensitive);
            if (MatchType == mtExactMatch && field->DataType() != ftBoolean && caseFits &&
                (FromFirst || current != value))
                return table->FindKey({value});
            if (MatchType == mtPartialMatchStart && field->DataType() == ftString && caseFits) {
                stopAtMismatch = true;
                if (FromFirst || !dkMatchText(key->AsString(), value, MatchType, CaseSensitive)) {
                    if (!FromFirst && value < current)
                        return false;
                    table->FindNearest({value});
                    return dkMatchText(key->AsString(), value, MatchType, CaseSensitive);
                }
                // The current record matches: the scan goes on from the next one.
            }
        }
    }
    TScanGuard guard(DataSet);
    DataSet->UpdateCursorPos();
    if (FromFirst) {
        DataSet->First();
        DataSet->UpdateCursorPos();
        if (!DataSet->IsEmpty() && MatchCurrent(field, value, MatchType, CaseSensitive)) {
            guard.Found();
            return true;
        }
    }

    if (isMemo) {
        while (true) {
            if (DataSet->Eof())
                return false;
            DataSet->Next();
            if (DataSet->Eof())
                return false;
            if (dkMatchBlob(field, value, CaseSensitive, MatchType)) {
                guard.Found();
                return true;
            }
        }
    }

    if (dkFieldIsCalcOrLookup(field)) {
        guard.DisableControls();
        while (!DataSet->Eof()) {
            DataSet->Next();
            if (DataSet->Eof())
                break;
            const QString text = field->AsString();
            const bool match = NumberCompare(field, value, MatchType)
                                   ? NumbersEqual(text, value)
                                   : dkMatchText(text, value, MatchType, CaseSensitive);
            if (match) {
                guard.Found();
                return true;
            }
            if (stopAtMismatch)
                break;
        }
        return false;
    }

    // Records straight from the cursor into buffers sized from the table
    // and the field, so no value is ever cut or read past its buffer.
    TDbi& dbi = InstalledDbi();
    const hDBICur cursor = DataSet->Handle();
    std::vector<uint8_t> record(std::max(DataSet->RecordSize(), 1));
    std::vector<uint8_t> fieldBuffer(std::max(field->DataSize(), 8) + 1);
    while (true) {
        RECProps props;
        if (dbi.DbiGetNextRecord(cursor, dbiNOLOCK, record.data(), &props) != DBIERR_NONE)
            return false;
        std::fill(fieldBuffer.begin(), fieldBuffer.end(), 0);
        bool blank = true;
        if (dbi.DbiGetField(cursor, field->FieldNo(), record.data(), fieldBuffer.data(), blank) != DBIERR_NONE)
            blank = true;
        const QString text = blank ? QString() : dkFieldBufferToText(field, fieldBuffer.data());
        const bool match = NumberCompare(field, value, MatchType) ? NumbersEqual(text, value)
                                                                  : dkMatchText(text, value, MatchType, CaseSensitive);
        if (match) {
            guard.Found();
            DataSet->Resync(rmExact | rmCenter);
            return true;
        }
        if (stopAtMismatch)
            return false;
    }
}
