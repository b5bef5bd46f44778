#pragma once
// The program's own message box (NachrichtenDialog: a white tool window
// with a bold text, OK and an optional time-out) and the Yes/No/Abort
// question with the tick box "Antwort gilt für alle weiteren Abfragen"
// (AntwortDialog). Each call makes its form, shows it modally and frees it.

#include <cstdint>

#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"

class TMSGDLGForm : public TForm {
public:
    explicit TMSGDLGForm(TComponent* AOwner);
    TLabel* Label1;
    TBitBtn* BitBtn1;
    TTimer* Timer1;
    void Timer1Timer(TObject* Sender);
    void Label1Click(TObject* Sender);
    void FormClick(TObject* Sender);
};

class TAntwortDLGForm : public TForm {
public:
    explicit TAntwortDLGForm(TComponent* AOwner);
    TLabel* Label1;
    TBitBtn* BitBtnYes;
    TCheckBox* CheckBoxAlle;
    TBitBtn* BitBtnNo;
    TBitBtn* BitBtnAbort;
    void BitBtnYesClick(TObject* Sender);
    void BitBtnNoClick(TObject* Sender);
    void BitBtnAbortClick(TObject* Sender);
    void Label1Click(TObject* Sender);
    void FormClick(TObject* Sender);
};

// Shows text in the message form; it closes on OK or Enter, a click on the
// text or the form, or after timeout seconds (0 or less: only by the user).
// height 0 keeps the designed height and button position.
void NachrichtenDialog(const QString& caption, const QString& text, int timeout, int height, TColor formColor,
                       TColor fontColor, bool centred);

// Asks Yes/No/Abort and gives 6, 7 or 3, plus 100 when the tick box was set
// at the click. Enter answers Yes, Esc No; a form closed without a button
// (a click on the text) answers Abort.
uint16_t AntwortDialog(const QString& caption, const QString& text, int height, TColor formColor, TColor fontColor,
                       bool centred);

// The caption used when the caller gives none.
inline const QString kNachrichtStandardTitel = "Ereignisnachricht";
