#include "dialogs/vorschau_einstellungen.h"

#include "shared/qk_ini.h"

namespace {

const QString kSektion = QStringLiteral("Einstellungen Vorschaubilder");

}  // namespace

TVorschaubildereinstellungenForm::TVorschaubildereinstellungenForm(TComponent* AOwner, TVorschauRaster& raster,
                                                                   const QString& iniDatei,
                                                                   std::function<void(int)> klang)
    : TForm(AOwner), raster_(raster), klang_(std::move(klang))
{
    Name = "VorschaubildereinstellungenForm";
    SetCaption("Anzeigeoptionen");
    SetBorderStyle(bsDialog);
    Position = poScreenCenter;
    SetBounds(0, 0, 360, 250);

    auto bar = [this](int top, int min, int max, const char* name) {
        auto* b = new TScrollBar(this);
        b->Name = name;
        b->SetParent(this);
        b->SetBounds(10, top, 200, 18);
        b->SetParams(min, min, max);
        b->Tag = 16;
        return b;
    };
    auto label = [this](int top) {
        auto* l = new TLabel(this);
        l->SetParent(this);
        l->SetBounds(220, top + 1, 130, 16);
        return l;
    };
    ScrollBarZeilen = bar(14, 1, 10, "ScrollBarZeilen");
    LabelZeilen = label(14);
    ScrollBarSpalten = bar(44, 1, 20, "ScrollBarSpalten");
    LabelSpalten = label(44);
    ScrollBarHoehe = bar(74, 25, 400, "ScrollBarHoehe");
    LabelHoehe = label(74);
    ScrollBarBreite = bar(104, 20, 300, "ScrollBarBreite");
    LabelBreite = label(104);
    CheckBoxSkalieren = new TCheckBox(this);
    CheckBoxSkalieren->SetParent(this);
    CheckBoxSkalieren->SetBounds(10, 136, 250, 20);
    CheckBoxSkalieren->SetCaption("Bilder einpassen (skalieren)");
    CheckBoxSkalieren->Tag = 12;
    BitBtnDefault = new TBitBtn(this);
    BitBtnDefault->SetParent(this);
    BitBtnDefault->SetBounds(10, 176, 130, 28);
    BitBtnDefault->SetCaption("Grundeinstellung");
    BitBtn5 = new TBitBtn(this);
    BitBtn5->SetParent(this);
    BitBtn5->SetBounds(220, 176, 120, 28);
    BitBtn5->SetCaption("&Ok");
    BitBtn5->ModalResult = mrOk;
    BitBtn5->SetDefault(true);

    // Each bar shows its value and sets the grid at once.
    auto bind = [this](TScrollBar* b, void (TVorschauRaster::*set)(int)) {
        b->OnChange = [this, b, set](TObject*) {
            Beschriften();
            if (!laden_)
                (raster_.*set)(b->Position());
        };
        b->OnMouseUp = [this, b](TObject*, TMouseButton, TShiftState, int, int) {
            if (klang_)
                klang_(int(b->Tag));
        };
    };
    bind(ScrollBarZeilen, &TVorschauRaster::SetRows);
    bind(ScrollBarSpalten, &TVorschauRaster::SetColumns);
    bind(ScrollBarHoehe, &TVorschauRaster::SetPicHeight);
    bind(ScrollBarBreite, &TVorschauRaster::SetPicWidth);
    CheckBoxSkalieren->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
        CheckBoxSkalierenMouseUp();
    };
    BitBtnDefault->OnClick = [this](TObject*) { BitBtnDefaultClick(); };
    OnClose = [this](TObject*, TCloseAction&) { WerteSchreiben(); };

    // The grid from the ini (its own values are the defaults), then the
    // controls from the grid.
    QKINI1 = new TQKINI(this);
    QKINI1->SetINIFileName(iniDatei);
    // Scaling first: a grid that is not scaled works out its rows and
    // columns from the picture size, so those read before would not stay.
    const int zeilen = std::clamp(QKINI1->INIReadInteger(kSektion, "Zeilen", raster_.Rows()), 1, 10);
    const int spalten = std::clamp(QKINI1->INIReadInteger(kSektion, "Spalten", raster_.Columns()), 1, 20);
    raster_.SetScaled(QKINI1->INIReadBool(kSektion, "Skalieren", raster_.Scaled()));
    raster_.SetRows(zeilen);
    raster_.SetColumns(spalten);
    raster_.SetPicHeight(std::clamp(QKINI1->INIReadInteger(kSektion, "Bildhoehe", raster_.PicHeight()), 25, 400));
    raster_.SetPicWidth(std::clamp(QKINI1->INIReadInteger(kSektion, "BildBreite", raster_.PicWidth()), 20, 300));
    SteuerelementeVomRaster();
    SkalierungsStatus();
    Loaded();
}

void TVorschaubildereinstellungenForm::SteuerelementeVomRaster()
{
    laden_ = true;
    ScrollBarZeilen->SetPosition(raster_.Rows());
    ScrollBarSpalten->SetPosition(raster_.Columns());
    ScrollBarHoehe->SetPosition(raster_.PicHeight());
    ScrollBarBreite->SetPosition(raster_.PicWidth());
    CheckBoxSkalieren->SetChecked(raster_.Scaled());
    laden_ = false;
    Beschriften();
}

void TVorschaubildereinstellungenForm::Beschriften()
{
    LabelZeilen->SetCaption(QString::number(ScrollBarZeilen->Position()) + QStringLiteral(" Zeile(n)"));
    LabelSpalten->SetCaption(QString::number(ScrollBarSpalten->Position()) + QStringLiteral(" Spalte(n)"));
    LabelHoehe->SetCaption(QString::number(ScrollBarHoehe->Position()) + QStringLiteral(" pix. Bilderhoehe"));
    LabelBreite->SetCaption(QString::number(ScrollBarBreite->Position()) + QStringLiteral(" pix. Bilderbreite"));
}

void TVorschaubildereinstellungenForm::SkalierungsStatus()
{
    const bool an = CheckBoxSkalieren->Checked();
    for (TControl* c : {static_cast<TControl*>(ScrollBarZeilen), static_cast<TControl*>(LabelZeilen),
                        static_cast<TControl*>(ScrollBarSpalten), static_cast<TControl*>(LabelSpalten)})
        c->SetEnabled(an);
    for (TControl* c : {static_cast<TControl*>(ScrollBarHoehe), static_cast<TControl*>(LabelHoehe),
                        static_cast<TControl*>(ScrollBarBreite), static_cast<TControl*>(LabelBreite)})
        c->SetEnabled(!an);
}

void TVorschaubildereinstellungenForm::CheckBoxSkalierenMouseUp()
{
    if (klang_)
        klang_(int(CheckBoxSkalieren->Tag));
    raster_.SetScaled(CheckBoxSkalieren->Checked());
    raster_.SetRows(ScrollBarZeilen->Position());
    raster_.SetColumns(ScrollBarSpalten->Position());
    raster_.SetPicHeight(ScrollBarHoehe->Position());
    raster_.SetPicWidth(ScrollBarBreite->Position());
    Beschriften();
    SkalierungsStatus();
}

void TVorschaubildereinstellungenForm::BitBtnDefaultClick()
{
    raster_.SetRows(3);
    raster_.SetColumns(4);
    raster_.SetPicHeight(120);
    raster_.SetPicWidth(150);
    raster_.SetScaled(false);
    SteuerelementeVomRaster();
    SkalierungsStatus();
}

void TVorschaubildereinstellungenForm::WerteSchreiben()
{
    QKINI1->INIWriteInteger(kSektion, "Zeilen", raster_.Rows());
    QKINI1->INIWriteInteger(kSektion, "Spalten", raster_.Columns());
    QKINI1->INIWriteInteger(kSektion, "Bildhoehe", raster_.PicHeight());
    QKINI1->INIWriteInteger(kSektion, "BildBreite", raster_.PicWidth());
    QKINI1->INIWriteBool(kSektion, "Skalieren", raster_.Scaled());
}
