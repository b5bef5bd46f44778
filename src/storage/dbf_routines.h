#pragma once
// The program's routines around its DBF tables: opening a table with its
// companion (with or without password), searching a record or a key,
// testing for an index tag, listing field names, stripping the folders from
// the picture paths of a table and handing the sort-weight table to the
// engine. The action log, the grid settings and the FLAGS field have their
// own files (action_log.h, grid_settings.h, flags_field.h).

#include "platform/core/exceptions.h"
#include "platform/core/string_list.h"
#include "platform/data/table.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class TDbe;
class TDbeEnv;

// Raised by these routines when writing fails.
class EDatenbank : public Exception {
public:
    using Exception::Exception;
};

// The current user: nothing in the program fills it, so the log stores an
// empty user and level 0.
struct TBenutzer {
    QString Name;       // up to 30 characters
    uint8_t Level = 0;
};
TBenutzer& AktuellerBenutzer();

// True when the engine's error code (dbe_LastErrorCode) says that another
// program uses the table or keeps its index locked (or that this program has
// it open elsewhere while it was asked for exclusively): the files are
// sound, only busy, and the call changed nothing.
bool DatenbankBelegt(int engineCode);
// The message the user gets for a busy table (folder + fileName): the
// engine's own for a locked index, else one in the same words.
QString BelegtMeldung(const QString& path, const QString& engineReason, int engineCode);

// Opens folder + fileName in `table` (1 opened, 0 not, 2 busy: another
// program uses it, the message for the user in *busy when given). A missing
// file shows "Datenbank ... ist nicht vorhanden !"; database errors answer 0.
int DatenbankOeffnen(TTable* table, TTableType tableType, TDbe* dbe, const QString& folder, const QString& fileName,
                     const QString& password, bool exclusive, bool readOnly, QString* busy = nullptr);

// The answers of DatenbankOeffnenPasswort.
constexpr int kDatenbankOffen = 0;
constexpr int kDatenbankFehler = 1;
constexpr int kDatenbankVerschluesselt = 2;  // encrypted and no password given
constexpr int kDatenbankBelegt = 3;          // in use by another program; nothing was changed

// Opens an album table: one of the answers above. When the table is busy the
// message for the user goes to *busy (when given); nothing is shown here.
int DatenbankOeffnenPasswort(TTable* table, TTableType tableType, TDbe* dbe, const QString& folder,
                             const QString& fileName, const QString& password, bool exclusive, bool readOnly,
                             bool translate, TDataSource* masterSource, const QString& masterFields,
                             const QString& indexName, QString* busy = nullptr);

// Linear search from the first record: 1 when the dataset stands on a record
// whose field (trimmed, lower case) equals the value (trimmed, lower case).
int DatensatzSuchen(TDbe* dbe, const QString& fieldName, const QString& value);

// Exact seek of the key padded with blanks to `width` in tag `tagName`
// (soft seek off, exact on): 1 found, 0 not (also for an empty key).
int SchluesselSuchen(TDbe* dbe, TDbeEnv* env, const QString& tagName, int width, const QString& key);

// 1 when the key field of a tag (dbe_IndexKeyField: the field of a
// one-field key, the first field an expression key uses) equals
// keyExpression exactly; the current order stays.
int IndexVorhanden(TDbe* dbe, const QString& keyExpression, bool disableControls);

// Names of the dataset's fields; null when the dataset is closed.
std::unique_ptr<TStringList> FeldnamenListe(TDataSet* dataSet);

// Replaces PFAD of every record of folder + fileName by its file-name part.
// False when the table is missing or cannot be opened (after a message).
// Raises EDatenbank when writing fails.
bool PfadeAufDateinamenKuerzen(const QString& folder, const QString& fileName);

// The sort-weight table: one weight per character code.
const std::array<unsigned char, 256>& Sortiertabelle();
// Hands a copy of the sort-weight table to the engine.
void SortiertabelleSetzen();
