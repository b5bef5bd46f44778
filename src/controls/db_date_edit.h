#pragma once
// TDBDateEditPlus: the date edit bound to a date field of a dataset. It
// follows the current record, puts the record into edit state on the
// first accepted change, writes the date into the field when the record is
// updated (a blank text clears the field when blank dates are allowed) and
// never writes a date that is not valid.

#include "controls/date_edit.h"
#include "platform/data/data_source.h"

// The display and edit formats of the bound edit, with the field's own
// display format as a further choice.
enum class TDBDisplayFormat { dfCustom, dfEditFormat, dfWindowsLong, dfWindowsShort, dfFieldDisplayFormat };
enum class TDBEditFormat { efCustom, efWindowsLong, efWindowsShort, efFieldDisplayFormat };

class TDateEditFieldDataLink : public TFieldDataLink {
public:
    explicit TDateEditFieldDataLink(TWinControl* control) : control_(control) {}
    TWinControl* Control() const { return control_; }

private:
    TWinControl* control_;
};

class TDBDateEditPlus : public TCustomDateEditPlus {
public:
    explicit TDBDateEditPlus(TComponent* AOwner);
    ~TDBDateEditPlus() override;

    QString DataField() const { return link_->FieldName(); }
    void SetDataField(const QString& name);
    TDataSource* DataSource() const { return link_->DataSource(); }
    void SetDataSource(TDataSource* source);
    TField* Field() const { return link_->Field(); }
    TDateEditFieldDataLink* DataLink() const { return link_.get(); }

    TDBDisplayFormat DBDisplayFormat() const { return dbDisplayFormat_; }
    void SetDisplayFormat(TDBDisplayFormat v);
    TDBEditFormat DBEditFormat() const { return dbEditFormat_; }
    void SetEditFormat(TDBEditFormat v);

    QString GetCustomDisplayFormat() const override;
    void SetCustomDisplayFormat(const QString& f) override;
    QString GetCustomEditFormat() const override;
    void SetCustomEditFormat(const QString& f) override;
    QString GetDisplayText(bool paintingCopy) override;
    void SetModified(bool b) override;
    bool CanModify() override;
    void Revert() override;
    void Loaded() override;
    void DoExit() override;

private:
    void DataChange();
    void UpdateData();
    void ActiveChange();
    QString FieldFormat() const;

    bool respondToData_ = true;
    TDBDisplayFormat dbDisplayFormat_ = TDBDisplayFormat::dfEditFormat;
    TDBEditFormat dbEditFormat_ = TDBEditFormat::efWindowsShort;
    std::unique_ptr<TDateEditFieldDataLink> link_;
};
