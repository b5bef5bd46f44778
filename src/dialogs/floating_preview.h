#pragma once
// The floating thumbnail window "Vorschaubild": a small tool window that
// stays on top, with two pages: the picture with four rotation buttons, and
// the file name and folder. The main window keeps one and fills it with the
// current picture; its position lives in the main ini file.

#include "platform/ui/forms.h"

class TButton;
class TImage;
class TLabel;
class TNotebook;
class TQKINI;

// What the window uses of the main window.
class TVorschauHauptfenster {
public:
    virtual ~TVorschauHauptfenster() = default;
    virtual QString IniDatei() const = 0;
    // The full-size view of the current picture.
    virtual void VollbildAnzeige() = 0;
    // The rotation commands: 0, 90, 180 or 270 degrees for the current picture.
    virtual void BildDrehen(int grad) = 0;
};

class TFormSchwebeneVorschau : public TForm {
public:
    TFormSchwebeneVorschau(TComponent* AOwner, TVorschauHauptfenster& hauptfenster);

    TNotebook* Notebook1;
    TImage* ImageWindow2;
    TButton* Button0;
    TButton* Button90;
    TButton* Button180;
    TButton* Button270;
    TLabel* LabelDateiname;
    TLabel* LabelPfad;
    TQKINI* QKINI_Vorschau;

    // Shows the picture file (Windows form) and its name and folder; false
    // when the picture cannot be read (the view is then empty).
    bool BildZeigen(const QString& datei);
    // A double click on the window, its panels or labels: the next page.
    void NaechsteSeite(TObject* Sender);

private:
    TVorschauHauptfenster& haupt_;
};
