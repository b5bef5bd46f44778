#include "controls/db_date_edit.h"

#include <QLineEdit>

#include "platform/data/field.h"

TDBDateEditPlus::TDBDateEditPlus(TComponent* AOwner)
    : TCustomDateEditPlus(AOwner), link_(std::make_unique<TDateEditFieldDataLink>(this))
{
    link_->OnDataChange = [this] { DataChange(); };
    link_->OnUpdateData = [this] { UpdateData(); };
    link_->OnActiveChange = [this] { ActiveChange(); };
}

TDBDateEditPlus::~TDBDateEditPlus()
{
    link_->OnDataChange = nullptr;
    link_->OnUpdateData = nullptr;
    link_->OnActiveChange = nullptr;
    link_.reset();
}

void TDBDateEditPlus::SetDataField(const QString& name)
{
    link_->SetFieldName(name);
    ActiveChange();
}

void TDBDateEditPlus::SetDataSource(TDataSource* source)
{
    link_->SetDataSource(source);
    ActiveChange();
}

void TDBDateEditPlus::Loaded()
{
    TCustomDateEditPlus::Loaded();
    ActiveChange();
}

// ---- formats ----------------------------------------------------------------------------

QString TDBDateEditPlus::FieldFormat() const
{
    if (const auto* f = dynamic_cast<const TDateField*>(Field()); f && !f->DisplayFormat.isEmpty())
        return f->DisplayFormat;
    return FormatSettings().ShortDateFormat;
}

void TDBDateEditPlus::SetDisplayFormat(TDBDisplayFormat v)
{
    dbDisplayFormat_ = v;
    TCustomDateEditPlus::SetDisplayFormat(v == TDBDisplayFormat::dfFieldDisplayFormat ? dfCustom : TDisplayFormat(v));
}

void TDBDateEditPlus::SetEditFormat(TDBEditFormat v)
{
    dbEditFormat_ = v;
    TCustomDateEditPlus::SetEditFormat(v == TDBEditFormat::efFieldDisplayFormat ? efCustom : TEditFormat(v));
}

QString TDBDateEditPlus::GetCustomDisplayFormat() const
{
    if (dbDisplayFormat_ == TDBDisplayFormat::dfFieldDisplayFormat)
        return FieldFormat();
    return TCustomDateEditPlus::GetCustomDisplayFormat();
}

QString TDBDateEditPlus::GetCustomEditFormat() const
{
    if (dbEditFormat_ == TDBEditFormat::efFieldDisplayFormat)
        return FieldFormat();
    return TCustomDateEditPlus::GetCustomEditFormat();
}

void TDBDateEditPlus::SetCustomDisplayFormat(const QString& f)
{
    TCustomDateEditPlus::SetCustomDisplayFormat(f);
    dbDisplayFormat_ = TDBDisplayFormat(TCustomDateEditPlus::DisplayFormat());
}

void TDBDateEditPlus::SetCustomEditFormat(const QString& f)
{
    TCustomDateEditPlus::SetCustomEditFormat(f);
    dbEditFormat_ = TDBEditFormat(TCustomDateEditPlus::EditFormat());
}

QString TDBDateEditPlus::GetDisplayText(bool paintingCopy)
{
    if (paintingCopy && Field()) {
        if (Field()->Text().isEmpty())
            return QString();
        return FormatDateParts(GetCustomDisplayFormat(), DayOfDate(Field()->AsDateTime()),
                               MonthOfDate(Field()->AsDateTime()), YearOfDate(Field()->AsDateTime()));
    }
    return TCustomDateEditPlus::GetDisplayText(paintingCopy);
}

// ---- editing ----------------------------------------------------------------------------

bool TDBDateEditPlus::CanModify()
{
    if (!TCustomDateEditPlus::CanModify() || !link_->CanModify())
        return false;
    if (link_->Editing())
        return true;
    return DataSource() && DataSource()->AutoEdit;
}

void TDBDateEditPlus::SetModified(bool b)
{
    if (!modTracking_)
        return;
    if (Field()) {
        if (b) {
            respondToData_ = false;
            link_->Edit();
            if (link_->Editing())
                link_->Modified();
            respondToData_ = true;
        } else {
            link_->Reset();
        }
    }
    TCustomDateEditPlus::SetModified(b);
}

void TDBDateEditPlus::Revert()
{
    SetModified(false);
    Edit()->selectAll();
}

void TDBDateEditPlus::DataChange()
{
    if (Destroying() || !Field() || !respondToData_)
        return;
    if (TDataSet* ds = link_->DataSet(); ds && ds->State() == dsSetKey)
        return;
    TCustomDateEditPlus::SetModified(false);
    CloseUp();
    const bool tracking = modTracking_;
    modTracking_ = false;
    if (auto* s = dynamic_cast<TStringField*>(Field()))
        Edit()->setMaxLength(s->Size());
    else
        Edit()->setMaxLength(32767);
    if (!Field()->Text().isEmpty())
        SetDate(Field()->AsDateTime());
    else
        SetBlank(true);
    modTracking_ = tracking;
}

void TDBDateEditPlus::UpdateData()
{
    if (!Field() || !link_->Editing())
        return;
    try {
        if (CanBeBlank && Edit()->text().isEmpty())
            Field()->Clear();
        else if (IsValid())
            Field()->SetAsDateTime(Date());
    } catch (const std::exception&) {
        // A field that refuses the value shows its stored value again.
        link_->Reset();
    }
}

void TDBDateEditPlus::ActiveChange()
{
    if (Field() && link_->Active()) {
        DataChange();
        ApplyFormat(Focused() && !Loading() ? GetCustomEditFormat() : GetCustomDisplayFormat());
    } else {
        const bool tracking = modTracking_;
        modTracking_ = false;
        SetBlank(true);
        modTracking_ = tracking;
    }
}

void TDBDateEditPlus::DoExit()
{
    CloseUp();
    if (ValidateOnExit() == baRevert) {
        try {
            link_->UpdateRecord();
        } catch (const std::exception&) {
            SetFocus();
        }
    }
    FinishExit();
}
