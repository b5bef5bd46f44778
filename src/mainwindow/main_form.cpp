#include "mainwindow/main_form.h"

#include "datagrid/dk_data_source.h"
#include "datagrid/dk_table.h"
#include "dialogs/program_options.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/data/data_source.h"
#include "platform/ui/com_ctrls.h"
#include "platform/ui/dialogs.h"
#include "shared/app_exception.h"
#include "shared/general_dates.h"
#include "shared/general_system.h"
#include "shared/nachrichten_dialog.h"
#include "shared/qk_find.h"
#include "shared/qk_ini.h"
#include "shared/status4_form.h"
#include "storage/action_log.h"
#include "storage/database_bridge.h"
#include "storage/dbf_routines.h"
#include "storage/tdbe.h"
#include "storage/tdbe_env.h"
#include "storage/tfts.h"

namespace {

TdkTable* NeueTabelle(const QString& name)
{
    auto* table = new TdkTable();
    table->Name = name;
    return table;
}

TDbe* NeuerDbe(TComponent* owner, const QString& name, TDataSource* source)
{
    auto* dbe = new TDbe(owner);
    dbe->Name = name;
    dbe->SetDataSource(source);
    return dbe;
}

// Opens the table alone, exclusively, without its production index (the
// engine reads no .CDX for this type): no other program can use the table or
// its index meanwhile, and an unreadable index cannot keep it from opening.
int TabelleAllein(TdkTable* table, TDbe* dbe, const QString& folder, const QString& name, QString& belegt)
{
    table->SetIndexName(QString());
    return DatenbankOeffnenPasswort(table, ttDXNTX, dbe, folder, name, QString(), true, false, false, nullptr,
                                    QString(), QString(), &belegt);
}

}  // namespace

TMainForm::TMainForm(TComponent* AOwner) : TForm(AOwner)
{
    Name = QStringLiteral("MainForm");
    SetCaption(QStringLiteral("QV-Lumadex  v1.50"));
    ProgrammPfad = ProgrammVerzeichnis();

    QKINI_Prog = new TQKINI(this);
    QKINI_Prog->Name = QStringLiteral("QKINI_Prog");
    QKINI_Prog->SetCaption(QStringLiteral("Main"));
    QKINI_Prog->SaveWinPos = swpSizePosition;
    QKINI_Prog->SaveLastRes = true;
    QKINI_Prog->SetINIFileName(WindowsVerzeichnis() + QStringLiteral("Lumadex.INI"));
    AppException1 = new TAppException(this);
    AppException1->Name = QStringLiteral("AppException1");
    AppException1->SetErrorLog(DefaultErrorLogName());

    // The engine settings of the form: German dates with century, soft seek.
    DbeEnv1 = new TDbeEnv(this);
    DbeEnv1->Name = QStringLiteral("DbeEnv1");
    DbeEnv1->SetCentury(true);
    DbeEnv1->SetDateFormat(dfGerman);
    DbeEnv1->SetSoftSeek(true);

    TableBilder = NeueTabelle(QStringLiteral("TableBilder"));
    TableBilder2 = NeueTabelle(QStringLiteral("TableBilder2"));
    TableBilder3 = NeueTabelle(QStringLiteral("TableBilder3"));
    TableBilderDatenbanken = NeueTabelle(QStringLiteral("TableBilderDatenbanken"));
    TableCheck = NeueTabelle(QStringLiteral("TableCheck"));
    DataSourceBilder = new TdkDataSource(TableBilder);
    DataSourceBilder2 = new TDataSource(TableBilder2);
    DataSourceBilder3 = new TDataSource(TableBilder3);
    DataSourceBilderDatenbanken = new TDataSource(TableBilderDatenbanken);
    DataSourceCheck = new TDataSource(TableCheck);
    DbeBilder = NeuerDbe(this, QStringLiteral("DbeBilder"), DataSourceBilder);
    DbeBilder2 = NeuerDbe(this, QStringLiteral("DbeBilder2"), DataSourceBilder2);
    DbeBilder3 = NeuerDbe(this, QStringLiteral("DbeBilder3"), DataSourceBilder3);
    DbeBilderDatenbanken = NeuerDbe(this, QStringLiteral("DbeBilderDatenbanken"), DataSourceBilderDatenbanken);
    DbeCheck = NeuerDbe(this, QStringLiteral("DbeCheck"), DataSourceCheck);
    TableBilder->AfterPost = [this](TDataSet* ds) { TableBilderAfterPost(ds); };
    TableBilderDatenbanken->BeforeDelete = [this](TDataSet* ds) { TableBilderDatenbankenBeforeDelete(ds); };
    TableBilderDatenbanken->AfterDelete = [this](TDataSet* ds) { TableBilderDatenbankenAfterDelete(ds); };

    FtsBilder = new TFts(this);
    FtsBilder->Name = QStringLiteral("FtsBilder");
    FtsBilder3 = new TFts(this);
    FtsBilder3->Name = QStringLiteral("FtsBilder3");

    TArbeitsbereichUmgebung& umgebung = *this;
    auto bereich = [&](TdkTable* table, TDbe* dbe, TDataSource* quelle, TFts* fts) {
        return std::make_unique<TArbeitsbereich>(table, dbe, quelle, fts, umgebung);
    };
    bereichBilder_ = bereich(TableBilder, DbeBilder, DataSourceBilder, FtsBilder);
    bereichBilder2_ = bereich(TableBilder2, DbeBilder2, DataSourceBilder2, nullptr);
    bereichBilder3_ = bereich(TableBilder3, DbeBilder3, DataSourceBilder3, FtsBilder3);
    bereichDatenbanken_ = bereich(TableBilderDatenbanken, DbeBilderDatenbanken, DataSourceBilderDatenbanken, nullptr);
    bereichCheck_ = bereich(TableCheck, DbeCheck, DataSourceCheck, nullptr);
    BereichBilder().NameSetzen(kStandardAlbum);
    BereichBilder().SortierungSetzen(1);  // ini "BilderActiveOrder"
    BereichDatenbanken().NameSetzen(kManagerTabelle);
    wartung_ = std::make_unique<TBilderWartung>(BereichBilder(), static_cast<TAlbumAnsicht&>(*this),
                                                static_cast<TWartungsUmgebung&>(*this));

    QKFind1 = new TQKFind(this);
    QKFind1->Name = QStringLiteral("QKFind1");
    QKFind1->OnFindFile = [this](TObject*, const TSearchRec& rec, const QString& path, const QString&) {
        LetzteGefundeneDatei = path + rec.Name;
    };
    QKFind2 = new TQKFind(this);
    QKFind2->Name = QStringLiteral("QKFind2");
    QKFind2->OnFindFile = [this](TObject*, const TSearchRec& rec, const QString& path, const QString&) {
        GefundeneAlben.Add(path + rec.Name);
    };
    OpenDialog1 = new TOpenDialog(this);
    OpenDialog1->Name = QStringLiteral("OpenDialog1");
    OpenDialog1->Filter = QStringLiteral("Fotoalben (*.dbf)|*.DBF");
    OpenDialog3 = new TOpenDialog(this);
    OpenDialog3->Name = QStringLiteral("OpenDialog3");
    OpenDialog3->Filter = QStringLiteral("Fotoalben-Manager (LXMan.dbf)|LXMan.DBF");

    StatusBarBilder1 = new TStatusBar(this);
    StatusBarBilder1->Name = QStringLiteral("StatusBarBilder1");
    StatusBarBilder1->SetParent(this);
    for (int i = 0; i < 5; ++i)
        StatusBarBilder1->Panels()->Add();
    StatusBarBilder2 = new TStatusBar(this);
    StatusBarBilder2->Name = QStringLiteral("StatusBarBilder2");
    StatusBarBilder2->SetParent(this);
    StatusBarBilder2->Panels()->Add();
    StatusBarBilder2->SetVisible(false);

    Einstellungen.VorgabenSetzen(ProgrammPfad);
    Einstellungen.Optionen = optionen_;
    FensterAufbauen();
    WerkzeugeEinrichten();
    DataSourceBilder->OnDataChange = [this](TDataSource*, TField*) { DataSourceBilderDataChange(nullptr); };
    // While another program holds an album's index, the record panel says
    // which album the program waits for; its own text comes back after.
    SetAlbumWaitNotice([this, gemerkt = QString()](const QString& text) mutable {
        TStatusPanel* panel = StatusBarBilder1->Panels()->Items(0);
        if (!text.isEmpty() && gemerkt.isNull())
            gemerkt = panel->Text();
        panel->SetText(text.isEmpty() ? gemerkt : text);
        if (text.isEmpty())
            gemerkt = QString();
        StatusBarBilder1->Repaint();
    });
}

TMainForm::~TMainForm()
{
    BeginDestroy();
    SetAlbumWaitNotice(nullptr);
    // The window's events must not reach this part of the object while the
    // form below it goes.
    delete fensterFilter_;
    OnKeyDown = nullptr;
    OnKeyUp = nullptr;
    OnMouseDown = nullptr;
    OnMouseUp = nullptr;
    OnShow = nullptr;
    OnClose = nullptr;
    OnActivate = nullptr;
    OnCreate = nullptr;
    Timer1->SetEnabled(false);
    Timer2->SetEnabled(false);
    Timer3->SetEnabled(false);
    Timer4->SetEnabled(false);
    // The options dialog reaches the window through its host: it goes first.
    optionenDialog_.reset();
    ProgrammOptionenForm = nullptr;
    for (TdkTable* t : {TableBilder, TableBilder2, TableBilder3, TableBilderDatenbanken, TableCheck}) {
        t->AfterPost = nullptr;
        t->AfterOpen = nullptr;
        t->BeforeDelete = nullptr;
        t->AfterDelete = nullptr;
        t->Close();
    }
    FtsBilder->Close();
    FtsBilder3->Close();
    for (TDbe* d : {DbeBilder, DbeBilder2, DbeBilder3, DbeBilderDatenbanken, DbeCheck})
        d->SetDataSource(nullptr);
    for (TDataSource* s : {DataSourceBilder, DataSourceBilder2, DataSourceBilder3, DataSourceBilderDatenbanken,
                           DataSourceCheck})
        delete s;
    for (TdkTable* t : {TableBilder, TableBilder2, TableBilder3, TableBilderDatenbanken, TableCheck})
        delete t;
}

void TMainForm::SetProgrammOptionen(TProgrammOptionenStand* optionen)
{
    optionen_ = optionen ? optionen : &eigeneOptionen_;
    Einstellungen.Optionen = optionen_;
}

void TMainForm::Protokoll(const QString& art, const QString& text)
{
    if (optionen_->CheckBoxProtokollieren)
        LogSchreiben(ProgrammPfad, QStringLiteral("LXLog.DBF"), art, text, QString());
}

void TMainForm::Hinweis(const QString& caption, const QString& text, int height)
{
    NachrichtenDialog(caption, text, RequesterAnzeigeZeit, height, clInfoBk, clBlack, true);
}

void TMainForm::FehlerKontextSetzen()
{
    QString position = QStringLiteral("0 / 0");
    if (TableBilder->Active())
        position = QString::number(DbeBilder->RecNo()) + QStringLiteral(" / ") + QString::number(DbeBilder->RecCount());
    AppException1->SetUserName(TableBilder->TableName() + QStringLiteral(", ") + position);
}

const QString TMainForm::kFehlerOeffnen =
    QStringLiteral("Fehler beim Öffnen, es handelt sich wahrscheinlich um keine Lumadex-Datenbank!");
const QString TMainForm::kFehlerOeffnenDefekt = QStringLiteral(
    "Fehler beim Öffnen, es handelt sich wahrscheinlich um keine Lumadex-Datenbank oder die Datenbank (Fotoalbum) "
    "ist defekt!");

bool TMainForm::TabelleOeffnen(TdkTable* table, TDbe* dbe, const QString& folder, const QString& name, bool exclusive,
                               QString* belegt)
{
    return DatenbankOeffnenPasswort(table, ttDXFOX, dbe, folder, name, QString(), exclusive, false, false, nullptr,
                                    QString(), QString(), belegt) == kDatenbankOffen;
}

void TMainForm::TabelleErzeugen(TdkTable* table, TDbe* dbe, const QString& datei, std::span<const TAlbumFeld> felder)
{
    TControlsDisabler aus(table);
    if (!dbe->CreateNew(datei, 2, static_cast<int>(felder.size()))) {
        MessageDlg(datei + QStringLiteral(" konnte nicht erzeugt werden, Sysop informieren  !"), mtWarning,
                   TMsgDlgButtons{mbOK});
        // The program ends as soon as control is back in its message loop.
        Application->Terminate();
        throw EAbort(QString());
    }
    for (const TAlbumFeld& f : felder)
        dbe->CreateField(QString::fromLatin1(f.Name), f.Typ, f.Breite, f.Dezimal);
    if (!dbe->CreateExec())
        MessageDlg(datei + QStringLiteral(" konnte nicht erzeugt werden !"), mtWarning, TMsgDlgButtons{mbOK});
}

bool TMainForm::TabelleOeffnenOderFehler(TdkTable* table, TDbe* dbe, const QString& folder, const QString& name,
                                         bool exclusive, const QString& fehler, QString* belegt)
{
    try {
        return TabelleOeffnen(table, dbe, folder, name, exclusive, belegt);
    } catch (const std::exception&) {
        Screen->SetCursor(crDefault);
        FehlerKontextSetzen();
        throw Exception(fehler);
    }
}

bool TMainForm::HatAlleTags(TDbe* dbe, const TAlbumTag* tags, int count)
{
    TStringList namen;
    for (int n = 1;; ++n) {
        const QString name = dbe->TagName(n);
        if (name.isEmpty())
            break;
        namen.Add(name.toUpper());
    }
    for (int i = 0; i < count; ++i)
        if (namen.IndexOf(QString::fromLatin1(tags[i].Name).toUpper()) < 0)
            return false;
    return true;
}

void TMainForm::TagsErzeugen(TDbe* dbe, const TAlbumTag* tags, int count, int schritte, const QString& text)
{
    StatusSchritte = static_cast<uint16_t>(schritte);
    std::unique_ptr<TStatus4Frm> status(new TStatus4Frm(Application));
    status->Label1->SetCaption(text);
    status->Show();
    status->Panel2->SetVisible(true);
    Application->ProcessMessages();
    dbe->SetGaugeHook([w = status.get()](uint32_t done, uint32_t total) { TStatus4Frm::GaugeHook(w, done, total); });
    aktiverStatus_ = status.get();
    // Each tag is one step of the window: the engine reports every index
    // operation from its first percentage up to 100.
    for (int i = 0; i < count; ++i)
        dbe->IndexTag(QString(), QString::fromLatin1(tags[i].Name), QString::fromLatin1(tags[i].Schluessel), 0, 0,
                      QString::fromLatin1(tags[i].Bedingung));
    dbe->SetGaugeHook(nullptr);
    aktiverStatus_ = nullptr;
}

bool TMainForm::IndexBeiseiteLegen(const QString& folder, const QString& name, QString& belegt)
{
    TableCheck->Close();
    int offen = kDatenbankFehler;
    try {
        offen = TabelleAllein(TableCheck, DbeCheck, folder, name, belegt);
    } catch (const std::exception&) {
        offen = kDatenbankFehler;
    }
    if (offen != kDatenbankOffen)
        return false;
    const QString index = TAlbumDateien(folder, name).Cdx();
    const QString beiseite = index + QStringLiteral(".bad");
    DeleteFile(beiseite);
    const bool verschoben = RenameFile(index, beiseite);
    TableCheck->Close();
    return verschoben;
}

bool TMainForm::IndexNeuAufbauen(TdkTable* table, TDbe* dbe, const QString& folder, const QString& name,
                                 const TAlbumTag* tags, int count, QString* belegt)
{
    Screen->SetCursor(crHourGlass);
    table->Close();
    // The index is replaced only while this program holds the table
    // exclusively: an album another program uses keeps the index that
    // program works with, and nothing is written.
    QString inBenutzung;
    int exklusiv = kDatenbankFehler;
    try {
        exklusiv = TabelleAllein(table, dbe, folder, name, inBenutzung);
    } catch (const std::exception&) {
        Screen->SetCursor(crDefault);
        FehlerKontextSetzen();
        throw Exception(kFehlerOeffnenDefekt);
    }
    if (exklusiv == kDatenbankOffen) {
        // A production index that lacks tags (or is left from another
        // layout) is replaced whole, so the tags stand in their order of
        // creation.
        DeleteFile(TAlbumDateien(folder, name).Cdx());
        TagsErzeugen(dbe, tags, count, 34,
                     QStringLiteral("Bilderdatenbank (Fotoalbum) wird indiziert, bitte warten...."));
    } else {
        Screen->SetCursor(crDefault);
        ShowMessage(!inBenutzung.isEmpty() ? inBenutzung : QStringLiteral("Fehler beim Öffnen der ") + folder + name);
        if (belegt)
            *belegt = inBenutzung;
    }
    table->Close();
    QString wiederBelegt;
    const bool offen = TabelleOeffnen(table, dbe, folder, name, false, &wiederBelegt);
    if (!offen && (wiederBelegt.isEmpty() || inBenutzung.isEmpty())) {
        Screen->SetCursor(crDefault);
        ShowMessage(!wiederBelegt.isEmpty() ? wiederBelegt : QStringLiteral("Fehler beim Öffnen der ") + folder + name);
    }
    return offen;
}

void TMainForm::BilderIndexDaten()
{
    Screen->SetCursor(crHourGlass);
    BereichBilder().Tags().Clear();
    const int gemerkt = DbeBilder->SetOrder(1);
    for (int n = 1; n <= 255; ++n) {
        DbeBilder->SetOrder(n);
        const QString name = DbeBilder->TagName(n);
        if (name.isEmpty())
            break;
        BereichBilder().Tags().Add(name);
    }
    DbeBilder->SetOrder(gemerkt);
    Screen->SetCursor(crDefault);
}

void TMainForm::BilderSatzAnzahlZeigen()
{
    BilderSatzAnzahlZeigen(TableBilder->Active() ? DbeBilder->QueryRecCount() : 0);
}

void TMainForm::BilderSatzAnzahlZeigen(uint32_t gezeigt)
{
    if (!TableBilder->Active()) {
        StatusBarBilder1->Panels()->Items(1)->SetText(QStringLiteral("0 von 0 Einträge angezeigt"));
        return;
    }
    StatusBarBilder1->Panels()->Items(1)->SetText(QString::number(gezeigt) +
                                                  QStringLiteral(" von ") + QString::number(DbeBilder->RecCount()) +
                                                  QStringLiteral(" Einträge angezeigt"));
    BilderBytesZeigen();
}

QString TMainForm::ZeitMeldung() const { return StopUhr(QStringLiteral("STOP")); }
