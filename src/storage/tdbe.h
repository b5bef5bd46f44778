#pragma once
// TDbe: the engine companion of a table dataset. Bound to the dataset
// through a data source, it runs DBF engine operations directly on the
// dataset's work area: record-number moves, seeks in the current tag, tag
// creation, engine queries and scopes, direct field replacement, memo
// export, pack and zap, table creation, copying and appending.
//
// Every engine method follows one pattern: select the dataset's work area,
// bring the engine onto the dataset's current record where the operation
// works on it, return the dataset to browse mode for moves and changes, make
// the one engine call, refresh the dataset after moves and changes, put the
// engine's record back and select the area that was selected before.
//
// Texts cross from QString to Windows-1252 bytes here: a text that the code
// page cannot hold raises EEncodingError naming it. File names are
// Windows-form (or Linux) paths resolved over the drive map.

#include "platform/core/string_list.h"
#include "platform/data/data_source.h"
#include "platform/ui/component.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

class TTable;
class TDbe;

// Texts handed to the engine as zero-terminated Windows-1252 strings. The
// list holds any number of texts of any length, so long key and filter
// expressions reach the engine whole.
class TCStringList : public TComponent {
public:
    explicit TCStringList(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
    // Copies the text into the next slot; gives its index. Raises
    // EEncodingError for a text Windows-1252 cannot hold.
    int Add(const QString& text);
    // Adds bytes that are already Windows-1252.
    int AddBytes(const QByteArray& bytes);
    // Address of the zero-terminated text of slot `index`; "" outside.
    const char* GetPChar(int index) const;
    int Count() const { return static_cast<int>(slots_.size()); }

private:
    std::deque<QByteArray> slots_;
};

// Tells its TDbe when the dataset opens or closes.
class TDbeDataLink : public TDataLink {
public:
    explicit TDbeDataLink(TDbe* dbe) : dbe_(dbe) {}

protected:
    void ActiveChanged() override;

private:
    TDbe* dbe_;
};

// The flag SetTranslate last stored (the engine's translation setting).
bool DbeTranslateFlag();

class TDbe : public TComponent {
public:
    explicit TDbe(TComponent* AOwner);
    ~TDbe() override;

    // ---- Properties --------------------------------------------------------
    TDataSource* DataSource() const { return dataLink_.DataSource(); }
    void SetDataSource(TDataSource* source) { dataLink_.SetDataSource(source); }
    // The dataset of the data source (nullptr without one).
    TDataSet* DataSet() const { return dataLink_.DataSet(); }
    // Index files opened beside the table's own index whenever the dataset opens.
    const TStringList& ExtraIndexes() const { return extraIndexes_; }
    void SetExtraIndexes(const TStringList& list);
    // Engine query applied whenever the dataset opens; writing it calls Query.
    QString Filter() const { return filter_; }
    void SetFilter(const QString& expression) { Query(expression); }
    bool TurboRead() const { return turboRead_; }
    void SetTurboRead(bool on);

    // ---- Moves ---------------------------------------------------------------
    void GoTop();
    void GoBottom();
    int Skip(int n);
    void Insert();
    void Delete();
    bool Bof() const;
    bool Eof() const;
    bool Go(uint32_t recno);

    // ---- Record numbers ------------------------------------------------------
    // Record number of the dataset's current record; RecCount + 1 without one.
    uint32_t RecNo();
    uint32_t RecCount();
    int RecSize();
    uint32_t OrderRecNo();
    // The records that pass the query and scope in force. A count that
    // cannot read its order (another program holds the index past the wait,
    // a read error, an order that cannot be used) raises EDatabaseError
    // with the engine's reason, as the dataset's reads do.
    uint32_t QueryRecCount();

    // ---- Fields of the current record ----------------------------------------
    // The field's text; a string field is padded with blanks to Size - 1.
    QString GetString(const QString& name);
    int GetInteger(const QString& name);
    long GetLong(const QString& name);
    double GetDouble(const QString& name);
    bool GetLogical(const QString& name);
    QString GetTrimString(const QString& name);
    bool Empty(const QString& name);
    long GetBlobLength(const QString& name);
    // Engine memory: free it with MemDealloc. Null on error.
    char* GetMemo(const QString& name, int n = 0);
    QString EvalString(const QString& expression);
    int FieldCount();
    QString FieldName(int n);
    QString FieldType(const QString& name);
    int FieldWidth(const QString& name);

    // ---- Writing ---------------------------------------------------------------
    // Sets field `name` from the value at `value` by type code: 1, 2 int32;
    // 8 double; 0x80 one byte (non-zero true); 0x400, 0x401 zero-terminated
    // Windows-1252 text; 0x420 date text in the program's short date format
    // (these through the dataset's fields, which must be in edit or insert
    // state); 0x20, 0xC00, 0x1000, 0x2000 through the engine (for 0x1000 and
    // 0x2000 the text is a file name). True when the value was stored.
    bool Replace(const QString& name, int type, const void* value);
    // The same with a text value (types 0x20, 0x400, 0x401, 0x420, 0xC00,
    // 0x1000, 0x2000), encoded to Windows-1252 here.
    bool Replace(const QString& name, int type, const QString& text);
    bool PutRecord(const char* buffer);
    // Copies the dataset's current record (RecSize bytes) into buffer.
    bool GetRecord(char* buffer);

    // ---- Deletion and whole table ------------------------------------------------
    bool Deleted();
    bool Recall();
    // Pack and Zap answer false when the engine refused; PackFailure then
    // holds the engine's reason (the dataset's refresh after them would
    // clear the engine's own error text).
    bool Pack();
    bool Zap();
    const QString& PackFailure() const { return packFailure_; }

    // ---- Orders -------------------------------------------------------------------
    int IndexOrd();
    QString TagName(int order);
    QString IndexName(int order);
    // The key expression of `order` as it was created (0 = the current order).
    QString IndexKey(int order = 0);
    QString IndexKeyField(int order = 0);
    // Whether the seeks and moves of `order` (0 = the current one) can read
    // its tag now; else false with the engine's reason in `why` (a tag left
    // half-written that a read-only album cannot rebuild, one built with
    // another sort-weight table).
    bool OrderUsable(int order, QString* why = nullptr);
    // Makes `order` current (0 = natural) and the table's IndexName its tag;
    // gives the order current before. An order above the count changes nothing.
    // An order whose tag cannot be read now (OrderUsable) is not made
    // current: the table keeps the order it has (every move in that order
    // would fail), and OrderError() says why.
    int SetOrder(int order);
    // Why the last SetOrder kept the order; empty when it set it.
    const QString& OrderError() const { return orderError_; }
    // Makes the tag current and gives its order (0 when there is none).
    int TagArea(const QString& tag);
    int IndexOpen(const QString& file);
    bool IndexClose();
    int IndexTag(const QString& file, const QString& tag, const QString& key, int option, int unique,
                 const QString& condition);

    // ---- Seek and scope ------------------------------------------------------------
    // False for a key not found, and for a seek that could not read the
    // index (SeekError() then says why; the dataset stays where it stood).
    bool Seek(const QString& key);
    // The engine's reason when the last Seek could not read the index
    // (another program holds it past the wait, or it cannot be read); empty
    // after a seek that found or did not find the key.
    const QString& SeekError() const { return seekError_; }
    bool Found();
    bool SetScope(const QString& low, const QString& high);
    QString GetScope(int which);

    // ---- Queries -------------------------------------------------------------------
    int Query(const QString& expression);
    QString DBFilter();
    bool SetQueryBit(uint32_t recno, bool flag);

    // ---- Files and settings --------------------------------------------------------
    bool BlobToFile(const QString& field, const QString& file);
    bool CopyFile(const QString& file);
    bool AppendFrom(const QString& file, int mode, const QString& condition = QString());
    QString Alias();
    bool IsEncrypted(uint16_t area);
    bool SetPassword(const QString& password);
    void SetTranslate(bool flag);
    // Progress of the engine's long operations (pack, index builds, copies):
    // `progress` gets the percentage done of the current step (done of
    // 100, 0 at its start, 100 at its end); empty = none.
    using TProgress = std::function<void(uint32_t done, uint32_t total)>;
    void SetGaugeHook(TProgress progress);
    void MemDealloc(char* text);
    // Selects `area` when above 0 and gives the area selected before, else 0.
    uint16_t SelectArea(uint16_t area);
    bool IsActive() const;

    // ---- Creation ------------------------------------------------------------------
    bool CreateNew(const QString& file, int type, int fieldCount);
    bool CreateField(const QString& name, char type, int width, int decimals);
    bool CreateExec();

    // ---- Setup ---------------------------------------------------------------------
    void OpenExtraIndexes();
    void AllocRecBuffer();
    void PostIfEditing();

private:
    friend class TDbeDataLink;
    class TAreaScope;

    TTable* Table() const;
    uint16_t DataSetArea() const;
    // Step 2 of the pattern: gives the engine record to go back to, 0 for none.
    uint32_t SyncRecNo();
    void RestoreRecNo(uint32_t saved);
    // Step 3: browse mode and the cursor on the dataset's current record.
    void BrowseMode();
    void RefreshDataSet();
    // Pack or Zap: the engine's whole-table change, its refusal kept in packFailure_.
    bool WholeTable(int (*change)());
    void RefreshIndexDefs();
    void SetTableIndexName(const QString& name);
    bool FieldPath(const QString& name, int type, const void* value);
    bool EnginePath(const QString& name, int type, const void* value);
    void LinkActiveChanged();

    TDbeDataLink dataLink_;
    QString seekError_;
    QString orderError_;
    QString packFailure_;
    TStringList extraIndexes_;
    QString filter_;
    uint16_t createArea_ = 0;
    uint16_t createPrevious_ = 0;
    bool turboRead_ = false;
    std::vector<char> recBuffer_;
};
