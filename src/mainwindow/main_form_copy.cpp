// The main window's side of copying entries into another album: the copy
// object over the open album and the target album of the third work area,
// and what it needs of the window (the file dialog, opening the target and
// the indexes, the manager table, the options and the abort flag).
#include "mainwindow/main_form.h"

#include "mainwindow/bilder_kopien.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/ui/dialogs.h"
#include "storage/dbf_routines.h"

// The copy object and what it reaches of the window.
class TMainFormKopien : private TBilderKopienUmgebung {
public:
    explicit TMainFormKopien(TMainForm& f)
        : f_(f), kopien_(f.BereichBilder(), f.BereichBilder3(), f.AlbumAnsicht(), *this)
    {
    }
    TBilderKopien& Kopien() { return kopien_; }

private:
    static_assert(kAlbumBelegt == TMainForm::kAlbumBelegt);

    bool ZielDateiWaehlen(const QString& ordner, const QString& vorschlag, QString& gewaehlt) override
    {
        f_.OpenDialog1->InitialDir = ordner;
        f_.OpenDialog1->FileName = vorschlag;
        if (!f_.OpenDialog1->Execute())
            return false;
        gewaehlt = f_.OpenDialog1->FileName;
        return true;
    }
    int AlbumPruefen(const QString& ordner, const QString& name) override { return f_.BilderDBFChecken2(ordner, name); }
    void ZielTabelleOeffnen() override { f_.Bilder3DBFOeffnen(); }
    void ZielVolltextOeffnen() override { f_.OeffneBilder3FTS(); }
    void ZielVolltextEintragen() override { f_.FTSBilder3Add(); }
    void AlbumVolltextOeffnen() override { f_.OeffneBilderFTS(); }
    QString TempOrdner() const override { return f_.VorschauTempOrdner(); }
    const TProgrammOptionenStand& Optionen() const override { return *f_.ProgrammOptionen(); }
    bool Abbruch() const override { return f_.Lauf().Abbruch; }
    void AbbruchZuruecksetzen() override { f_.Lauf().Abbruch = false; }
    void FehlerKontextSetzen() override { f_.FehlerKontextSetzen(); }
    void Protokoll(const QString& art, const QString& text) override { f_.Protokoll(art, text); }
    void Hinweis(const QString& caption, const QString& text, int height) override
    {
        f_.Hinweis(caption, text, height);
    }
    bool ManagerBereit() override { return f_.BilderDBFsOeffnen() != 0 && f_.TableBilderDatenbanken->Active(); }
    bool ImManager(const QString& pfad) override
    {
        return DatensatzSuchen(f_.DbeBilderDatenbanken, QStringLiteral("PFAD"), pfad) != 0;
    }
    void ImManagerEintragen(const QString& datei) override { f_.BilderDBFinDBFVerwaltungEintragen(datei, 1, 0); }

    TMainForm& f_;
    TBilderKopien kopien_;
};

void TMainForm::TKopienLoescher::operator()(TMainFormKopien* k) const { delete k; }

TBilderKopien& TMainForm::Kopien()
{
    if (!kopien_)
        kopien_.reset(new TMainFormKopien(*this));
    return kopien_->Kopien();
}

QString TMainForm::VorschauTempOrdner() const
{
    const QString temp = optionen_->EditTempDir;
    return !temp.isEmpty() && DirectoryExists(temp) ? IncludeTrailingBackslash(temp) : lauf_.ProgrammPfad;
}

void TMainForm::KopiereSaetzeInNeuesFotoalbum() { Kopien().SaetzeInNeuesFotoalbumKopieren(); }

bool TMainForm::EintragInZielKopieren(const QString& neuerPfad) { return Kopien().EintragKopieren(neuerPfad); }

void TMainForm::PackeKopierteDBF() { Kopien().ZielPacken(); }

bool TMainForm::SchreibeVorschauBildUndBildPfadInNeueBilderDBF() { return Kopien().VorschauBildKopieren(); }
