#include "mainwindow/main_options.h"

#include "datagrid/dk_table.h"
#include "dialogs/program_options.h"
#include "mainwindow/main_form.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/std_ctrls.h"
#include "shared/qk_ini.h"

QString TMainFormOptionen::IniDatei() const { return form_.QKINI_Prog->IniPath(); }

void TMainFormOptionen::EinstellungenLesen(TProgrammEinstellungen& e)
{
    e.Lesen(IniDatei());
    form_.Dienste().Lauf().AnzeigeZeitSetzen(e.Zahl(QStringLiteral("RequesterAnzeigeZeit")));
    e.OrdnerAnlegen();
}

void TMainFormOptionen::EinstellungenSchreiben(const TProgrammEinstellungen& e) { e.Schreiben(IniDatei()); }

void TMainFormOptionen::PrgWavSpielen(int nummer, int) { form_.PrgWavSpielen(nummer); }

void TMainFormOptionen::FeldfarbenSetzen() { form_.FeldfarbenSetzen(); }

void TMainFormOptionen::AlbumTabelleAktualisieren()
{
    if (form_.TableBilder->Active())
        form_.TableBilder->Refresh();
}

void TMainFormOptionen::HintZeitenSetzen(int pauseMs, int hidePauseMs)
{
    Application->HintPause = pauseMs;
    Application->HintHidePause = hidePauseMs;
}

void TMainFormOptionen::OptionenAnwenden()
{
    const TProgrammEinstellungen* e = form_.ProgrammOptionen();
    Application->ShowHint = e->Bool(QStringLiteral("Maushilfe"));
    const int pause = e->Zahl(QStringLiteral("MouseHintTime"));
    HintZeitenSetzen(pause == 0 ? 200 : pause * 1000, e->Zahl(QStringLiteral("HintHidePause")) * 1000);
}

QString TMainFormOptionen::BilderDBFPfad() const
{
    return form_.BereichBilder().Ordner();
}

QString TMainFormOptionen::GruppenListeDatei() const
{
    return form_.BereichBilder().Dateien().Gpr();
}

QString TMainFormOptionen::QuellenListeDatei() const
{
    return form_.BereichBilder().Dateien().Qul();
}

void TMainFormOptionen::PickListeSetzen(int liste, const QStringList& eintraege)
{
    if (liste == 0 || liste == 1)
        PickListe[liste] = eintraege;
}

void TMainFormOptionen::ZielverzeichnisSetzen(const QString&, const TStringList* bmpDateien)
{
    if (bmpDateien)
        ZielBilder.Assign(*bmpDateien);
}

namespace {

// Whether a component takes the font of a font combo entry (1..8).
bool NimmtSchrift(int index, TComponent* c)
{
    switch (index) {
    case 4:
        return dynamic_cast<TLabel*>(c) != nullptr;
    case 5:
        return dynamic_cast<TStatusBar*>(c) != nullptr;
    case 7:
        return dynamic_cast<TCheckBox*>(c) != nullptr;
    case 8:
        return dynamic_cast<TRadioButton*>(c) != nullptr;
    default:
        // The data-aware grids, edits and combos of entries 1, 2, 3 and 6
        // are not on this main window.
        return false;
    }
}

}  // namespace

void TMainFormOptionen::SchriftHolen(int index, TFont& schrift)
{
    schrift.Assign(index == 5 ? form_.StatusBarBilder1->Font() : form_.Font());
    for (int i = 0; i < form_.ComponentCount(); ++i)
        if (NimmtSchrift(index, form_.Components(i))) {
            if (auto* c = dynamic_cast<TControl*>(form_.Components(i)))
                schrift.Assign(c->Font());
            return;
        }
}

void TMainFormOptionen::SchriftZuweisen(int index, const TFont& schrift)
{
    for (int i = 0; i < form_.ComponentCount(); ++i) {
        Application->ProcessMessages();
        if (NimmtSchrift(index, form_.Components(i)))
            if (auto* c = dynamic_cast<TControl*>(form_.Components(i)))
                c->SetFont(&schrift);
    }
}

// The full-size view and its caption window are not part of this main
// window; the view reads the stored font and colour when it opens.
void TMainFormOptionen::TextVollbildSetzen(const TFont* schrift, TColor farbe)
{
    form_.TextVollbildAnpassen(schrift, farbe);
}

void TMainFormOptionen::Hilfe(const QString&)
{
    // The help topics belong to the options dialog's help context.
    Application->HelpContext(320);
}

// ---------------------------------------------------------------------------

TMainFormOptionenDialog::TMainFormOptionenDialog(TMainForm& form)
    : form_(form), anbindung_(form), dialog_(std::make_unique<TProgrammOptionen>(nullptr, anbindung_))
{
    form_.SetProgrammOptionen(&dialog_->Einstellungen());
}

TMainFormOptionenDialog::~TMainFormOptionenDialog() { form_.SetProgrammOptionen(nullptr); }

void TMainFormOptionenDialog::Einstellungen1Click(TObject*) { dialog_->Zeigen(rtAllgemein); }

void TMainFormOptionenDialog::OptionenBilder1Click(TObject*)
{
    dialog_->Zeigen(-1);
    dialog_->ReadPlayListFromMemo();
    dialog_->ReadQuellenFromMemo();
}

void TMainFormOptionenDialog::Optionen1Click(TObject*)
{
    dialog_->Zeigen(rtBilder);
    Application->ShowHint = false;
}
