// A bitmap over the record numbers 1..Size() of a table: the records that
// pass the work area's query. Set, clear and test are O(1), the count is kept
// as bits change (set operations count the words they write as they go), and
// Next/Prev find the neighbouring set bit a word (64 records) at a time, so
// walking a sparse query skips empty stretches fast.
#pragma once

#include <cstdint>
#include <vector>

namespace dbfexpr {

class QueryBitmap {
public:
    QueryBitmap() = default;
    explicit QueryBitmap(std::uint32_t size, bool value = false) { Resize(size, value); }

    std::uint32_t Size() const { return size_; }
    std::uint32_t Count() const { return count_; }

    // Changes the number of records; records added get `value`, records cut
    // off are dropped from the count.
    void Resize(std::uint32_t size, bool value = false);

    void SetAll();
    void ClearAll();

    // Record numbers outside 1..Size() are ignored (Test gives false).
    void Set(std::uint32_t recNo);
    void Clear(std::uint32_t recNo);
    void Assign(std::uint32_t recNo, bool value) { value ? Set(recNo) : Clear(recNo); }
    bool Test(std::uint32_t recNo) const
    {
        if (recNo == 0 || recNo > size_)
            return false;
        const std::uint32_t bit = recNo - 1;
        return (words_[bit >> 6] >> (bit & 63)) & 1;
    }

    // Set operations over bitmaps of the same size (a word at a time; a
    // shorter `other` counts as clear past its end).
    void AndWith(const QueryBitmap& other);
    void OrWith(const QueryBitmap& other);
    void AndNotWith(const QueryBitmap& other);
    // Sets the records set in both `a` and `b` (this |= a & b).
    void OrWithBoth(const QueryBitmap& a, const QueryBitmap& b);
    void Invert();
    // The records set in both this and `other` (same size), counted without
    // a copy.
    std::uint32_t CountAnd(const QueryBitmap& other) const;

    // The first set record above `recNo` (Next(0) is the first of all), or 0.
    std::uint32_t Next(std::uint32_t recNo) const;
    // The last set record below `recNo` (Prev(Size() + 1) is the last), or 0.
    std::uint32_t Prev(std::uint32_t recNo) const;
    std::uint32_t First() const { return Next(0); }
    std::uint32_t Last() const { return size_ ? Prev(size_ + 1) : 0; }

private:
    void ClearTail();  // keeps the bits past size_ in the last word zero
    // words_[i] = op(words_[i], other's word or 0) for every word, the bits
    // past size_ cleared and the result counted.
    template <typename Op>
    void Combine(const QueryBitmap& other, Op op);
    std::vector<std::uint64_t> words_;
    std::uint32_t size_ = 0;
    std::uint32_t count_ = 0;
};

}  // namespace dbfexpr
