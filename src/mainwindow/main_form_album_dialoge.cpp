// The copy/move and delete commands of the main window and what their
// dialogs reach of it beside the open album and the program's services:
// the views around a run, the viewer, the filter command, the options and
// the copy object's steps on the target album of copies.

#include "mainwindow/main_form.h"

#include "mainwindow/bilder_kopien.h"

#include "datagrid/dk_table.h"
#include "dialogs/album_dialog_host.h"
#include "dialogs/bilder_kopieren.h"
#include "dialogs/bilder_loeschen.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"
#include "storage/tdbe.h"

#include <cstring>

class TMainFormAlbumDialoge : public TComponent, public TAlbumDialogHauptfenster {
public:
    explicit TMainFormAlbumDialoge(TMainForm& f) : TComponent(&f), f_(f) {}

    TAlbumDialogOptionen AlbumDialogOptionen() const override
    {
        TAlbumDialogOptionen a;
        a.Sicherheitsabfragen = f_.Einstellungen().Bool("Sicherheitsabfragen");
        a.Infofarbe = clInfoBk;
        return a;
    }
    void Hilfe(const QString&) override { Application->HelpCommand(HELP_CONTENTS, 0); }
    void AnsichtenZeigen(bool sichtbar) override
    {
        f_.PanelBilderGrid->SetVisible(sichtbar);
        f_.PageControlBilderdaten->SetVisible(sichtbar);
    }
    void VorschauBildZeigen() override { f_.ZeigeVorschauBildAusBlob(); }
    void VollbildAnzeigen() override { f_.VollbildOhneSlideShow(); }
    void BilderOhneFilter() override
    {
        if (f_.HandlerVorhanden("BilderOhneFilter1Click")) {
            f_.Handler("BilderOhneFilter1Click")(nullptr);
            return;
        }
        // Without the filter commands the run's end shows all entries itself.
        if (f_.TableBilder->Active()) {
            f_.DbeBilder->Query(QString());
            f_.TableBilder->Refresh();
        }
        f_.BilderSatzAnzahlZeigen();
    }

    bool ZielAlbumOeffnen(const QString& ordner, const QString& name) override
    {
        return f_.Kopien().ZielAlbumOeffnen(ordner, name);
    }
    bool EintragInZielKopieren(const QString& neuerPfad) override { return f_.Kopien().EintragKopieren(neuerPfad); }
    void ZielAlbumPacken() override { f_.Kopien().ZielPackenMitVolltext(); }
    void AlbumPacken() override { f_.Handler("BilderDBFpacken1Click")(nullptr); }

private:
    TMainForm& f_;
};

namespace {

struct TKopierBefehlName {
    const char* Name;
    TMainForm::TBefehlsMethode Methode;
};

const TKopierBefehlName kKopierBefehle[] = {
    {"BilderKopierenClick", &TMainForm::BilderKopierenClick},
    {"Bilderverschieben1Click", &TMainForm::BilderKopierenClick},
    {"QKAutoButtonBilderKopierenClick", &TMainForm::BilderKopierenClick},
    {"BilderLoeschenClick", &TMainForm::BilderLoeschenClick},
    {"QKAutoButtonLoeschenClick", &TMainForm::BilderLoeschenClick},
};

}  // namespace

TMainForm::TBefehlsMethode TMainForm::KopierBefehl(const char* name)
{
    for (const TKopierBefehlName& b : kKopierBefehle)
        if (std::strcmp(b.Name, name) == 0)
            return b.Methode;
    return nullptr;
}

void TMainForm::BilderKopierenClick(TObject* Sender)
{
    Ton(Sender);
    Protokoll(QStringLiteral("Info"), QStringLiteral("BilderKopierenClick(), Funktion aufgerufen!"));
    if (BilderDBFOffen() == 0)
        return;
    GridLayoutSichern();
    if (!albumDialoge_)
        albumDialoge_ = new TMainFormAlbumDialoge(*this);
    TBilderKopierenForm form(this, *albumDialoge_, Album(), Dienste());
    form.ShowModal();
}

void TMainForm::BilderLoeschenClick(TObject* Sender)
{
    Ton(Sender);
    Protokoll(QStringLiteral("Info"), QStringLiteral("BilderLoeschenClick(), Funktion aufgerufen!"));
    if (BilderDBFOffen() == 0)
        return;
    GridLayoutSichern();
    if (!albumDialoge_)
        albumDialoge_ = new TMainFormAlbumDialoge(*this);
    {
        TBilderLoeschenForm form(this, *albumDialoge_, Album(), Dienste());
        form.ShowModal();
        // The shown count keeps counting deleted entries, so the thumbnail
        // page would not see that it has to read its pictures again.
        if (form.Geloescht > 0)
            AlbumAnsicht().VorschaubilderVeraltet();
    }
    AufSichtbarenEintrag();
    ZeigeVorschauBildAusBlob();
    BilderSatzAnzahlZeigen();
}
