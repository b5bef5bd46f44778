#include "controls/wizard_lists.h"

#include <QtEndian>

namespace {

void PutInt(QByteArray& out, int32_t v)
{
    char bytes[4];
    qToLittleEndian<int32_t>(v, bytes);
    out.append(bytes, 4);
}

int32_t GetInt(const QByteArray& in, int offset)
{
    return qFromLittleEndian<int32_t>(in.constData() + offset);
}

// True when the block holds count records of the given size.
bool Fits(int count, int recordSize, const QByteArray& data)
{
    return count >= 0 && qint64(count) * recordSize <= data.size();
}

}  // namespace

// ---- TAposList ------------------------------------------------------------

void TAposList::Delete(int i)
{
    if (i >= 0 && i < Count())
        items_.erase(items_.begin() + i);
}

void TAposList::SetCount(int n)
{
    items_.resize(size_t(std::max(n, 0)));
}

void TAposList::Assign(const TPersistent* Source)
{
    if (auto* other = dynamic_cast<const TAposList*>(Source))
        items_ = other->items_;
}

QByteArray TAposList::Data() const
{
    QByteArray out;
    for (const TApos& a : items_) {
        PutInt(out, a.Left);
        PutInt(out, a.Top);
        PutInt(out, a.Shown);
    }
    return out;
}

bool TAposList::ReadData(int count, const QByteArray& data)
{
    items_.clear();
    if (!Fits(count, 12, data))
        return false;
    for (int i = 0; i < count; ++i)
        items_.push_back({GetInt(data, i * 12), GetInt(data, i * 12 + 4), GetInt(data, i * 12 + 8)});
    return true;
}

// ---- TPageList ------------------------------------------------------------

void TPageList::Assign(const TPersistent* Source)
{
    if (auto* other = dynamic_cast<const TPageList*>(Source))
        items_ = other->items_;
}

QByteArray TPageList::Data() const
{
    QByteArray out;
    for (const TPageEntry& e : items_) {
        PutInt(out, e.ShowPage);
        PutInt(out, e.NextRule);
    }
    return out;
}

bool TPageList::ReadData(int count, const QByteArray& data)
{
    items_.clear();
    if (!Fits(count, 8, data))
        return false;
    for (int i = 0; i < count; ++i)
        items_.push_back({GetInt(data, i * 8), GetInt(data, i * 8 + 4)});
    return true;
}

// ---- TIntegerList ---------------------------------------------------------

void TIntegerList::Delete(int i)
{
    if (i >= 0 && i < Count())
        items_.erase(items_.begin() + i);
}

void TIntegerList::Assign(const TPersistent* Source)
{
    if (auto* other = dynamic_cast<const TIntegerList*>(Source))
        items_ = other->items_;
}

QByteArray TIntegerList::Data() const
{
    QByteArray out;
    for (int32_t v : items_)
        PutInt(out, v);
    return out;
}

bool TIntegerList::ReadData(int count, const QByteArray& data)
{
    items_.clear();
    if (!Fits(count, 4, data))
        return false;
    for (int i = 0; i < count; ++i)
        items_.push_back(GetInt(data, i * 4));
    return true;
}
