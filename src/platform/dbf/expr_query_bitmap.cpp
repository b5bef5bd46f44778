#include "platform/dbf/expr_query_bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>

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
        for (std::uint32_t r = Next(size); r != 0; r = Next(r))
            --count_;
        size_ = size;
        words_.resize((std::size_t{size} + 63) / 64);
        if (!words_.empty())
            ClearTail();
        return;
    }
    // Grown words come zeroed; set ones are filled in one memset.
    const std::size_t had = words_.size();
    words_.resize((std::size_t{size} + 63) / 64);
    if (value && words_.size() > had)
        std::memset(words_.data() + had, value ? 0xFF : 0, (words_.size() - had) * sizeof(std::uint64_t));
    size_ = size;
    if (value && size > old) {
        // Fill the rest of the old last word, then count the new records.
        for (std::uint32_t bit = old; bit < size && (bit & 63); ++bit)
            words_[bit >> 6] |= std::uint64_t{1} << (bit & 63);
        count_ += size - old;
    }
    if (!words_.empty())
        ClearTail();
}

void QueryBitmap::SetAll()
{
    std::fill(words_.begin(), words_.end(), ~std::uint64_t{0});
    if (!words_.empty())
        ClearTail();
    count_ = size_;
}

void QueryBitmap::ClearAll()
{
    std::fill(words_.begin(), words_.end(), std::uint64_t{0});
    count_ = 0;
}

void QueryBitmap::Set(std::uint32_t recNo)
{
    if (recNo == 0 || recNo > size_)
        return;
    std::uint64_t& w = words_[(recNo - 1) >> 6];
    const std::uint64_t mask = std::uint64_t{1} << ((recNo - 1) & 63);
    if (!(w & mask)) {
        w |= mask;
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
        --count_;
    }
}

// The loops below count with the processor's population count where it has
// one: each public routine is built twice and the fitting one chosen when the
// program loads (the portable build would call a library routine per word).
template <typename Op>
inline __attribute__((always_inline)) void QueryBitmap::Combine(const QueryBitmap& other, Op op)
{
    const std::size_t words = words_.size();
    const std::size_t both = std::min(words, other.words_.size());
    std::uint64_t* w = words_.data();
    const std::uint64_t* o = other.words_.data();
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < both; ++i) {
        w[i] = op(w[i], o[i]);
        n += static_cast<std::uint32_t>(__builtin_popcountll(w[i]));
    }
    for (std::size_t i = both; i < words; ++i) {
        w[i] = op(w[i], std::uint64_t{0});
        n += static_cast<std::uint32_t>(__builtin_popcountll(w[i]));
    }
    if ((size_ & 63) && words > 0) {
        const std::uint64_t past = words_.back() & ~((std::uint64_t{1} << (size_ & 63)) - 1);
        n -= static_cast<std::uint32_t>(__builtin_popcountll(past));
        ClearTail();
    }
    count_ = n;
}

#define LX_COUNTING __attribute__((target_clones("popcnt", "default")))

LX_COUNTING std::uint32_t QueryBitmap::CountAnd(const QueryBitmap& other) const
{
    const std::size_t both = std::min(words_.size(), other.words_.size());
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < both; ++i)
        n += static_cast<std::uint32_t>(__builtin_popcountll(words_[i] & other.words_[i]));
    return n;
}

LX_COUNTING void QueryBitmap::AndWith(const QueryBitmap& other)
{
    Combine(other, [](std::uint64_t w, std::uint64_t o) { return w & o; });
}

LX_COUNTING void QueryBitmap::OrWith(const QueryBitmap& other)
{
    Combine(other, [](std::uint64_t w, std::uint64_t o) { return w | o; });
}

LX_COUNTING void QueryBitmap::AndNotWith(const QueryBitmap& other)
{
    Combine(other, [](std::uint64_t w, std::uint64_t o) { return w & ~o; });
}

LX_COUNTING void QueryBitmap::OrWithBoth(const QueryBitmap& a, const QueryBitmap& b)
{
    const std::size_t both = std::min({words_.size(), a.words_.size(), b.words_.size()});
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < both; ++i) {
        words_[i] |= a.words_[i] & b.words_[i];
        n += static_cast<std::uint32_t>(__builtin_popcountll(words_[i]));
    }
    for (std::size_t i = both; i < words_.size(); ++i)
        n += static_cast<std::uint32_t>(__builtin_popcountll(words_[i]));
    count_ = n;
}

#undef LX_COUNTING

void QueryBitmap::Invert()
{
    for (auto& w : words_)
        w = ~w;
    if (!words_.empty())
        ClearTail();
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
