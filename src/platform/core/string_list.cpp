#include "platform/core/string_list.h"

#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/win1252.h"

#include <algorithm>

const QString& TStringList::Strings(int index) const
{
    CheckIndex(index);
    return items_[index].s;
}

void TStringList::SetStrings(int index, const QString& s)
{
    CheckIndex(index);
    if (sorted_)
        throw EStringListError(QStringLiteral("Operation bei sortierten Listen nicht zulässig"));
    items_[index].s = s;
    Changed();
}

void* TStringList::Objects(int index) const
{
    CheckIndex(index);
    return items_[index].obj;
}

void TStringList::SetObjects(int index, void* obj)
{
    CheckIndex(index);
    items_[index].obj = obj;
}

int TStringList::Compare(const QString& a, const QString& b) const
{
    return a.compare(b, caseSensitive_ ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

void TStringList::CheckIndex(int index) const
{
    if (index < 0 || index >= items_.size())
        throw EStringListError(QStringLiteral("Listenindex überschreitet das Maximum (%1)").arg(index));
}

void TStringList::Changed()
{
    if (updateCount_ == 0 && OnChange)
        OnChange(*this);
}

void TStringList::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0)
        Changed();
}

int TStringList::InsertSorted(const QString& s, void* obj)
{
    int index;
    if (Find(s, index)) {
        if (duplicates_ == TDuplicates::dupIgnore)
            return index;
        if (duplicates_ == TDuplicates::dupError)
            throw EStringListError(QStringLiteral("Liste erlaubt keine Duplikate"));
        // Accept: after the equal entries.
        while (index < items_.size() && Compare(items_[index].s, s) == 0)
            ++index;
    }
    items_.insert(index, Item{s, obj});
    Changed();
    return index;
}

int TStringList::Add(const QString& s)
{
    return AddObject(s, nullptr);
}

int TStringList::AddObject(const QString& s, void* obj)
{
    if (sorted_)
        return InsertSorted(s, obj);
    items_.append(Item{s, obj});
    Changed();
    return Count() - 1;
}

void TStringList::AddStrings(const TStringList& other)
{
    BeginUpdate();
    for (const Item& it : other.items_)
        AddObject(it.s, it.obj);
    EndUpdate();
}

void TStringList::AddStrings(const QStringList& other)
{
    BeginUpdate();
    for (const QString& s : other)
        Add(s);
    EndUpdate();
}

void TStringList::Insert(int index, const QString& s)
{
    InsertObject(index, s, nullptr);
}

void TStringList::InsertObject(int index, const QString& s, void* obj)
{
    if (sorted_)
        throw EStringListError(QStringLiteral("Operation bei sortierten Listen nicht zulässig"));
    if (index < 0 || index > items_.size())
        throw EStringListError(QStringLiteral("Listenindex überschreitet das Maximum (%1)").arg(index));
    items_.insert(index, Item{s, obj});
    Changed();
}

void TStringList::Delete(int index)
{
    CheckIndex(index);
    items_.removeAt(index);
    Changed();
}

void TStringList::Clear()
{
    if (items_.isEmpty())
        return;
    items_.clear();
    Changed();
}

void TStringList::Exchange(int a, int b)
{
    CheckIndex(a);
    CheckIndex(b);
    items_.swapItemsAt(a, b);
    Changed();
}

void TStringList::Move(int from, int to)
{
    CheckIndex(from);
    CheckIndex(to);
    items_.move(from, to);
    Changed();
}

void TStringList::Assign(const TStringList& other)
{
    if (&other == this)
        return;
    items_ = other.items_;
    if (sorted_)
        Sort();
    Changed();
}

int TStringList::IndexOf(const QString& s) const
{
    if (sorted_) {
        int index;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < items_.size(); ++i)
        if (Compare(items_[i].s, s) == 0)
            return i;
    return -1;
}

int TStringList::IndexOfObject(void* obj) const
{
    for (int i = 0; i < items_.size(); ++i)
        if (items_[i].obj == obj)
            return i;
    return -1;
}

bool TStringList::Find(const QString& s, int& index) const
{
    if (!sorted_) {
        for (int i = 0; i < items_.size(); ++i)
            if (Compare(items_[i].s, s) == 0) {
                index = i;
                return true;
            }
        index = Count();
        return false;
    }
    // The first of equal entries.
    int lo = 0, hi = Count();
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (Compare(items_[mid].s, s) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    index = lo;
    return lo < Count() && Compare(items_[lo].s, s) == 0;
}

QString TStringList::Names(int index) const
{
    const QString& s = Strings(index);
    qsizetype eq = s.indexOf(u'=');
    return eq < 0 ? QString() : s.left(eq);
}

QString TStringList::ValueFromIndex(int index) const
{
    const QString& s = Strings(index);
    qsizetype eq = s.indexOf(u'=');
    return eq < 0 ? QString() : s.mid(eq + 1);
}

int TStringList::IndexOfName(const QString& name) const
{
    for (int i = 0; i < items_.size(); ++i) {
        qsizetype eq = items_[i].s.indexOf(u'=');
        if (eq >= 0 && Compare(items_[i].s.left(eq), name) == 0)
            return i;
    }
    return -1;
}

QString TStringList::Values(const QString& name) const
{
    int i = IndexOfName(name);
    return i < 0 ? QString() : ValueFromIndex(i);
}

void TStringList::SetValues(const QString& name, const QString& value)
{
    int i = IndexOfName(name);
    if (value.isEmpty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    if (i < 0) {
        Add(name + u'=' + value);
    } else if (sorted_) {
        Delete(i);
        Add(name + u'=' + value);
    } else {
        SetStrings(i, name + u'=' + value);
    }
}

void TStringList::SetSorted(bool sorted)
{
    if (sorted && !sorted_) {
        sorted_ = true;
        Sort();
    }
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool cs)
{
    caseSensitive_ = cs;
    if (sorted_)
        Sort();
}

void TStringList::Sort()
{
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return Compare(a.s, b.s) < 0; });
    Changed();
}

void TStringList::CustomSort(const std::function<int(const TStringList&, int, int)>& compare)
{
    // Sort an index vector, then reorder.
    QList<int> order(Count());
    for (int i = 0; i < Count(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return compare(*this, a, b) < 0; });
    QList<Item> sortedItems;
    for (int i : order)
        sortedItems << items_[i];
    items_ = sortedItems;
    Changed();
}

QString TStringList::Text() const
{
    QString out;
    for (const Item& it : items_)
        out += it.s + QStringLiteral("\r\n");
    return out;
}

void TStringList::SetText(const QString& text)
{
    BeginUpdate();
    Clear();
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        qsizetype start = i;
        while (i < n && text[i] != u'\r' && text[i] != u'\n')
            ++i;
        Add(text.mid(start, i - start));
        if (i < n && text[i] == u'\r')
            ++i;
        if (i < n && text[i] == u'\n')
            ++i;
    }
    EndUpdate();
}

QString TStringList::DelimitedText() const
{
    QString out;
    for (int i = 0; i < items_.size(); ++i) {
        const QString& s = items_[i].s;
        bool quote = s.isEmpty() && items_.size() == 1;  // a lone empty item is ""
        for (QChar c : s)
            if (c <= u' ' || c == Delimiter || c == QuoteChar)
                quote = true;
        if (i > 0)
            out += Delimiter;
        if (quote) {
            QString q = s;
            q.replace(QuoteChar, QString(QuoteChar) + QuoteChar);
            out += QuoteChar + q + QuoteChar;
        } else {
            out += s;
        }
    }
    return out;
}

void TStringList::SetDelimitedText(const QString& text)
{
    BeginUpdate();
    Clear();
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text[i] > u'\0' && text[i] <= u' ')
            ++i;
    };
    skipBlanks();
    while (i < n) {
        QString item;
        if (text[i] == QuoteChar) {
            ++i;
            while (i < n) {
                if (text[i] == QuoteChar) {
                    if (i + 1 < n && text[i + 1] == QuoteChar) {
                        item += QuoteChar;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < n && text[i] > u' ' && text[i] != Delimiter)
                item += text[i++];
        }
        Add(item);
        skipBlanks();
        if (i < n && text[i] == Delimiter) {
            ++i;
            skipBlanks();
            if (i == n)
                Add(QString());  // "a," ends with an empty item
        }
    }
    EndUpdate();
}

QString TStringList::CommaText() const
{
    TStringList copy;
    copy.items_ = items_;
    return copy.DelimitedText();  // default ',' and '"'
}

void TStringList::SetCommaText(const QString& text)
{
    const QChar d = Delimiter, q = QuoteChar;
    Delimiter = u',';
    QuoteChar = u'"';
    SetDelimitedText(text);
    Delimiter = d;
    QuoteChar = q;
}

void TStringList::LoadFromFile(const QString& fileName)
{
    QByteArray bytes;
    if (!ReadFileBytes(fileName, bytes))
        throw EFOpenError(QStringLiteral("Datei \"%1\" kann nicht geöffnet werden").arg(fileName));
    SetText(DecodeTextFile(bytes));
}

void TStringList::SaveToFile(const QString& fileName) const
{
    WriteFileAtomic(fileName, Win1252EncodeOrThrow(Text()));
}

QStringList TStringList::ToQStringList() const
{
    QStringList out;
    for (const Item& it : items_)
        out << it.s;
    return out;
}
