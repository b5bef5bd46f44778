#pragma once
// The tip-of-the-day dialog "Tips und Tricks": a random tip of the
// program's ten, "&mehr Tips" for another, and the box that decides whether
// the dialog comes at the next start (section "TipsDialog", key
// "DialogZeigen" of the main ini file).

#include "platform/ui/forms.h"

#include <cstdint>

class TBitBtn;
class TCheckBox;
class TLabel;
class TPanel;

// The program's tip texts, ids 1 to 10; "" for other ids.
QString TipText(int id);

class TTipsDialog : public TForm {
public:
    explicit TTipsDialog(TComponent* AOwner);

    TPanel* Panel1;
    TLabel* Ueberschrift;
    TLabel* TipLabel;
    TBitBtn* OKBtn;
    TBitBtn* HelpBtn;
    TBitBtn* BitBtn1;
    TCheckBox* TipsZeigenCheckBox;

    uint16_t ErsteId = 1;
    uint16_t Anzahl = 10;
    int HilfeKontext = 0;

    // Puts a random tip of ErsteId .. ErsteId + Anzahl - 1 into TipLabel.
    void NaechsterTip();
};

// Shows the tips dialog; at start-up only when its box was ticked last
// time. The box's state is stored back.
void ShowTips(uint16_t ersteId, uint16_t anzahl, const QString& iniDatei, int hilfeKontext, bool beimStart);
