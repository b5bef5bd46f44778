#include "shared/nachrichten_dialog.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "platform/ui/prompt_service.h"

namespace {

// The free pixels between the text and the buttons below it.
constexpr int kTextAbstand = 4;

// The answer of the last answer form, set by its buttons.
uint16_t g_antwortCode = 0;

void SetupDialogForm(TForm* f, const QString& name, const QString& caption)
{
    f->Name = name;
    f->SetCaption(caption);
    f->SetBorderStyle(bsToolWindow);
    f->SetBorderIcons({biHelp});
    f->SetClientWidth(427);
    f->SetClientHeight(147);
    f->SetColor(clWhite);
    f->Font()->SetName("Arial");
    f->Font()->SetHeight(-13);
    f->Position = poScreenCenter;
}

TLabel* MakeTextLabel(TForm* f)
{
    auto* l = new TLabel(f);
    l->Name = "Label1";
    l->SetParent(f);
    l->SetAutoSize(false);
    l->SetBounds(4, 16, 421, 89);
    l->SetWordWrap(true);
    l->SetTransparent(true);
    l->SetParentFont(false);
    l->Font()->SetName("Arial");
    l->Font()->SetHeight(-13);
    l->Font()->SetStyle({fsBold});
    l->Font()->SetColor(clWindowText);
    return l;
}

TBitBtn* MakeButton(TForm* f, const QString& name, int left, int top, int width)
{
    auto* b = new TBitBtn(f);
    b->Name = name;
    b->SetParent(f);
    b->SetBounds(left, top, width, 25);
    return b;
}

// The two-state glyph of the Yes button: a green tick and its grey
// disabled twin, side by side.
QImage YesGlyph()
{
    QImage img(36, 18, QImage::Format_RGB32);
    img.fill(QColor(0, 128, 128));  // bottom-left colour: left out when drawn
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 2; ++i) {
        p.setPen(QPen(i == 0 ? QColor(0, 128, 0) : QColor(128, 128, 128), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygon({QPoint(18 * i + 3, 9), QPoint(18 * i + 7, 13), QPoint(18 * i + 15, 4)}));
    }
    p.end();
    return img;
}

// Colours, caption and text, as both routines set them.
void SetTexts(TForm* f, TLabel* label, const QString& caption, const QString& text, TColor formColor,
              TColor fontColor, bool centred)
{
    f->SetColor(formColor);
    f->Font()->SetColor(fontColor);
    f->SetCaption(caption.isEmpty() ? kNachrichtStandardTitel : caption);
    label->SetCaption(text);
    label->SetAlignment(centred ? taCenter : taLeftJustify);
    // Wider when the title needs more room than the design gives, as every
    // message box is; the text and the buttons keep their place in the middle.
    const int mehr = InputTitleWidth(f->Caption()) - f->ClientWidth();
    if (mehr > 0) {
        f->SetClientWidth(f->ClientWidth() + mehr);
        for (int i = 0; i < f->ControlCount(); ++i) {
            TControl* c = f->Controls(i);
            if (c == label)
                c->SetWidth(c->Width() + mehr);
            else
                c->SetLeft(c->Left() + mehr / 2);
        }
    }
    // Taller when the text needs more lines than the room above the buttons
    // leaves: the buttons move down by what is missing and the form grows
    // by as much, so the last line never runs under them.
    const int flags = Qt::TextWordWrap | (label->ShowAccelChar ? Qt::TextShowMnemonic : 0);
    const int noetig = QFontMetrics(label->Font()->ToQFont())
                           .boundingRect(QRect(0, 0, std::max(1, label->Width()), 100000), flags, text)
                           .height();
    int oben = f->ClientHeight();
    for (int i = 0; i < f->ControlCount(); ++i)
        if (TControl* c = f->Controls(i); c != label)
            oben = std::min(oben, c->Top());
    const int fehlt = label->Top() + noetig + kTextAbstand - oben;
    if (fehlt > 0) {
        f->SetClientHeight(f->ClientHeight() + fehlt);
        for (int i = 0; i < f->ControlCount(); ++i)
            if (TControl* c = f->Controls(i); c != label)
                c->SetTop(c->Top() + fehlt);
    }
    label->SetHeight(std::max(label->Height(), noetig));
}

}  // namespace

// ---- TMSGDLGForm ---------------------------------------------------------
TMSGDLGForm::TMSGDLGForm(TComponent* AOwner) : TForm(AOwner)
{
    SetupDialogForm(this, "MSGDLGForm", "Nachrichtendialog");
    SetFormStyle(fsStayOnTop);
    Label1 = MakeTextLabel(this);
    BitBtn1 = MakeButton(this, "BitBtn1", 172, 96, 75);
    BitBtn1->SetKind(bkOK);
    Timer1 = new TTimer(this);
    Timer1->Name = "Timer1";
    Timer1->SetEnabled(false);
    Timer1->OnTimer = [this](TObject* s) { Timer1Timer(s); };
    Label1->OnClick = [this](TObject* s) { Label1Click(s); };
    OnClick = [this](TObject* s) { FormClick(s); };
    Loaded();
    DoCreate();
}

void TMSGDLGForm::Timer1Timer(TObject*)
{
    Timer1->SetEnabled(false);
    Close();
}

void TMSGDLGForm::Label1Click(TObject*) { Close(); }
void TMSGDLGForm::FormClick(TObject*) { Close(); }

// ---- TAntwortDLGForm -----------------------------------------------------
TAntwortDLGForm::TAntwortDLGForm(TComponent* AOwner) : TForm(AOwner)
{
    SetupDialogForm(this, "AntwortDLGForm", "Antwortdialog");
    Label1 = MakeTextLabel(this);
    BitBtnYes = MakeButton(this, "BitBtnYes", 24, 96, 85);
    BitBtnYes->SetCaption("Ja");
    TBitmap glyph;
    glyph.SetImage(YesGlyph());
    BitBtnYes->SetGlyph(&glyph);
    BitBtnYes->SetNumGlyphs(2);
    BitBtnYes->SetDefault(true);
    BitBtnYes->ModalResult = mrYes;
    CheckBoxAlle = new TCheckBox(this);
    CheckBoxAlle->Name = "CheckBoxAlle";
    CheckBoxAlle->SetParent(this);
    CheckBoxAlle->SetParentColor(true);
    CheckBoxAlle->SetCaption("Antwort gilt für alle weiteren Abfragen");
    CheckBoxAlle->SetBounds(8, 128, 269, 17);
    BitBtnNo = MakeButton(this, "BitBtnNo", 180, 96, 85);
    BitBtnNo->SetKind(bkNo);
    BitBtnAbort = MakeButton(this, "BitBtnAbort", 320, 96, 85);
    BitBtnAbort->SetKind(bkAbort);
    BitBtnAbort->SetCaption("Abbruch");
    BitBtnYes->OnClick = [this](TObject* s) { BitBtnYesClick(s); };
    BitBtnNo->OnClick = [this](TObject* s) { BitBtnNoClick(s); };
    BitBtnAbort->OnClick = [this](TObject* s) { BitBtnAbortClick(s); };
    Label1->OnClick = [this](TObject* s) { Label1Click(s); };
    OnClick = [this](TObject* s) { FormClick(s); };
    Loaded();
    DoCreate();
}

void TAntwortDLGForm::BitBtnYesClick(TObject*) { g_antwortCode = CheckBoxAlle->Checked() ? 106 : 6; }
void TAntwortDLGForm::BitBtnNoClick(TObject*) { g_antwortCode = CheckBoxAlle->Checked() ? 107 : 7; }
void TAntwortDLGForm::BitBtnAbortClick(TObject*) { g_antwortCode = CheckBoxAlle->Checked() ? 103 : 3; }
void TAntwortDLGForm::Label1Click(TObject*) { Close(); }
void TAntwortDLGForm::FormClick(TObject*) {}

// ---- the routines --------------------------------------------------------
void NachrichtenDialog(const QString& caption, const QString& text, int timeout, int height, TColor formColor,
                       TColor fontColor, bool centred)
{
    std::unique_ptr<TMSGDLGForm> f(new TMSGDLGForm(Application));
    if (height != 0) {
        f->SetHeight(height);
        f->BitBtn1->SetTop(height - 65);
    }
    if (timeout > 0) {
        f->Timer1->SetInterval(timeout * 1000);
        f->Timer1->SetEnabled(true);
    }
    SetTexts(f.get(), f->Label1, caption, text, formColor, fontColor, centred);
    f->ShowModal();
}

uint16_t AntwortDialog(const QString& caption, const QString& text, int height, TColor formColor, TColor fontColor,
                       bool centred)
{
    std::unique_ptr<TAntwortDLGForm> f(new TAntwortDLGForm(Application));
    if (height != 0) {
        f->SetHeight(height);
        f->BitBtnYes->SetTop(height - 90);
        f->BitBtnNo->SetTop(height - 90);
        f->BitBtnAbort->SetTop(height - 90);
        f->CheckBoxAlle->SetTop(height - 60);
    }
    SetTexts(f.get(), f->Label1, caption, text, formColor, fontColor, centred);
    // A form closed without a button answers Abort, not a left-over answer.
    g_antwortCode = 3;
    f->ShowModal();
    return g_antwortCode;
}
