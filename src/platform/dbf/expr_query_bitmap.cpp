#include "platform/dbf/expr_query_bitmap.h"

#include <algorithm>
#include <bit>

namespace dbfexpr {


void QueryBitmap::ClearTail()
{
    if (size_ & 63)
        words_.back() &= (std::uint64_t{1} << (size_ & 63)) - 1;
}

void QueryBitmap::Resize(std::uint32_t size, bool value)
{
    const std::uint32_t old = size_;
    if (size < old) {
        // Drop the bits that are cut off from the count first.
        if (countKnown_)
            for (std::uint32_t r = Next(size); r != 0; r = Next(r))
                --count_;
        size_ = size;
        words_.resize((std::size_t{size} + 63) / 64);
        if (!words_.empty())
            ClearTail();
        return;
    }
    words_.resize((std::size_t{size} + 63) / 64, value ? ~std::uint64_t{0} : 0);
    size_ = size;
    if (value && size > old) {
        // Fill the rest of the old last word, then count the new records.
        for (std::uint32_t bit = old; bit < size && (bit & 63); ++bit)
            words_[bit >> 6] |= std::uint64_t{1} << (bit & 63);
        if (countKnown_)
            count_ += size - old;
    }
    if (!words_.empty())
        ClearTail();
}

void QueryBitmap::SetAll()
{
    for (auto& w : words_)
        w = ~std::uint64_t{0};
    if (!words_.empty())
        ClearTail();
    count_ = size_;
    countKnown_ = true;
}

void QueryBitmap::ClearAll()
{
    for (auto& w : words_)
        w = 0;
    count_ = 0;
    countKnown_ = true;
}

void QueryBitmap::Set(std::uint32_t recNo)
{
    if (recNo == 0 || recNo > size_)
        return;
    std::uint64_t& w = words_[(recNo - 1) >> 6];
    const std::uint64_t mask = std::uint64_t{1} << ((recNo - 1) & 63);
    if (!(w & mask)) {
        w |= mask;
        if (countKnown_)
            ++count_;
    }
}

void QueryBitmap::Clear(std::uint32_t recNo)
{
    if (recNo == 0 || recNo > size_)
        return;
    std::uint64_t& w = words_[(recNo - 1) >> 6];
    const std::uint64_t mask = std::uint64_t{1} << ((recNo - 1) & 63);
    if (w & mask) {
        w &= ~mask;
        if (countKnown_)
            --count_;
    }
}

// With the processor's population count where it has one (chosen when the
// program loads); the portable build would call a library routine per word.
__attribute__((target_clones("popcnt", "default"))) void QueryBitmap::Recount() const
{
    std::uint32_t n = 0;
    for (const std::uint64_t w : words_)
        n += static_cast<std::uint32_t>(__builtin_popcountll(w));
    count_ = n;
    countKnown_ = true;
}

__attribute__((target_clones("popcnt", "default"))) std::uint32_t
QueryBitmap::CountAnd(const QueryBitmap& other) const
{
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < words_.size() && i < other.words_.size(); ++i)
        n += static_cast<std::uint32_t>(__builtin_popcountll(words_[i] & other.words_[i]));
    return n;
}

__attribute__((target_clones("popcnt", "default"))) std::uint32_t
QueryBitmap::CountOr(const QueryBitmap& other) const
{
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < words_.size(); ++i)
        n += static_cast<std::uint32_t>(
            __builtin_popcountll(words_[i] | (i < other.words_.size() ? other.words_[i] : 0)));
    // (Bits past the size are zero in both.)
    return n;
}

void QueryBitmap::AndWith(const QueryBitmap& other)
{
    for (std::size_t i = 0; i < words_.size(); ++i)
        words_[i] &= i < other.words_.size() ? other.words_[i] : 0;
    countKnown_ = false;
}

void QueryBitmap::OrWith(const QueryBitmap& other)
{
    for (std::size_t i = 0; i < words_.size() && i < other.words_.size(); ++i)
        words_[i] |= other.words_[i];
    if (!words_.empty())
        ClearTail();
    countKnown_ = false;
}

void QueryBitmap::AndNotWith(const QueryBitmap& other)
{
    for (std::size_t i = 0; i < words_.size() && i < other.words_.size(); ++i)
        words_[i] &= ~other.words_[i];
    countKnown_ = false;
}

void QueryBitmap::OrWithBoth(const QueryBitmap& a, const QueryBitmap& b)
{
    const std::size_t n = std::min({words_.size(), a.words_.size(), b.words_.size()});
    for (std::size_t i = 0; i < n; ++i)
        words_[i] |= a.words_[i] & b.words_[i];
    countKnown_ = false;
}

void QueryBitmap::Invert()
{
    for (auto& w : words_)
        w = ~w;
    if (!words_.empty())
        ClearTail();
    if (countKnown_)
        count_ = size_ - count_;
}

std::uint32_t QueryBitmap::Next(std::uint32_t recNo) const
{
    // Bit index recNo is record recNo + 1, the first candidate.
    if (recNo >= size_)
        return 0;
    std::size_t word = recNo >> 6;
    std::uint64_t bits = words_[word] & (~std::uint64_t{0} << (recNo & 63));
    while (bits == 0) {
        if (++word == words_.size())
            return 0;
        bits = words_[word];
    }
    return static_cast<std::uint32_t>(word * 64 + static_cast<std::size_t>(std::countr_zero(bits))) + 1;
}

std::uint32_t QueryBitmap::Prev(std::uint32_t recNo) const
{
    if (recNo <= 1 || size_ == 0)
        return 0;
    if (recNo > size_ + 1)
        recNo = size_ + 1;
    // Candidates are the bits 0 .. recNo - 2.
    const std::uint32_t last = recNo - 2;
    std::size_t word = last >> 6;
    const unsigned shift = 63 - (last & 63);
    std::uint64_t bits = words_[word] & (~std::uint64_t{0} >> shift);
    while (bits == 0) {
        if (word == 0)
            return 0;
        bits = words_[--word];
    }
    return static_cast<std::uint32_t>(word * 64 + 63 - static_cast<std::size_t>(std::countl_zero(bits))) + 1;
}

}  // namespace dbfexpr
