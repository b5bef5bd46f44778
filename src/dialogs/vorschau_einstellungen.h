#pragma once
// The thumbnail settings dialog (TVorschaubildereinstellungenForm,
// "Anzeigeoptionen"): four scroll bars and a check box set the layout of
// the main window's thumbnail grid and show every change at once; the
// values live in the section "Einstellungen Vorschaubilder" of the main ini
// file. With scaling on the grid is laid out by rows and columns, without
// it by picture height and width; the other pair is disabled.

#include <functional>

#include "platform/ui/buttons.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"

class TQKINI;

// The thumbnail grid the dialog sets (the main window's).
class TVorschauRaster {
public:
    virtual ~TVorschauRaster() = default;
    virtual int Rows() const = 0;
    virtual void SetRows(int v) = 0;
    virtual int Columns() const = 0;
    virtual void SetColumns(int v) = 0;
    virtual int PicHeight() const = 0;
    virtual void SetPicHeight(int v) = 0;
    virtual int PicWidth() const = 0;
    virtual void SetPicWidth(int v) = 0;
    virtual bool Scaled() const = 0;
    virtual void SetScaled(bool v) = 0;
};

class TVorschaubildereinstellungenForm : public TForm {
public:
    // iniDatei: the main ini file; klang plays a program sound (may be empty).
    TVorschaubildereinstellungenForm(TComponent* AOwner, TVorschauRaster& raster, const QString& iniDatei,
                                     std::function<void(int)> klang = {});

    TScrollBar* ScrollBarZeilen;
    TScrollBar* ScrollBarSpalten;
    TScrollBar* ScrollBarHoehe;
    TScrollBar* ScrollBarBreite;
    TLabel* LabelZeilen;
    TLabel* LabelSpalten;
    TLabel* LabelHoehe;
    TLabel* LabelBreite;
    TCheckBox* CheckBoxSkalieren;
    TBitBtn* BitBtnDefault;
    TBitBtn* BitBtn5;
    TQKINI* QKINI1;

    void CheckBoxSkalierenMouseUp();
    void BitBtnDefaultClick();
    void SkalierungsStatus();
    // Writes the five grid values to the ini (on close).
    void WerteSchreiben();

private:
    void SteuerelementeVomRaster();
    void Beschriften();
    TVorschauRaster& raster_;
    std::function<void(int)> klang_;
    bool laden_ = false;
};
