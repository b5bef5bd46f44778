#pragma once
// TProgStartForm: the splash shown while the forms of the run are made.

#include "platform/ui/forms.h"

class TBitBtn;
class TImage;
class TLabel;
class TPanel;
class TTimer;

class TProgStartForm : public TForm {
public:
    explicit TProgStartForm(TComponent* AOwner);

    TPanel* Panel1;
    TLabel* LabelTitel;
    TLabel* LabelUntertitel;
    TLabel* LabelStatus;
    TLabel* LabelRevision;  // hidden
    TImage* Image1;         // the logo
    TBitBtn* BitBtn1;       // hidden
    TTimer* Timer1;         // 5000 ms, off

    void FormActivate(TObject* Sender);
    void Timer1Timer(TObject* Sender);
};
