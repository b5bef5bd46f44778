// The album manager: its table LXMan.DBF (creation, opening with its index,
// registration of albums with their statistics, deletion of rows) and the
// main window's side of the album manager dialog (TMainFormAlbumManager).
#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "dialogs/album_manager.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/data/field.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "shared/app_exception.h"
#include "shared/general_files.h"
#include "shared/general_texts.h"
#include "shared/qk_ini.h"
#include "shared/utility_files.h"
#include "storage/dbf_routines.h"
#include "storage/grid_settings.h"
#include "storage/tdbe.h"
#include "storage/tfts.h"

int TMainForm::ErzeugeBilderDatenbankenVerwaltung(const QString& Path, const QString& FileName)
{
    return album_->ManagerErzeugen(Path, FileName);
}

int TMainForm::BilderDBFsOeffnen() { return album_->ManagerOeffnen(); }
void TMainForm::ManagerFelderEinrichten() { album_->ManagerFelderEinrichten(); }

void TMainForm::BilderDBFinDBFVerwaltungEintragen(const QString& FullPath, int NewEntry, int ByFileName)
{
    album_->ImManagerEintragen(FullPath, NewEntry, ByFileName);
}

void TMainForm::TableBilderDatenbankenBeforeDelete(TDataSet* DataSet) { album_->VorManagerZeileLoeschen(DataSet); }

void TMainForm::TableBilderDatenbankenAfterDelete(TDataSet*) { album_->NachManagerZeileLoeschen(); }

// The main window's side of the album manager dialog: it shows the dialog
// over the open album and the program's services, and answers what the
// dialog and its CD-R preparation need of the window itself.
class TMainFormAlbumManager : public TAlbumManagerDialog, public TAlbumManagerUmgebung {
public:
    explicit TMainFormAlbumManager(TMainForm& f) : f_(f) {}

    // ---- TAlbumManagerDialog ----
    void Zeigen() override
    {
        TBilderDBFManagerForm form(nullptr, f_.Album(), f_.Dienste(), *this);
        offen_ = &form;
        struct Ende {
            TBilderDBFManagerForm*& f;
            ~Ende() { f = nullptr; }
        } ende{offen_};
        form.ShowModal();
    }
    void GeoeffneteDBFinDBFVerwaltungEintragen(int mode) override
    {
        f_.BilderDBFinDBFVerwaltungEintragen(f_.BereichBilder().Dateien().Dbf(), mode != 0 ? 1 : 0, 0);
    }
    void ManagerLeer() override
    {
        if (offen_)
            offen_->ManagerLeer();
    }

    // ---- TAlbumManagerUmgebung ----
    TProgrammEinstellungen& Optionen() override { return *f_.ProgrammOptionen(); }
    void AnsichtZeigen(bool zeigen) override
    {
        f_.PanelBilderGrid->SetVisible(zeigen);
        f_.PageControlBilderdaten->SetVisible(
            zeigen && f_.QKINI_Prog->INIReadBool(QStringLiteral("Einstellungen Bilder"),
                                                 QStringLiteral("EinzelsatzAnzeige"), true));
    }
    void VorschauNeuLaden() override { f_.PanelVorschaubild1->Tag = 0; }
    bool GridSettingsSichern() override
    {
        bool ok = true;
        if (f_.Anzeige().GridLayoutMerker && f_.TableBilder->Active()) {
            try {
                GridSettingsSpeichern(f_.QKINI_Prog, QStringLiteral("BilderFieldPosition"),
                                      QStringLiteral("BilderFieldWidth"), f_.TableBilder);
            } catch (const std::exception&) {
                ok = false;
            }
        }
        f_.Anzeige().GridLayoutMerker = false;
        return ok;
    }
    bool GridSettingsLesen() override
    {
        if (!f_.TableBilder->Active())
            return true;
        try {
            ::GridSettingsLesen(f_.QKINI_Prog, QStringLiteral("BilderFieldPosition"), QStringLiteral("BilderFieldWidth"),
                                f_.TableBilder);
        } catch (const std::exception&) {
            return false;
        }
        return true;
    }
    // The help file's context numbers of the two topics.
    void Hilfe(const QString& thema) override
    {
        Application->HelpContext(thema == QLatin1String("Hlp_CDR_erstellen") ? 7121 : 7120);
    }
    bool CDRStart() const override { return f_.CDRStartFlag; }
    void PackeKopierteDBF() override { f_.PackeKopierteDBF(); }

private:
    TMainForm& f_;
    TBilderDBFManagerForm* offen_ = nullptr;
};

void TMainForm::TAlbumManagerLoescher::operator()(TMainFormAlbumManager* m) const { delete m; }

void TMainForm::AlbumManagerEinrichten()
{
    albumManagerFenster_.reset(new TMainFormAlbumManager(*this));
    SetAlbumManager(albumManagerFenster_.get());
}
