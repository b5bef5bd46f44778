#include "datacontrols/dk_lookup_combo_dialog.h"

#include "datagrid/dk_messages.h"
#include "datagrid/dk_table.h"

#include <QToolButton>

TdkDBLookupComboDlg::TdkDBLookupComboDlg(TComponent* AOwner) : TdkDBCustomLookupCombo(AOwner)
{
    // The base constructor set up the arrow button; this combo shows "...".
    SetupButton(Button());
}

void TdkDBLookupComboDlg::SetupButton(TdkComboButton* button)
{
    button->Button()->setArrowType(Qt::NoArrow);
    button->SetCaption(QStringLiteral("..."));
}

void TdkDBLookupComboDlg::DropDown()
{
    if (LookupReadOnly() || ReadOnly())
        return;
    TDataSet* table = LookupTable();
    if (!table) {
        dkShowWarning(QStringLiteral("No lookup table specified!"));
        return;
    }
    bool modified = false;
    bool ok = false;
    const auto finish = [&] {
        if (!(Style == csDropDownList && !AutoDropDown))
            SelectAll();
        ClearTyped();
        if (modified && table->Active()) {
            table->UpdateCursorPos();
            table->Resync(0);
        }
    };
    try {
        if (OnDropDown)
            OnDropDown(this);
        if (!table->Active()) {
            dkShowWarning(QStringLiteral("Lookup table is not active!"));
            finish();
            return;
        }
        const QString lookupName = LookupField().section(u';', 0, 0).left(63);
        TField* lookupField = table->FindField(lookupName);
        if (Selected().Count() == 0 && lookupField)
            Selected().Add(lookupField->FieldName + u'\t' + QString::number(lookupField->DisplayWidth()) + u'\t' +
                           lookupField->DisplayLabel());
        Grid()->ReadFieldObjects(false);
        QString initial;
        if (AutoDropDown && Typed())
            initial = ShowMatchText ? Text().left(SelStart()) : Text();
        // The table stands on the shown value when the dialog opens.
        auto* dk = dynamic_cast<TdkTable*>(table);
        const bool linked = Linked();
        if (linked) {
            Grid()->Relink(true);
        } else if (!Text().isEmpty() && lookupField && Grid()->LookupValue != lookupField->AsString()) {
            if (dk && dk->IndexFieldCount() == 0)
                dk->SetIndexForFields(lookupName);
            const QString value = Grid()->LookupValue.isEmpty() ? Text() : Grid()->LookupValue;
            if (dk && dk->IndexFieldCount() > 0)
                dk->FindKeyValues(QVariantList{value});
            else if (dk)
                dk->LocateFieldValue(value, lookupName, mtExactMatch, SeqSearchOptions.Contains(ssoCaseSensitive));
        }
        if (dk && !UseTFields() && OrderByDisplay)
            dk->SetIndexFromColumnList(Selected());

        ok = dkExecuteLookupDialog(Screen->ActiveForm(), &Selected(), table, UseTFields(), initial, OnCloseDialog,
                                   OnInitDialog, OnUserButton2Click, OnUserButton1Click, UserButton2Caption,
                                   UserButton1Caption, CharCase(), MaxHeight, MaxWidth, DialogCaption,
                                   GridTitleAlignment, GridColor, GridOptions, DialogOptions);
        TDataSet* edited = fieldLink_.DataSet();
        if (linked) {
            // The chosen record's values go to the link's master fields.
            edited->DisableControls();
            try {
                if (ok && lookupField && EditRecord()) {
                    Grid()->TakeRow();
                    modified = WriteLinkedFields();
                }
            } catch (...) {
                edited->EnableControls();
                throw;
            }
            edited->EnableControls();
            if (TField* field = fieldLink_.Field())
                SetText(field->AsString());
        } else if (ok && lookupField) {
            EditLink();
            if (!fieldLink_.DataSource() || !edited) {
                Grid()->TakeRow();
                SetText(Grid()->DisplayText);
            } else {
                fieldLink_.Modified();
                if (TField* field = fieldLink_.Field()) {
                    const QString value = lookupField->AsString();
                    modified = field->AsString() != value;
                    field->SetAsString(value);
                }
                // Taken over after the field changed: its data change reads
                // the record's old further values into the grid.
                Grid()->TakeRow();
                SetText(Grid()->DisplayText);
                // The record takes the further lookup fields too.
                fieldLink_.Modified();
                fieldLink_.UpdateRecord();
                entryText_ = Text();
                entryValue_ = Grid()->LookupValue;
            }
        }
        // A linked field reports whether its record changed, another the
        // dialog's result.
        if (OnCloseUp)
            OnCloseUp(this, table, edited, linked ? modified : ok);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}
