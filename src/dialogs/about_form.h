#pragma once
// The about window: product name, version, revision and a line of text
// that scrolls through seventeen lines, one per pass. Any click on it, Esc
// or Enter, or six seconds without input close it with OK.

#include "platform/ui/forms.h"

class TLabel;
class TPanel;
class TQKScrollText;
class TTimer;

class TAboutForm : public TForm {
public:
    explicit TAboutForm(TComponent* AOwner);

    TPanel* Panel1;
    TPanel* Panel2;
    TLabel* ProductName;
    TLabel* Version;
    TLabel* Copyright;
    TLabel* RevisionsLabel;
    TQKScrollText* QKScrollText1;
    TTimer* Timer1;

    // The line counter of the scrolling text (0..17).
    int Zeile() const { return zeile_; }

    void FormActivate(TObject* Sender);
    // A new pass of the scrolling text takes the next line.
    void QKScrollText1StartText(TObject* Sender);
    void Schliessen(TObject* Sender);

    // The seventeen lines, in order.
    static QStringList Zeilen();

private:
    int zeile_ = 0;
};
