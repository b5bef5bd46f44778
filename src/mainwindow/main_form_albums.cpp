// Creating, checking and opening albums: the open album, its second view,
// the target album of copies, the guard of album commands and the change to
// another album.
#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/dialogs.h"
#include "shared/app_exception.h"
#include "shared/general_files.h"
#include "shared/general_texts.h"
#include "shared/qk_ini.h"
#include "storage/dbf_routines.h"
#include "storage/grid_settings.h"
#include "storage/tdbe.h"
#include "storage/tdbe_env.h"

#include <QFileInfo>
#include <QImageReader>

namespace {

const QString kSektionBilder = QStringLiteral("Einstellungen Bilder");

}  // namespace

// ---------------------------------------------------------------------------
// Album record
// ---------------------------------------------------------------------------

int TMainForm::ErzeugeBilderDatenbank(const QString& Path, const QString& FileName)
{
    return album_->Erzeugen(Path, FileName);
}

bool TMainForm::IstBildZielFormat(const QString& FileName, int Kantenlaenge)
{
    try {
        if (FileSizeOf(FileName) == 0) {
            Protokoll(QStringLiteral("Fehler"), QStringLiteral("IstBildZielFormat(), ") + FileName +
                                                    QStringLiteral(" hat NULL-Länge !"));
            return false;
        }
        const std::optional<QString> datei = WinToLinux(FileName);
        if (!datei)
            throw Exception(FileName);
        // A picture whose header cannot be read has no size: it is judged on
        // its own, never by the size of the picture looked at before it.
        QImageReader reader(*datei);
        const QSize groesse = reader.size();
        ZielBildBreite = groesse.isValid() ? groesse.width() : 0;
        ZielBildHoehe = groesse.isValid() ? groesse.height() : 0;
        if (!groesse.isValid())
            return false;
        return Kantenlaenge == groesse.width() || Kantenlaenge == groesse.height();
    } catch (const std::exception&) {
        Screen->SetCursor(crDefault);
        const QString text = QStringLiteral("Fehler beim Ermitteln der Bilderkantenlänge ! (") + FileName + ")";
        Protokoll(QStringLiteral("Fehler"), QStringLiteral("IstBildZielFormat(), ") + text);
        FehlerKontextSetzen();
        throw Exception(text);
    }
}

// ---------------------------------------------------------------------------
// Integrity check
// ---------------------------------------------------------------------------

int TMainForm::BilderDBFChecken() { return album_->Pruefen(); }

int TMainForm::BilderDBFChecken2(const QString& Folder, const QString& FileName)
{
    return album_->AlbumPruefen(Folder, FileName);
}

// ---------------------------------------------------------------------------
// Pick lists
// ---------------------------------------------------------------------------

void TMainForm::GridLayoutSichern()
{
    if (!anzeige_.GridLayoutMerker)
        return;
    try {
        GridSettingsSpeichern(QKINI_Prog, QStringLiteral("BilderFieldPosition"), QStringLiteral("BilderFieldWidth"),
                              TableBilder);
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Fehler beim Speichern der BilderGridsettings!"));
    }
    anzeige_.GridLayoutMerker = false;
}

void TMainForm::GridLayoutZuruecklesen()
{
    try {
        GridSettingsLesen(QKINI_Prog, QStringLiteral("BilderFieldPosition"), QStringLiteral("BilderFieldWidth"),
                          TableBilder);
    } catch (const std::exception&) {
        ShowMessage(QStringLiteral("Fehler beim Lesen der BilderGridsettings!"));
    }
}

void TMainForm::PicklistenNeuLesen()
{
    optionen_->ReadPlayListFromMemo(BereichBilder().Dateien().Gpr());
    optionen_->ReadQuellenFromMemo(BereichBilder().Dateien().Qul());
}

void TMainForm::PicklistenUebernehmen(bool nurWennKeinCD)
{
    const bool beschreibbar = !nurWennKeinCD || LaufwerksTyp(BereichBilder().Ordner().left(1) +
                                                             QStringLiteral(":\\")) != QLatin1String("CDROM");
    struct {
        QString datei;
        TStringList& liste;
        const char* frage;
    } const listen[] = {
        {BereichBilder().Dateien().Gpr(), optionen_->MemoGruppenListe,
         "Gruppendefinition von letzten Fotoalbum übernehmen?"},
        {BereichBilder().Dateien().Qul(), optionen_->MemoQuellenListe,
         "Quellendefinition von letzten Fotoalbum übernehmen?"},
    };
    for (const auto& l : listen) {
        if (FileExists(l.datei) || l.liste.Count() <= 1)
            continue;
        if (MessageDlg(QString::fromUtf8(l.frage), mtInformation, TMsgDlgButtons{mbYes, mbNo}) == mrYes &&
            beschreibbar)
            l.liste.SaveToFile(l.datei);
    }
}

// ---------------------------------------------------------------------------
// Opening the album
// ---------------------------------------------------------------------------

int TMainForm::BilderDBFOeffnen() { return album_->Oeffnen(); }
int TMainForm::Bilder2DBFOeffnen() { return album_->ZweiteAnsichtOeffnen(); }
void TMainForm::Bilder3DBFOeffnen() { album_->ZielOeffnen(); }
int TMainForm::BilderDBFOffen() { return album_->Offen(); }

// The window's steps of the album's lifecycle.
void TMainForm::AlbumNameZeigen(const QString& dbf) { StatusBarBilder2->Panels()->Items(0)->SetText(dbf); }

void TMainForm::AlbumGeoeffnet(const QString& tabelle)
{
    FeldfarbenSetzen();
    if (!ErsteCaption.isEmpty())
        SetCaption(ErsteCaption + QStringLiteral(" (") + tabelle + QStringLiteral(")"));
}

// What the open album's lifecycle reaches of the window: the options, the
// manager's file dialog and dialog, the pick lists and the filters.
class TMainFormAlbum : public TOffenesAlbumUmgebung {
public:
    explicit TMainFormAlbum(TMainForm& f) : f_(f) {}

private:
    bool AlleMeldungen() const override { return f_.optionen_->CheckBoxAlleMeldungen; }
    QString ManagerOrdner() const override { return f_.optionen_->EditDatenbankenVerzeichnis; }
    void ManagerOrdnerSetzen(const QString& ordner) override { f_.optionen_->EditDatenbankenVerzeichnis = ordner; }
    bool ManagerTabelleWaehlen(const QString& ordner, const QString& name, QString& gewaehlt) override
    {
        f_.OpenDialog3->InitialDir = ordner;
        f_.OpenDialog3->FileName = name;
        if (!f_.OpenDialog3->Execute())
            return false;
        gewaehlt = f_.OpenDialog3->FileName;
        return true;
    }
    TAlbumManagerDialog* AlbumManager() override { return f_.AlbumManager(); }
    void AnderesAlbumWaehlen() override { f_.AndereBilderdatenbankoeffnen1Click(nullptr); }
    void PicklistenUebernehmen(bool nurWennKeinCD) override { f_.PicklistenUebernehmen(nurWennKeinCD); }
    void PicklistenNeuLesen() override { f_.PicklistenNeuLesen(); }
    void AlbumGewechselt() override { f_.Filter().NachAlbumwechsel(); }
    void VolltextNeu() override { f_.Filter().VolltextSuchTextLeeren(); }

    TMainForm& f_;
};

void TMainForm::TAlbumLoescher::operator()(TMainFormAlbum* a) const { delete a; }

void TMainForm::AlbumEinrichten()
{
    albumUmgebung_.reset(new TMainFormAlbum(*this));
    album_ = std::make_unique<TOffenesAlbum>(BereichBilder(), BereichBilder2(), BereichBilder3(),
                                             BereichDatenbanken(), BereichCheck(), DbeEnv1,
                                             static_cast<TAlbumAnsicht&>(*this),
                                             static_cast<TProgrammDienste&>(*this), *albumUmgebung_);
    wartung_ = std::make_unique<TBilderWartung>(*album_, static_cast<TAlbumAnsicht&>(*this),
                                                static_cast<TProgrammDienste&>(*this),
                                                static_cast<TWartungsUmgebung&>(*this));
}

void TMainForm::AndereBilderdatenbankoeffnen1Click(TObject* Sender)
{
    GridLayoutSichern();
    Protokoll(QStringLiteral("Info"), QStringLiteral("AndereBilderdatenbankoeffnen1Click(), Funktion aufgerufen!"));
    if (BilderDBFsOeffnen() == 0)
        return;
    if (auto* component = dynamic_cast<TComponent*>(Sender))
        PrgWavSpielen(component->Tag);
    const QString vorher = TableBilder->DatabaseName() + TableBilder->TableName();
    if (AlbumManager())
        AlbumManager()->Zeigen();
    if (!TableBilder->Active()) {
        if (!ErsteCaption.isEmpty())
            SetCaption(ErsteCaption);
        BildLaden(ImageWindow2, lauf_.ProgrammPfad() + QStringLiteral("Logo.jpg"));
        Hinweis(QStringLiteral("Hinweis"), QStringLiteral("Es ist kein Fotoalbum geöffnet !"), 130);
        StatusBarBilder1->Panels()->Items(1)->SetText(QStringLiteral("0 von 0 Einträge angezeigt"));
        StatusBarBilder2->Panels()->Items(0)->SetText(QString());
        return;
    }
    if (TableBilder->DatabaseName() + TableBilder->TableName() != vorher) {
        PanelBilderGrid->SetVisible(false);
        PageControlBilderdaten->SetVisible(false);
        GridLayoutZuruecklesen();
        PanelVorschaubild1->Tag = 0;
        AlbumAnsichtenNachWechsel();
        PanelBilderGrid->SetVisible(true);
        PageControlBilderdaten->SetVisible(
            QKINI_Prog->INIReadBool(QStringLiteral("Einstellungen Bilder"), QStringLiteral("EinzelsatzAnzeige"), true));
    }
}
