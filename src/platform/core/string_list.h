#pragma once
// The framework's string list: an ordered list of strings, each with an
// optional object pointer, with "name=value" access, optional sorting and
// the CR LF / comma texts. Files are Windows-1252.
//
// IndexOf, IndexOfName, Find and sorting ignore case unless CaseSensitive is
// set (as the framework's list does). Indexes are 0-based; a bad index throws
// EStringListError.

#include <QString>
#include <QStringList>

#include <functional>

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList {
public:
    TStringList() = default;
    TStringList(const TStringList& other) = default;
    TStringList& operator=(const TStringList& other) = default;
    virtual ~TStringList() = default;

    int Count() const { return static_cast<int>(items_.size()); }
    const QString& Strings(int index) const;
    const QString& operator[](int index) const { return Strings(index); }
    void SetStrings(int index, const QString& s);
    void* Objects(int index) const;
    void SetObjects(int index, void* obj);

    // Sorted lists put the string in its place (dupIgnore returns the index
    // of the existing entry, dupError throws); unsorted lists append.
    int Add(const QString& s);
    int AddObject(const QString& s, void* obj);
    void AddStrings(const TStringList& other);
    void AddStrings(const QStringList& other);
    void Append(const QString& s) { Add(s); }
    void Insert(int index, const QString& s);  // throws on a sorted list
    void InsertObject(int index, const QString& s, void* obj);
    void Delete(int index);
    void Clear();
    void Exchange(int a, int b);
    void Move(int from, int to);
    void Assign(const TStringList& other);  // strings and objects, not the options

    int IndexOf(const QString& s) const;       // -1 when absent
    int IndexOfObject(void* obj) const;
    // Binary search in a sorted list (linear otherwise): true when found;
    // index = the position found or where it would be inserted.
    bool Find(const QString& s, int& index) const;

    // "name=value" lines.
    QString Names(int index) const;            // part before the first "=", "" without "="
    QString ValueFromIndex(int index) const;   // part after the first "="
    QString Values(const QString& name) const; // "" when absent
    // Sets the value of the first line of that name; an empty value deletes it;
    // a missing name is added.
    void SetValues(const QString& name, const QString& value);
    int IndexOfName(const QString& name) const;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);  // sorting now when switched on
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates d) { duplicates_ = d; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool cs);
    void Sort();
    // compare(list, i, j) < 0 when item i goes first.
    void CustomSort(const std::function<int(const TStringList&, int, int)>& compare);

    // Lines ended by CR LF (the last one too). Setting splits on CR LF, LF or CR.
    QString Text() const;
    void SetText(const QString& text);
    // Items separated by ","; items holding blanks, "," or quotes are double-quoted.
    // Setting splits on "," and on blanks outside quotes, as the framework does.
    QString CommaText() const;
    void SetCommaText(const QString& text);
    QChar Delimiter = u',';
    QChar QuoteChar = u'"';
    QString DelimitedText() const;
    void SetDelimitedText(const QString& text);

    // Windows-1252 files. LoadFromFile throws EFOpenError when the file cannot be
    // read; SaveToFile writes atomically, throws EEncodingError (file untouched)
    // for text Windows-1252 cannot hold and EFCreateError / EWriteError on failure.
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName) const;

    QStringList ToQStringList() const;

    // Nested; OnChange fires after a change while no update is open.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    std::function<void(TStringList&)> OnChange;

private:
    struct Item {
        QString s;
        void* obj = nullptr;
    };
    int Compare(const QString& a, const QString& b) const;
    void CheckIndex(int index) const;
    void Changed();
    int InsertSorted(const QString& s, void* obj);

    QList<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
    int updateCount_ = 0;
};
