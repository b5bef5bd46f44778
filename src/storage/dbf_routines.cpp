#include "storage/dbf_routines.h"

#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/core/sys_utils.h"
#include "platform/data/dbi.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/forms.h"
#include "shared/general_texts.h"
#include "shared/routine_prompts.h"
#include "shared/routine_support.h"
#include "storage/tdbe.h"
#include "storage/tdbe_env.h"

#include <QFile>

#include <optional>

namespace {

// True when the DBF header marks the table encrypted (byte 15). The engine
// does not open such tables, so the mark is read from the file itself.
bool DateiVerschluesselt(const QString& path)
{
    const std::optional<QString> linux = WinToLinux(path);
    if (!linux)
        return false;
    QFile file(*linux);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(16);
    return header.size() == 16 && header[15] != 0;
}

// Closes the table and points it at the file with the type and sharing given.
void TabelleZuordnen(TTable* table, TTableType tableType, const QString& folder, const QString& fileName,
                     bool exclusive)
{
    table->Close();
    table->SetTableType(tableType);
    table->SetDatabaseName(folder);
    table->SetTableName(fileName);
    table->SetExclusive(exclusive);
}

// Opens the table. False when the engine found it busy (the message for the
// user in *busy); any other failure raises as before.
bool OeffnenWennFrei(TTable* table, const QString& path, QString* busy)
{
    try {
        table->Open();
        return true;
    } catch (const EDatabaseError&) {
        // The bridge answers every failed open alike; the engine's error
        // code tells a busy table from one that cannot be read.
        const int code = dbe_LastErrorCode();
        if (!DatenbankBelegt(code))
            throw;
        if (busy)
            *busy = BelegtMeldung(path, QString::fromUtf8(dbe_LastError()), code);
        return false;
    }
}

}  // namespace

bool DatenbankBelegt(int engineCode) { return engineCode == DBE_ERR_BUSY || engineCode == DBE_ERR_OPEN_HERE; }

QString BelegtMeldung(const QString& path, const QString& engineReason, int engineCode)
{
    if (engineCode == DBE_ERR_OPEN_HERE)
        return QStringLiteral("Das Album ") + path +
               QStringLiteral(" ist in QV-Lumadex noch an anderer Stelle geöffnet und kann nicht exklusiv benutzt "
                              "werden. Es wurde nichts geändert.");
    // The engine's message for a held index names the album and its index
    // file (and a stopped wait); it begins with these words.
    if (engineReason.startsWith(QStringLiteral("Das Album ")) ||
        engineReason.startsWith(QStringLiteral("Das Warten auf das Album ")))
        return engineReason;
    return QStringLiteral("Das Album ") + path +
           QStringLiteral(" wird gerade von einem anderen Programm benutzt. Es wurde nichts geändert; bitte später "
                          "noch einmal versuchen.");
}

TBenutzer& AktuellerBenutzer()
{
    static TBenutzer benutzer;
    return benutzer;
}

int DatenbankOeffnen(TTable* table, TTableType tableType, TDbe* dbe, const QString& folder, const QString& fileName,
                     const QString& password, bool exclusive, bool readOnly, QString* busy)
{
    if (!FileExists(folder + fileName)) {
        Application->MessageBox(QStringLiteral("Datenbank ") + folder + fileName + QStringLiteral(" ist nicht vorhanden !"),
                                QStringLiteral("Datenbank nicht vorhanden"), MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    TControlsDisabler disabled(table);
    try {
        TabelleZuordnen(table, tableType, folder, fileName, exclusive);
        table->SetReadOnly(readOnly);
        if (!OeffnenWennFrei(table, folder + fileName, busy))
            return 2;
        if (dbe)
            dbe->SetPassword(password);
        table->Refresh();
    } catch (const Exception&) {
        return 0;
    }
    return 1;
}

int DatenbankOeffnenPasswort(TTable* table, TTableType tableType, TDbe* dbe, const QString& folder,
                             const QString& fileName, const QString& password, bool exclusive, bool readOnly,
                             bool translate, TDataSource* masterSource, const QString& masterFields,
                             const QString& indexName, QString* busy)
{
    TControlsDisabler disabled(table);
    try {
        TabelleZuordnen(table, tableType, folder, fileName, exclusive);
        const int attr = FileGetAttr(folder + fileName);
        table->SetReadOnly(readOnly || (attr != -1 && (attr & faReadOnly)));
        if (masterSource)
            table->SetMasterSource(masterSource);
        if (!masterFields.isEmpty())
            table->SetMasterFields(masterFields);
        if (!indexName.isEmpty())
            table->SetIndexName(indexName);
        NachrichtenDurchlassen();
        if (!OeffnenWennFrei(table, folder + fileName, busy))
            return kDatenbankBelegt;
        NachrichtenDurchlassen();
        if (dbe && dbe->IsEncrypted(static_cast<uint16_t>(table->Handle())) && password.isEmpty()) {
            table->Close();
            return kDatenbankVerschluesselt;
        }
        if (dbe) {
            dbe->SetPassword(password);
            dbe->SetTranslate(translate);
        }
        if (!table->IsEmpty())
            table->First();
        table->Refresh();
    } catch (const Exception&) {
        if (password.isEmpty() && DateiVerschluesselt(folder + fileName))
            return kDatenbankVerschluesselt;
        return kDatenbankFehler;
    }
    return kDatenbankOffen;
}

int DatensatzSuchen(TDbe* dbe, const QString& fieldName, const QString& value)
{
    const QString wanted = AnsiLowerCase(Trim(value));
    dbe->GoTop();
    while (!dbe->Eof()) {
        if (AnsiLowerCase(Trim(dbe->GetString(fieldName))) == wanted)
            return 1;
        dbe->Skip(1);
    }
    return 0;
}

int SchluesselSuchen(TDbe* dbe, TDbeEnv* env, const QString& tagName, int width, const QString& key)
{
    if (key.isEmpty())
        return 0;
    const QString padded = RechtsAuffuellen(key, width);
    const int order = dbe->TagArea(tagName);
    dbe->SetOrder(order);
    env->SetSoftSeek(false);
    env->SetExact(true);
    return dbe->Seek(padded) && dbe->Found() ? 1 : 0;
}

int IndexVorhanden(TDbe* dbe, const QString& keyExpression, bool disableControls)
{
    TSanduhr sanduhr;
    TDataSet* ds = dbe->DataSet();
    const bool disable = disableControls && ds;
    if (disable)
        ds->DisableControls();
    int found = 0;
    // The key of every order is read where it stands, so the current order
    // and the dataset's view are never switched.
    for (int order = 1;; ++order) {
        NachrichtenDurchlassen();
        if (dbe->TagName(order).isEmpty())
            break;
        if (dbe->IndexKeyField(order) == keyExpression) {
            found = 1;
            break;
        }
    }
    if (disable)
        ds->EnableControls();
    return found;
}

std::unique_ptr<TStringList> FeldnamenListe(TDataSet* dataSet)
{
    if (!dataSet || !dataSet->Active())
        return nullptr;
    auto list = std::make_unique<TStringList>();
    for (int i = 0; i < dataSet->FieldCount(); ++i)
        if (!dataSet->Fields(i)->FieldName.isEmpty())
            list->Add(dataSet->Fields(i)->FieldName);
    return list;
}

bool PfadeAufDateinamenKuerzen(const QString& folder, const QString& fileName)
{
    if (!FileExists(folder + fileName)) {
        RoutineMeldung(QStringLiteral("Konnte angebenene Datei ") + folder + fileName +
                       QStringLiteral(" nicht finden/öffnen!"));
        return false;
    }
    TTable table;
    TDataSource source(&table);
    TDbe dbe(nullptr);
    dbe.SetDataSource(&source);
    QString belegt;
    if (DatenbankOeffnen(&table, ttDXFOX, &dbe, folder, fileName, QString(), false, false, &belegt) != 1) {
        RoutineMeldung(!belegt.isEmpty() ? belegt
                                         : QStringLiteral("Konnte ") + folder + fileName +
                                               QStringLiteral(" nicht öffnen, Pfade überprüfen!"));
        return false;
    }
    try {
        TField* pfad = table.FieldByName(QStringLiteral("Pfad"));
        for (table.First(); !table.Eof(); table.Next()) {
            const QString name = DateiNameVonPfad(Trim(pfad->AsString()));
            table.Edit();
            if (!dbe.Replace(QStringLiteral("PFAD"), DBE_REPL_TEXT, name)) {
                table.Cancel();
                throw EDatenbank(QString());
            }
            table.Post();
        }
    } catch (const Exception&) {
        if (table.Active() && (table.State() == dsEdit || table.State() == dsInsert))
            table.Cancel();
        throw EDatenbank(QStringLiteral(" Fehler beim Schreiben in ") + folder + fileName);
    }
    return true;
}

namespace {

std::array<unsigned char, 256> BuildSortiertabelle()
{
    // The codes in ascending order, with the OEM umlauts and sharp s moved
    // directly behind their base letters.
    struct Umzug {
        unsigned char code, nach;
    };
    constexpr Umzug umzuege[] = {{0x8E, 'A'}, {0x99, 'O'}, {0x9A, 'U'}, {0x84, 'a'},
                                 {0x94, 'o'}, {0xE1, 's'}, {0x81, 'u'}};
    auto verschoben = [&](int c) {
        for (const Umzug& u : umzuege)
            if (u.code == c)
                return true;
        return false;
    };
    std::array<unsigned char, 256> weights{};
    int position = 0;
    for (int c = 0; c < 256; ++c) {
        if (verschoben(c))
            continue;
        weights[static_cast<size_t>(c)] = static_cast<unsigned char>(position++);
        for (const Umzug& u : umzuege)
            if (u.nach == c)
                weights[u.code] = static_cast<unsigned char>(position++);
    }
    return weights;
}

}  // namespace

const std::array<unsigned char, 256>& Sortiertabelle()
{
    static const std::array<unsigned char, 256> table = BuildSortiertabelle();
    return table;
}

void SortiertabelleSetzen()
{
    std::array<unsigned char, 256> copy = Sortiertabelle();
    dbe_SysProp(DBE_PROP_SORT_WEIGHTS, reinterpret_cast<intptr_t>(copy.data()));
}
