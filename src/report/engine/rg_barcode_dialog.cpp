#include "report/engine/rg_barcode_dialog.h"

#include "platform/core/sys_utils.h"
#include "platform/ui/std_ctrls.h"

void TrgBarCodeDialog::Register()
{
    rgRegisterFormClass<TrgCustomBarCodeDialog, TrgBarCodeDialog>(QStringLiteral("TrgBarCodeDialog"));
}

namespace {

constexpr int sCancel = 5, sOK = 17, sOrientation = 217, sConfigure = 444, sType = 445, sBarWidth = 446,
              sWideBarRatio = 447, sAddOnCode = 448, sBearerBars = 449, sCalcCheckDigit = 450;

// The symbologies in the order of TrgBarCodeType; their names are the same
// in every language.
const char* const kTypeNames[] = {"UPC-A", "EAN-13", "Interleaved 2 of 5", "Code 128", "Code 39", "PostNet"};

// The orientations in the order of TrgBarCodeOrientation (the string table
// has no texts for them).
const char* const kOrientationNames[] = {"Left to Right", "Right to Left", "Top to Bottom", "Bottom to Top"};
const char* const kGermanOrientationNames[] = {"Von links nach rechts", "Von rechts nach links", "Von oben nach unten",
                                               "Von unten nach oben"};

// A Single as text with the digits it holds (7), in the program's format.
QString SingleToStr(float Value) { return FloatToStrF(Value, TFloatFormat::ffGeneral, 7, 0); }

constexpr int kLabelLeft = 8, kControlLeft = 170, kControlWidth = 180, kRowHeight = 28;

TLabel* RowLabel(TForm* Form, const char* Name, int Row)
{
    auto* label = new TLabel(Form);
    label->Name = QString::fromLatin1(Name);
    label->SetParent(Form);
    label->SetLeft(kLabelLeft);
    label->SetTop(12 + Row * kRowHeight);
    return label;
}

template <class Control>
Control* RowControl(TForm* Form, const char* Name, int Row, int TabOrder)
{
    auto* control = new Control(Form);
    control->Name = QString::fromLatin1(Name);
    control->SetParent(Form);
    control->SetBounds(kControlLeft, 8 + Row * kRowHeight, kControlWidth, 21);
    control->SetTabOrder(TabOrder);
    return control;
}

TButton* FormButton(TForm* Form, const char* Name, int Left, int Top, TModalResult Result, int TabOrder)
{
    auto* button = new TButton(Form);
    button->Name = QString::fromLatin1(Name);
    button->SetParent(Form);
    button->SetBounds(Left, Top, 75, 25);
    button->ModalResult = Result;
    button->SetTabOrder(TabOrder);
    return button;
}

}  // namespace

TrgBarCodeDialog::TrgBarCodeDialog(TComponent* AOwner) : TrgCustomBarCodeDialog(AOwner)
{
    Name = QStringLiteral("rgBarCodeDialog");
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    SetClientWidth(kControlLeft + kControlWidth + 10);
    SetClientHeight(8 * kRowHeight + 12);

    lblType = RowLabel(this, "lblType", 0);
    cbxType = RowControl<TComboBox>(this, "cbxType", 0, 0);
    cbxType->SetStyle(csDropDownList);
    for (const char* name : kTypeNames)
        cbxType->Items()->Add(QString::fromLatin1(name));
    lblOrientation = RowLabel(this, "lblOrientation", 1);
    cbxOrientation = RowControl<TComboBox>(this, "cbxOrientation", 1, 1);
    cbxOrientation->SetStyle(csDropDownList);
    lblBarWidth = RowLabel(this, "lblBarWidth", 2);
    edtBarWidth = RowControl<TEdit>(this, "edtBarWidth", 2, 2);
    lblWideBarRatio = RowLabel(this, "lblWideBarRatio", 3);
    edtWideBarRatio = RowControl<TEdit>(this, "edtWideBarRatio", 3, 3);
    lblAddOnCode = RowLabel(this, "lblAddOnCode", 4);
    edtAddOnCode = RowControl<TEdit>(this, "edtAddOnCode", 4, 4);
    chkBearerBars = RowControl<TCheckBox>(this, "chkBearerBars", 5, 5);
    chkCalcCheckDigit = RowControl<TCheckBox>(this, "chkCalcCheckDigit", 6, 6);
    btnOK = FormButton(this, "btnOK", kControlLeft + kControlWidth - 157, 7 * kRowHeight + 4, mrOk, 7);
    btnOK->SetDefault(true);
    btnOK->OnClick = [this](TObject*) { TakeValues(); };
    btnCancel = FormButton(this, "btnCancel", kControlLeft + kControlWidth - 75, 7 * kRowHeight + 4, mrCancel, 8);
    btnCancel->Cancel = true;
    LanguageChanged();
    Loaded();
    DoCreate();
}

void TrgBarCodeDialog::LanguageChanged()
{
    SetCaption(LanguageString(sConfigure));
    lblType->SetCaption(LanguageString(sType));
    lblOrientation->SetCaption(LanguageString(sOrientation));
    lblBarWidth->SetCaption(LanguageString(sBarWidth));
    lblWideBarRatio->SetCaption(LanguageString(sWideBarRatio));
    lblAddOnCode->SetCaption(LanguageString(sAddOnCode));
    chkBearerBars->SetCaption(LanguageString(sBearerBars));
    chkCalcCheckDigit->SetCaption(LanguageString(sCalcCheckDigit));
    btnOK->SetCaption(LanguageString(sOK));
    btnCancel->SetCaption(LanguageString(sCancel));
}

void TrgBarCodeDialog::Activate()
{
    const int orientation = cbxOrientation->ItemIndex();
    cbxOrientation->Items()->Clear();
    for (const char* name : Language == lgGerman ? kGermanOrientationNames : kOrientationNames)
        cbxOrientation->Items()->Add(QString::fromUtf8(name));
    cbxOrientation->SetItemIndex(orientation);
    // Only the first activation fills the controls; a later one (the window
    // activated again) keeps what the user has typed.
    if (!shown_) {
        shown_ = true;
        cbxType->SetItemIndex(int(BarCodeType));
        cbxOrientation->SetItemIndex(int(Orientation));
        edtBarWidth->SetText(SingleToStr(BarWidth));
        edtWideBarRatio->SetText(SingleToStr(WideBarRatio));
        edtAddOnCode->SetText(AddOnCode);
        chkBearerBars->SetChecked(BearerBars);
        chkCalcCheckDigit->SetChecked(CalcCheckDigit);
    }
    TrgCustomBarCodeDialog::Activate();
}

void TrgBarCodeDialog::TakeValues()
{
    if (cbxType->ItemIndex() >= 0)
        BarCodeType = TrgBarCodeType(cbxType->ItemIndex());
    if (cbxOrientation->ItemIndex() >= 0)
        Orientation = TrgBarCodeOrientation(cbxOrientation->ItemIndex());
    double value = 0;
    if (TryStrToFloat(edtBarWidth->Text(), value))
        BarWidth = float(value);
    if (TryStrToFloat(edtWideBarRatio->Text(), value))
        WideBarRatio = float(value);
    AddOnCode = edtAddOnCode->Text();
    BearerBars = chkBearerBars->Checked();
    CalcCheckDigit = chkCalcCheckDigit->Checked();
}
