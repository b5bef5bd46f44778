// The main window's side of copying entries into another album: the copy
// object over the open album and the target album of the third work area,
// and what it needs of the window (the file dialog, opening the target and
// the indexes, the manager table, the options and the abort flag): the file
// dialog and the options here, the rest through the open album and the
// program's services.
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
    explicit TMainFormKopien(TMainForm& f) : f_(f), kopien_(f.Album(), f.AlbumAnsicht(), f.Dienste(), *this) {}
    TBilderKopien& Kopien() { return kopien_; }

private:
    bool ZielDateiWaehlen(const QString& ordner, const QString& vorschlag, QString& gewaehlt) override
    {
        f_.OpenDialog1->InitialDir = ordner;
        f_.OpenDialog1->FileName = vorschlag;
        if (!f_.OpenDialog1->Execute())
            return false;
        gewaehlt = f_.OpenDialog1->FileName;
        return true;
    }
    const TProgrammOptionenStand& Optionen() const override { return *f_.ProgrammOptionen(); }

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
    return !temp.isEmpty() && DirectoryExists(temp) ? IncludeTrailingBackslash(temp) : lauf_.ProgrammPfad();
}

void TMainForm::KopiereSaetzeInNeuesFotoalbum() { Kopien().SaetzeInNeuesFotoalbumKopieren(); }

bool TMainForm::EintragInZielKopieren(const QString& neuerPfad) { return Kopien().EintragKopieren(neuerPfad); }

// The thinned copy of an album for a CD-R: packing renumbers its entries,
// so its full-text index is made anew to match (a disc could not do it).
void TMainForm::PackeKopierteDBF() { Kopien().ZielPackenMitVolltext(); }

bool TMainForm::SchreibeVorschauBildUndBildPfadInNeueBilderDBF() { return Kopien().VorschauBildKopieren(); }
