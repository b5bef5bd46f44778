#pragma once
// "Datumfilter" (TDatumScopeForm): asks for a start and an end date that
// the main window turns into a key range on a date tag. The tick "fill
// with today's date" is kept in the main ini file.

#include "platform/ui/forms.h"

#include <memory>

class TBitBtn;
class TCheckBox;
class TIniFile;
class TDateEditPlus;
class TLabel;

class TDatumScopeForm : public TForm {
public:
    // iniDatei: the main ini file (Windows form).
    TDatumScopeForm(TComponent* AOwner, const QString& iniDatei);
    ~TDatumScopeForm() override;

    TLabel* Label1;
    TLabel* Label2;
    TDateEditPlus* DateEditPlusVon;
    TDateEditPlus* DateEditPlusBis;
    TCheckBox* CheckBoxDatumVorbelegung;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;

    // The dates as "dd.mm.yyyy"; empty while a field is blank or not a
    // whole date.
    QString VonText() const;
    QString BisText() const;

    // Puts the dialog into the state a new one opens in: the tick read from
    // the ini, both dates today's when it is ticked, else blank. FormCreate
    // does it; a caller that keeps the dialog for the run calls it before
    // each show.
    void Vorbelegen();

    void FormCreate();
    void FormShow();
    void FormClose();

private:
    std::unique_ptr<TIniFile> ini_;  // the main ini file, kept for the dialog's life
};
