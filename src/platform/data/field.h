#pragma once
// The field classes of the dataset framework: one object per column of a
// dataset, reading and writing the value of the dataset's active record
// through the database API in the field type's native form.

#include "platform/core/sys_utils.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class TDataSet;
class TStream;

enum TFieldType { ftUnknown, ftString, ftSmallint, ftInteger, ftFloat, ftBoolean, ftDate, ftMemo, ftBlob };
enum TFieldKind { fkData, fkCalculated };
// Field alignment holds the values of the framework's TAlignment (declared
// with the controls): 0 left, 1 right, 2 centred.
constexpr int kFieldAlignLeft = 0, kFieldAlignRight = 1, kFieldAlignCenter = 2;

class TField {
public:
    explicit TField(TFieldType type, int size = 0);
    virtual ~TField();
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    // Attaching a field to a dataset adds it to the dataset's field list
    // (the dataset then owns it); null detaches it.
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);
    // Gives the focus to the first control that shows this field and can
    // take it.
    void FocusControl();

    QString FieldName;
    TFieldKind FieldKind = fkData;
    QString EditMask;
    std::function<void(TField*)> OnChange;
    std::function<void(TField*)> OnValidate;

    int FieldNo() const { return fieldNo_; }  // 1-based; 0 for calculated fields
    TFieldType DataType() const { return dataType_; }
    int Size() const { return size_; }
    void SetSize(int size);
    // Bytes of the native value (what DbiGetField writes).
    virtual int DataSize() const = 0;

    QString DisplayLabel() const { return displayLabel_.isEmpty() ? FieldName : displayLabel_; }
    void SetDisplayLabel(const QString& label);
    int DisplayWidth() const;
    void SetDisplayWidth(int width);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    // Position in the dataset's field list (column order); writable.
    int Index() const;
    void SetIndex(int index);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    int Alignment() const { return alignment_; }
    void SetAlignment(int alignment);

    QString AsString() const { return GetAsString(); }
    void SetAsString(const QString& value) { SetAsStringValue(value); }
    int AsInteger() const { return GetAsInteger(); }
    void SetAsInteger(int value) { SetAsIntegerValue(value); }
    double AsFloat() const { return GetAsFloat(); }
    void SetAsFloat(double value) { SetAsFloatValue(value); }
    bool AsBoolean() const { return GetAsBoolean(); }
    void SetAsBoolean(bool value) { SetAsBooleanValue(value); }
    TDateTime AsDateTime() const { return GetAsDateTime(); }
    void SetAsDateTime(TDateTime value) { SetAsDateTimeValue(value); }

    // The text a control shows (DisplayFormat applied) and the text it
    // edits (EditFormat applied); writing Text parses like AsString.
    QString DisplayText() const { return GetText(true); }
    QString Text() const { return GetText(false); }
    void SetText(const QString& text) { SetAsStringValue(text); }

    bool IsNull() const;
    void Clear();
    bool CanModify() const;
    bool IsBlob() const { return dataType_ == ftMemo || dataType_ == ftBlob; }

    // For the dataset: the native value of the active record; false when blank.
    bool GetData(void* buffer) const;
    void SetData(const void* buffer);
    void SetFieldNo(int no) { fieldNo_ = no; }
    // Called by the dataset after the value changed.
    void Change();
    void Validate();

protected:
    virtual QString GetAsString() const = 0;
    virtual void SetAsStringValue(const QString& value) = 0;
    virtual int GetAsInteger() const;
    virtual void SetAsIntegerValue(int value);
    virtual double GetAsFloat() const;
    virtual void SetAsFloatValue(double value);
    virtual bool GetAsBoolean() const;
    virtual void SetAsBooleanValue(bool value);
    virtual TDateTime GetAsDateTime() const;
    virtual void SetAsDateTimeValue(TDateTime value);
    virtual QString GetText(bool display) const { (void)display; return GetAsString(); }
    virtual int DefaultDisplayWidth() const { return size_; }
    [[noreturn]] void ConversionError(const QString& typeName) const;
    void PropertyChanged(bool layout);

private:
    friend class TDataSet;
    TDataSet* dataSet_ = nullptr;
    TFieldType dataType_;
    int size_;
    int fieldNo_ = 0;
    QString displayLabel_;
    int displayWidth_ = -1;
    bool visible_ = true;
    bool readOnly_ = false;
    int alignment_ = kFieldAlignLeft;
};

// Text field: Size characters, stored as Windows-1252 bytes.
class TStringField : public TField {
public:
    explicit TStringField(int size = 20) : TField(ftString, size) {}
    int DataSize() const override { return Size() + 1; }

protected:
    QString GetAsString() const override;
    void SetAsStringValue(const QString& value) override;
    int GetAsInteger() const override;
    void SetAsIntegerValue(int value) override;
    double GetAsFloat() const override;
    void SetAsFloatValue(double value) override;
    bool GetAsBoolean() const override;
    void SetAsBooleanValue(bool value) override;
    TDateTime GetAsDateTime() const override;
    void SetAsDateTimeValue(TDateTime value) override;
};

// Numeric base: DisplayFormat and EditFormat are FormatFloat patterns.
class TNumericField : public TField {
public:
    using TField::TField;
    QString DisplayFormat;
    QString EditFormat;

protected:
    QString GetText(bool display) const override;
    QString GetAsString() const override;
    void SetAsStringValue(const QString& value) override;
    bool GetAsBoolean() const override;
    void SetAsBooleanValue(bool value) override;
};

class TIntegerField : public TNumericField {
public:
    TIntegerField() : TNumericField(ftInteger) { SetAlignment(kFieldAlignRight); }
    int DataSize() const override { return 4; }

protected:
    TIntegerField(TFieldType type) : TNumericField(type) { SetAlignment(kFieldAlignRight); }
    int GetAsInteger() const override;
    void SetAsIntegerValue(int value) override;
    double GetAsFloat() const override { return GetAsInteger(); }
    void SetAsFloatValue(double value) override;
    int DefaultDisplayWidth() const override { return 11; }
};

class TSmallintField : public TIntegerField {
public:
    TSmallintField() : TIntegerField(ftSmallint) {}
    int DataSize() const override { return 2; }

protected:
    int GetAsInteger() const override;
    void SetAsIntegerValue(int value) override;
    int DefaultDisplayWidth() const override { return 6; }
};

class TFloatField : public TNumericField {
public:
    TFloatField() : TNumericField(ftFloat) { SetAlignment(kFieldAlignRight); }
    int DataSize() const override { return 8; }
    int Precision = 15;

protected:
    int GetAsInteger() const override;
    void SetAsIntegerValue(int value) override { SetAsFloatValue(value); }
    double GetAsFloat() const override;
    void SetAsFloatValue(double value) override;
    int DefaultDisplayWidth() const override { return 10; }
};

class TBooleanField : public TField {
public:
    TBooleanField() : TField(ftBoolean) {}
    int DataSize() const override { return 2; }
    // "true text;false text".
    QString DisplayValues() const { return displayValues_; }
    void SetDisplayValues(const QString& values);

protected:
    QString GetAsString() const override;
    void SetAsStringValue(const QString& value) override;
    bool GetAsBoolean() const override;
    void SetAsBooleanValue(bool value) override;
    int DefaultDisplayWidth() const override;

private:
    QString displayValues_ = QStringLiteral("True;False");
    QString trueText_ = QStringLiteral("True");
    QString falseText_ = QStringLiteral("False");
};

// Date field; DisplayFormat is a FormatDateTime pattern (empty: the
// program's short date format).
class TDateField : public TField {
public:
    TDateField() : TField(ftDate) {}
    int DataSize() const override { return 4; }
    QString DisplayFormat;

protected:
    QString GetText(bool display) const override;
    QString GetAsString() const override { return GetText(false); }
    void SetAsStringValue(const QString& value) override;
    TDateTime GetAsDateTime() const override;
    void SetAsDateTimeValue(TDateTime value) override;
    double GetAsFloat() const override { return GetAsDateTime(); }
    void SetAsFloatValue(double value) override { SetAsDateTimeValue(value); }
    int DefaultDisplayWidth() const override { return 10; }
};

// Binary large object (a memo field of the table); the value is read and
// written whole, byte for byte.
class TBlobField : public TField {
public:
    TBlobField() : TField(ftBlob) {}
    int DataSize() const override { return 0; }
    QByteArray AsBytes() const;
    void SetAsBytes(const QByteArray& bytes);
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    int BlobSize() const;

protected:
    explicit TBlobField(TFieldType type) : TField(type) {}
    QString GetAsString() const override;
    void SetAsStringValue(const QString& value) override;
    QString GetText(bool display) const override;
    int DefaultDisplayWidth() const override { return 10; }
};

// Text memo: the bytes are Windows-1252 text.
class TMemoField : public TBlobField {
public:
    TMemoField() : TBlobField(ftMemo) {}

protected:
    QString GetAsString() const override;
    void SetAsStringValue(const QString& value) override;
    QString GetText(bool display) const override;
};

// A new field object for a type (ftUnknown gives null).
TField* CreateFieldOfType(TFieldType type, int size);
