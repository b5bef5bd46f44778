#include "shared/status4_form.h"

#include <algorithm>

uint16_t StatusSchritte = 0;
int32_t StatusGesamt = 0;
int32_t EscAbbruch = 0;

namespace {

TQKGauge* MakeGauge(TStatus4Frm* f, TPanel* parent, const QString& name)
{
    auto* g = new TQKGauge(f);
    g->Name = name;
    g->SetParent(parent);
    g->SetBounds(46, 22, 406, 20);  // 100 boxes of 4 pixels, centred
    g->SetBoxes(100);
    g->SetBoxColor(clNavy);
    g->SetColor(clSilver);
    g->SetBorderStyle(bvLowered);
    g->SetProgress(0);
    return g;
}

TLabel* MakeLabel(TStatus4Frm* f, TPanel* parent, const QString& name)
{
    auto* l = new TLabel(f);
    l->Name = name;
    l->SetParent(parent);
    l->SetAutoSize(false);
    l->SetHeight(18);
    l->SetAlign(alTop);
    l->SetAlignment(taCenter);
    l->SetParentFont(false);
    l->Font()->SetName("Arial");
    l->Font()->SetHeight(-13);
    return l;
}

TPanel* MakePanel(TStatus4Frm* f, const QString& name)
{
    auto* p = new TPanel(f);
    p->Name = name;
    p->SetParent(f);
    p->SetBevelOuter(bvNone);
    p->SetHeight(50);
    p->SetAlign(alTop);
    return p;
}

}  // namespace

TStatus4Frm::TStatus4Frm(TComponent* AOwner) : TForm(AOwner)
{
    Name = "Status4Frm";
    SetCaption("Status4Frm");
    SetBorderStyle(bsSizeToolWin);
    SetBorderIcons({biMinimize, biMaximize});
    SetClientWidth(499);
    SetClientHeight(101);
    Position = poScreenCenter;
    KeyPreview = true;
    Font()->SetName("System");
    Font()->SetHeight(-13);

    Panel1 = MakePanel(this, "Panel1");
    Label1 = MakeLabel(this, Panel1, "Label1");
    QKGauge1 = MakeGauge(this, Panel1, "QKGauge1");
    Panel2 = MakePanel(this, "Panel2");
    Panel2->SetTop(50);
    Label2 = MakeLabel(this, Panel2, "Label2");
    Label2->SetWordWrap(true);
    QKGauge2 = MakeGauge(this, Panel2, "QKGauge2");
    Panel2->SetVisible(false);

    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
    OnKeyDown = [this](TObject* s, Word& k, TShiftState sh) { FormKeyDown(s, k, sh); };
    OnKeyUp = [this](TObject* s, Word& k, TShiftState sh) { FormKeyUp(s, k, sh); };
    Loaded();
    DoCreate();
}

void TStatus4Frm::FormCreate(TObject*) {}

void TStatus4Frm::FormShow(TObject*)
{
    SetCaption("Bearbeitungs-Status");
    if (StatusSchritte > 1)
        Panel2->SetVisible(true);
    StatusGesamt = 0;
}

void TStatus4Frm::FormKeyDown(TObject*, Word& Key, TShiftState)
{
    // Ordinary key codes stay below 256; a negated percentage has high bits.
    if (Key & 0x7000) {
        int p = uint16_t(-Key);
        QKGauge1->SetProgress(p);
        if (p == 100) {
            StatusGesamt += 100;
            if (StatusSchritte > 0)
                QKGauge2->SetProgress(StatusGesamt / StatusSchritte);
        } else if (StatusSchritte > 0) {
            QKGauge2->SetProgress((p + StatusGesamt) / StatusSchritte);
        }
        Label1->SetCaption(QString::number(QKGauge1->Progress()) + " % Aktuell");
        Label2->SetCaption(QString::number(QKGauge2->Progress()) + " % Gesamt");
        SetCaption("Bearbeite Datenbank, bitte warten...");
    }
    // Let the window repaint and Esc come through while the engine works;
    // no key goes on to a control.
    Application->ProcessMessages();
    Key = 0;
}

void TStatus4Frm::FormKeyUp(TObject*, Word& Key, TShiftState)
{
    if (Key == VK_ESCAPE)
        EscAbbruch = 1;
}

void TStatus4Frm::Fortschritt(int Prozent)
{
    Word key = Word(-Prozent);
    FormKeyDown(this, key, {});
}

void TStatus4Frm::GaugeHook(void* context, uint32_t done, uint32_t total)
{
    if (auto* form = static_cast<TStatus4Frm*>(context))
        form->Dispatch([&] { form->EngineGauge(done, total); });
}

void TStatus4Frm::EngineGauge(uint32_t done, uint32_t total)
{
    if (total == 0)
        return;
    if (done == 0) {
        lastPercent_ = 0;  // a new step
        return;
    }
    int p = int(std::min<uint64_t>(100, uint64_t(done) * 100 / total));
    if (p == 0 || p == lastPercent_)
        return;
    // 100 ends a step (the engine reaches it once per operation), so the
    // next report begins the next step whatever its first percentage; a
    // percentage below the last one also begins one (a step that ended
    // without 100).
    lastPercent_ = p == 100 ? 0 : p;
    Fortschritt(p);
}
