#include "platform/data/field.h"

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/core/win1252.h"
#include "platform/data/dataset.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Day numbers of native dates against TDateTime serials.
TDateTime DayNumberToDateTime(int32_t day) { return static_cast<double>(day - kDayNumberDelta); }
int32_t DateTimeToDayNumber(TDateTime dt) { return static_cast<int32_t>(std::floor(dt)) + kDayNumberDelta; }

}  // namespace

// ---------------------------------------------------------------------------
// TField
// ---------------------------------------------------------------------------

TField::TField(TFieldType type, int size) : dataType_(type), size_(size) {}

TField::~TField()
{
    if (dataSet_)
        dataSet_->RemoveField(this);
}

void TField::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == dataSet_)
        return;
    if (dataSet_)
        dataSet_->RemoveField(this);
    dataSet_ = nullptr;
    if (dataSet)
        dataSet->AddField(this);  // sets dataSet_
}

void TField::SetSize(int size)
{
    if (dataSet_ && dataSet_->Active())
        DatabaseError(QStringLiteral("Operation bei geöffneter Datenmenge nicht möglich"));
    size_ = size;
}

void TField::SetDisplayLabel(const QString& label)
{
    displayLabel_ = label == FieldName ? QString() : label;
    PropertyChanged(true);
}

int TField::DisplayWidth() const { return displayWidth_ >= 0 ? displayWidth_ : DefaultDisplayWidth(); }

void TField::SetDisplayWidth(int width)
{
    displayWidth_ = width;
    PropertyChanged(true);
}

void TField::SetVisible(bool visible)
{
    if (visible_ == visible)
        return;
    visible_ = visible;
    PropertyChanged(true);
}

int TField::Index() const { return dataSet_ ? dataSet_->IndexOfField(this) : -1; }

void TField::SetIndex(int index)
{
    if (dataSet_)
        dataSet_->MoveField(this, index);
}

void TField::SetAlignment(int alignment)
{
    alignment_ = alignment;
    PropertyChanged(false);
}

void TField::PropertyChanged(bool layout)
{
    if (dataSet_ && dataSet_->Active())
        dataSet_->DataEvent(layout ? deLayoutChange : deDataSetChange, 0);
}

bool TField::GetData(void* buffer) const
{
    if (!dataSet_)
        DatabaseError(QStringLiteral("Feld '%1' hat keine Datenmenge").arg(FieldName));
    return dataSet_->GetFieldData(this, buffer);
}

void TField::SetData(const void* buffer)
{
    if (!dataSet_)
        DatabaseError(QStringLiteral("Feld '%1' hat keine Datenmenge").arg(FieldName));
    dataSet_->SetFieldData(this, buffer);
}

bool TField::IsNull() const
{
    if (IsBlob())
        return dataSet_->GetBlobData(this).isEmpty();
    std::vector<uint8_t> buf(std::max(DataSize(), 8));
    return !GetData(buf.data());
}

void TField::Clear()
{
    if (IsBlob())
        dataSet_->SetBlobData(this, QByteArray());
    else
        SetData(nullptr);
}

bool TField::CanModify() const
{
    if (readOnly_ || !dataSet_)
        return false;
    return FieldKind == fkCalculated ? dataSet_->State() == dsCalcFields : dataSet_->CanModify();
}

void TField::Change()
{
    if (OnChange)
        OnChange(this);
}

void TField::Validate()
{
    if (OnValidate)
        OnValidate(this);
}

void TField::ConversionError(const QString& typeName) const
{
    DatabaseError(QStringLiteral("Feld '%1' kann nicht als %2 verwendet werden").arg(FieldName, typeName));
}

int TField::GetAsInteger() const { ConversionError(QStringLiteral("Integer")); }
void TField::SetAsIntegerValue(int) { ConversionError(QStringLiteral("Integer")); }
double TField::GetAsFloat() const { ConversionError(QStringLiteral("Float")); }
void TField::SetAsFloatValue(double) { ConversionError(QStringLiteral("Float")); }
bool TField::GetAsBoolean() const { ConversionError(QStringLiteral("Boolean")); }
void TField::SetAsBooleanValue(bool) { ConversionError(QStringLiteral("Boolean")); }
TDateTime TField::GetAsDateTime() const { ConversionError(QStringLiteral("DateTime")); }
void TField::SetAsDateTimeValue(TDateTime) { ConversionError(QStringLiteral("DateTime")); }

// ---------------------------------------------------------------------------
// TStringField
// ---------------------------------------------------------------------------

QString TStringField::GetAsString() const
{
    std::vector<char> buf(DataSize() + 1, 0);
    if (!GetData(buf.data()))
        return QString();
    return Win1252Decode(QByteArrayView(buf.data(), static_cast<qsizetype>(std::strlen(buf.data()))));
}

void TStringField::SetAsStringValue(const QString& value)
{
    QByteArray bytes = Win1252EncodeOrThrow(value);
    if (bytes.size() > Size())
        bytes.truncate(Size());
    SetData(bytes.constData());
}

int TStringField::GetAsInteger() const { return StrToInt(Trim(GetAsString())); }
void TStringField::SetAsIntegerValue(int value) { SetAsStringValue(IntToStr(value)); }
double TStringField::GetAsFloat() const { return StrToFloat(Trim(GetAsString())); }
void TStringField::SetAsFloatValue(double value) { SetAsStringValue(FloatToStr(value)); }

bool TStringField::GetAsBoolean() const
{
    const QString s = GetAsString();
    return !s.isEmpty() && (s.at(0).toUpper() == u'T' || s.at(0).toUpper() == u'Y' || s.at(0).toUpper() == u'J');
}

void TStringField::SetAsBooleanValue(bool value) { SetAsStringValue(value ? QStringLiteral("T") : QStringLiteral("F")); }
TDateTime TStringField::GetAsDateTime() const { return StrToDate(GetAsString()); }
void TStringField::SetAsDateTimeValue(TDateTime value) { SetAsStringValue(DateToStr(value)); }

// ---------------------------------------------------------------------------
// Numeric fields
// ---------------------------------------------------------------------------

QString TNumericField::GetAsString() const
{
    if (IsNull())
        return QString();
    return DataType() == ftFloat ? FloatToStr(AsFloat()) : IntToStr(AsInteger());
}

void TNumericField::SetAsStringValue(const QString& value)
{
    const QString s = Trim(value);
    if (s.isEmpty()) {
        Clear();
        return;
    }
    if (DataType() == ftFloat) {
        double d = 0;
        if (!TryStrToFloat(s, d))
            DatabaseError(QStringLiteral("'%1' ist kein gültiger Gleitkommawert").arg(value));
        SetAsFloat(d);
    } else {
        int i = 0;
        if (!TryStrToInt(s, i))
            DatabaseError(QStringLiteral("'%1' ist kein gültiger Integerwert").arg(value));
        SetAsInteger(i);
    }
}

QString TNumericField::GetText(bool display) const
{
    if (IsNull())
        return QString();
    const QString format = display || EditFormat.isEmpty() ? DisplayFormat : EditFormat;
    if (format.isEmpty())
        return GetAsString();
    return FormatFloat(format, AsFloat());
}

bool TNumericField::GetAsBoolean() const { return AsInteger() != 0; }
void TNumericField::SetAsBooleanValue(bool value) { SetAsInteger(value ? 1 : 0); }

int TIntegerField::GetAsInteger() const
{
    int32_t v = 0;
    return GetData(&v) ? v : 0;
}

void TIntegerField::SetAsIntegerValue(int value)
{
    const int32_t v = value;
    SetData(&v);
}

void TIntegerField::SetAsFloatValue(double value)
{
    if (!(value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max()))
        DatabaseError(QStringLiteral("%1 ist kein gültiger Wert für das Feld '%2'").arg(FloatToStr(value), FieldName));
    SetAsInteger(static_cast<int>(std::lround(value)));
}

int TSmallintField::GetAsInteger() const
{
    int16_t v = 0;
    return GetData(&v) ? v : 0;
}

void TSmallintField::SetAsIntegerValue(int value)
{
    if (value < -32768 || value > 32767)
        DatabaseError(QStringLiteral("%1 ist kein gültiger Wert für das Feld '%2'. Der erlaubte Bereich ist -32768 bis 32767")
                          .arg(value)
                          .arg(FieldName));
    const int16_t v = static_cast<int16_t>(value);
    SetData(&v);
}

int TFloatField::GetAsInteger() const { return static_cast<int>(std::lround(GetAsFloat())); }

double TFloatField::GetAsFloat() const
{
    double v = 0;
    return GetData(&v) ? v : 0.0;
}

void TFloatField::SetAsFloatValue(double value)
{
    if (!std::isfinite(value))
        DatabaseError(QStringLiteral("Ungültiger Gleitkommawert für das Feld '%1'").arg(FieldName));
    SetData(&value);
}

// ---------------------------------------------------------------------------
// TBooleanField
// ---------------------------------------------------------------------------

void TBooleanField::SetDisplayValues(const QString& values)
{
    const int sep = values.indexOf(u';');
    const QString t = sep < 0 ? values : values.left(sep);
    const QString f = sep < 0 ? QString() : values.mid(sep + 1);
    if (t.isEmpty() && f.isEmpty())
        DatabaseError(QStringLiteral("'%1' ist kein gültiger Wert für DisplayValues").arg(values));
    displayValues_ = values;
    trueText_ = t;
    falseText_ = f;
    PropertyChanged(false);
}

QString TBooleanField::GetAsString() const
{
    int16_t v = 0;
    if (!GetData(&v))
        return QString();
    return v ? trueText_ : falseText_;
}

void TBooleanField::SetAsStringValue(const QString& value)
{
    const QString s = Trim(value);
    if (s.isEmpty()) {
        Clear();
        return;
    }
    auto matches = [&](const QString& text) { return !text.isEmpty() && AnsiSameText(s, text.left(s.size())); };
    if (matches(trueText_))
        SetAsBoolean(true);
    else if (matches(falseText_))
        SetAsBoolean(false);
    else
        DatabaseError(QStringLiteral("'%1' ist kein gültiger boolescher Wert für das Feld '%2'").arg(value, FieldName));
}

bool TBooleanField::GetAsBoolean() const
{
    int16_t v = 0;
    return GetData(&v) && v != 0;
}

void TBooleanField::SetAsBooleanValue(bool value)
{
    const int16_t v = value ? 1 : 0;
    SetData(&v);
}

int TBooleanField::DefaultDisplayWidth() const { return std::max(trueText_.size(), falseText_.size()); }

// ---------------------------------------------------------------------------
// TDateField
// ---------------------------------------------------------------------------

QString TDateField::GetText(bool display) const
{
    int32_t day = 0;
    if (!GetData(&day))
        return QString();
    const TDateTime dt = DayNumberToDateTime(day);
    if (display && !DisplayFormat.isEmpty())
        return FormatDateTime(DisplayFormat, dt);
    return DateToStr(dt);
}

void TDateField::SetAsStringValue(const QString& value)
{
    const QString s = Trim(value);
    if (s.isEmpty()) {
        Clear();
        return;
    }
    TDateTime dt = 0;
    if (!TryStrToDate(s, dt))
        DatabaseError(QStringLiteral("'%1' ist kein gültiges Datum").arg(value));
    SetAsDateTime(dt);
}

TDateTime TDateField::GetAsDateTime() const
{
    int32_t day = 0;
    return GetData(&day) ? DayNumberToDateTime(day) : 0.0;
}

void TDateField::SetAsDateTimeValue(TDateTime value)
{
    const int32_t day = DateTimeToDayNumber(value);
    SetData(&day);
}

// ---------------------------------------------------------------------------
// Blob and memo fields
// ---------------------------------------------------------------------------

QByteArray TBlobField::AsBytes() const
{
    if (!DataSet())
        DatabaseError(QStringLiteral("Feld '%1' hat keine Datenmenge").arg(FieldName));
    return DataSet()->GetBlobData(this);
}

void TBlobField::SetAsBytes(const QByteArray& bytes)
{
    if (!DataSet())
        DatabaseError(QStringLiteral("Feld '%1' hat keine Datenmenge").arg(FieldName));
    DataSet()->SetBlobData(this, bytes);
}

int TBlobField::BlobSize() const { return static_cast<int>(AsBytes().size()); }

void TBlobField::LoadFromStream(TStream& stream)
{
    QByteArray bytes;
    char chunk[65536];
    for (;;) {
        const int64_t n = stream.Read(chunk, sizeof chunk);
        if (n <= 0)
            break;
        bytes.append(chunk, static_cast<qsizetype>(n));
    }
    SetAsBytes(bytes);
}

void TBlobField::SaveToStream(TStream& stream) const
{
    const QByteArray bytes = AsBytes();
    if (stream.Write(bytes.constData(), bytes.size()) != bytes.size())
        throw EWriteError(QStringLiteral("Stream-Schreibfehler"));
}

QString TBlobField::GetAsString() const { return Win1252Decode(AsBytes()); }
void TBlobField::SetAsStringValue(const QString& value) { SetAsBytes(Win1252EncodeOrThrow(value)); }
QString TBlobField::GetText(bool) const { return QStringLiteral("(BLOB)"); }

QString TMemoField::GetAsString() const { return Win1252Decode(AsBytes()); }
void TMemoField::SetAsStringValue(const QString& value) { SetAsBytes(Win1252EncodeOrThrow(value)); }
QString TMemoField::GetText(bool display) const { return display ? QStringLiteral("(MEMO)") : GetAsString(); }

TField* CreateFieldOfType(TFieldType type, int size)
{
    switch (type) {
    case ftString: return new TStringField(size);
    case ftSmallint: return new TSmallintField();
    case ftInteger: return new TIntegerField();
    case ftFloat: return new TFloatField();
    case ftBoolean: return new TBooleanField();
    case ftDate: return new TDateField();
    case ftMemo: return new TMemoField();
    case ftBlob: return new TBlobField();
    case ftUnknown: break;
    }
    return nullptr;
}

void TField::FocusControl()
{
    if (!dataSet_)
        return;
    TField* field = this;
    dataSet_->DataEvent(deFocusControl, reinterpret_cast<intptr_t>(&field));
}
