#include "mainwindow/main_form.h"

#include "datacontrols/dk_record_view.h"
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

}  // namespace

TMainForm::TMainForm(TComponent* AOwner) : TForm(AOwner)
{
    Name = QStringLiteral("MainForm");
    SetCaption(QStringLiteral("QV-Lumadex  v1.50"));
    lauf_.ProgrammPfadSetzen(ProgrammVerzeichnis());

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

    TProgrammDienste& umgebung = *this;
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
    AlbumEinrichten();

    QKFind1 = new TQKFind(this);
    QKFind1->Name = QStringLiteral("QKFind1");
    QKFind1->OnFindFile = [this](TObject*, const TSearchRec& rec, const QString& path, const QString&) {
        letzteGefundeneDatei_ = path + rec.Name;
    };
    QKFind2 = new TQKFind(this);
    QKFind2->Name = QStringLiteral("QKFind2");
    QKFind2->OnFindFile = [this](TObject*, const TSearchRec& rec, const QString& path, const QString&) {
        gefundeneAlben_.Add(path + rec.Name);
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

    Einstellungen().VorgabenSetzen(lauf_.ProgrammPfad());
    Einstellungen().Optionen = optionen_;
    FensterAufbauen();
    AlbumManagerEinrichten();
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
    // Once the end is asked for, the album another program holds is left to
    // it: no wait, no event loop inside the engine.
    SetAlbumWaitStop([this] { return lauf_.EndeAngefordert() || lauf_.ProgrammEndet(); });
}

TMainForm::~TMainForm()
{
    BeginDestroy();
    SetAlbumWaitNotice(nullptr);
    SetAlbumWaitStop(nullptr);
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
    // The record editor's window holds controls of this form: it goes
    // before them.
    delete RecordViewDialogBilder;
    RecordViewDialogBilder = nullptr;
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
    Einstellungen().Optionen = optionen_;
}

void TMainForm::Protokoll(const QString& art, const QString& text)
{
    if (optionen_->CheckBoxProtokollieren)
        LogSchreiben(lauf_.ProgrammPfad(), QStringLiteral("LXLog.DBF"), art, text, QString());
}

void TMainForm::Hinweis(const QString& caption, const QString& text, int height)
{
    NachrichtenDialog(caption, text, lauf_.AnzeigeZeit(), height, clInfoBk, clBlack, true);
}

void TMainForm::FehlerKontextSetzen()
{
    QString position = QStringLiteral("0 / 0");
    if (TableBilder->Active())
        position = QString::number(DbeBilder->RecNo()) + QStringLiteral(" / ") + QString::number(DbeBilder->RecCount());
    AppException1->SetUserName(TableBilder->TableName() + QStringLiteral(", ") + position);
}

void TMainForm::BilderIndexDaten() { album_->TagsLesen(); }

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
                                                  QStringLiteral(" von ") + QString::number(BereichBilder().Eintraege()) +
                                                  QStringLiteral(" Einträge angezeigt"));
    BilderBytesZeigen();
}

QString TMainForm::ZeitMeldung() const { return StopUhr(QStringLiteral("STOP")); }
