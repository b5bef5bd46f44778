// Tests of the query bitmap against a plain reference over random changes.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/dbf/expr_query_bitmap.h"

using dbfexpr::QueryBitmap;

namespace {

// Checks every query of the bitmap against a reference (index = record number).
void ExpectMatches(const QueryBitmap& bitmap, const std::vector<bool>& ref)
{
    const auto size = static_cast<std::uint32_t>(ref.size() - 1);
    ASSERT_EQ(bitmap.Size(), size);
    std::uint32_t count = 0;
    for (std::uint32_t r = 1; r <= size; ++r) {
        ASSERT_EQ(bitmap.Test(r), ref[r]) << r;
        count += ref[r];
    }
    EXPECT_EQ(bitmap.Count(), count);
    EXPECT_FALSE(bitmap.Test(0));
    EXPECT_FALSE(bitmap.Test(size + 1));
    // Forward and backward walks visit exactly the set records.
    std::vector<std::uint32_t> forward, backward, expected;
    for (std::uint32_t r = 1; r <= size; ++r)
        if (ref[r])
            expected.push_back(r);
    for (std::uint32_t r = bitmap.First(); r != 0; r = bitmap.Next(r))
        forward.push_back(r);
    for (std::uint32_t r = bitmap.Last(); r != 0; r = bitmap.Prev(r))
        backward.insert(backward.begin(), r);
    EXPECT_EQ(forward, expected);
    EXPECT_EQ(backward, expected);
}

}  // namespace

TEST(QueryBitmap, SetClearTestCountAndWalks)
{
    for (std::uint32_t size : {0u, 1u, 63u, 64u, 65u, 128u, 1000u}) {
        SCOPED_TRACE(size);
        QueryBitmap bitmap(size);
        std::vector<bool> ref(size + 1, false);
        ExpectMatches(bitmap, ref);
        EXPECT_EQ(bitmap.First(), 0u);
        EXPECT_EQ(bitmap.Last(), 0u);
        std::mt19937 rng(size);
        for (int i = 0; i < 3000 && size > 0; ++i) {
            const std::uint32_t r = 1 + rng() % size;
            const bool value = rng() % 3 != 0;
            bitmap.Assign(r, value);
            ref[r] = value;
        }
        ExpectMatches(bitmap, ref);
        // Setting twice or clearing a clear bit does not change the count.
        if (size > 0) {
            bitmap.Set(size);
            bitmap.Set(size);
            ref[size] = true;
            bitmap.Clear(1);
            bitmap.Clear(1);
            ref[1] = false;
            ExpectMatches(bitmap, ref);
        }
        bitmap.SetAll();
        EXPECT_EQ(bitmap.Count(), size);
        EXPECT_EQ(bitmap.Last(), size);
        bitmap.ClearAll();
        EXPECT_EQ(bitmap.Count(), 0u);
        EXPECT_EQ(bitmap.Next(0), 0u);
    }
}

TEST(QueryBitmap, OutOfRangeRecordsAreIgnored)
{
    QueryBitmap bitmap(10);
    bitmap.Set(0);
    bitmap.Set(11);
    bitmap.Set(4000000000u);
    EXPECT_EQ(bitmap.Count(), 0u);
    bitmap.Set(10);
    EXPECT_EQ(bitmap.Next(10), 0u);
    EXPECT_EQ(bitmap.Next(4000000000u), 0u);
    EXPECT_EQ(bitmap.Prev(4000000000u), 10u);
    EXPECT_EQ(bitmap.Prev(10), 0u);
    EXPECT_EQ(bitmap.Prev(1), 0u);
    EXPECT_EQ(bitmap.Prev(0), 0u);
}

TEST(QueryBitmap, ResizeKeepsBitsAndCount)
{
    QueryBitmap bitmap(70);
    std::vector<bool> ref(71, false);
    for (std::uint32_t r : {1u, 3u, 64u, 65u, 70u}) {
        bitmap.Set(r);
        ref[r] = true;
    }
    // Growing with new records cleared, then set (appended records that pass).
    bitmap.Resize(100);
    ref.resize(101, false);
    ExpectMatches(bitmap, ref);
    bitmap.Resize(130, true);
    ref.resize(131, true);
    ExpectMatches(bitmap, ref);
    bitmap.Resize(133, true);  // within the same word
    ref.resize(134, true);
    ExpectMatches(bitmap, ref);
    // Shrinking drops the cut records from the count.
    bitmap.Resize(65);
    ref.resize(66);
    ExpectMatches(bitmap, ref);
    bitmap.Resize(70);  // the records cut off do not come back
    ref.resize(71, false);
    ExpectMatches(bitmap, ref);
    bitmap.Resize(0);
    EXPECT_EQ(bitmap.Count(), 0u);
    EXPECT_EQ(bitmap.Last(), 0u);
}

// And, or, and-not, or-with-both and invert against the reference, with single changes
// and resizes after them (the count is worked out again lazily).
TEST(QueryBitmap, SetOperationsMatchTheReference)
{
    for (std::uint32_t size : {1u, 63u, 64u, 65u, 200u}) {
        SCOPED_TRACE(size);
        std::mt19937 rng(size * 3 + 1);
        auto random = [&](std::vector<bool>& ref) {
            QueryBitmap b(size);
            ref.assign(size + 1, false);
            for (std::uint32_t r = 1; r <= size; ++r)
                if (rng() % 2) {
                    b.Set(r);
                    ref[r] = true;
                }
            return b;
        };
        std::vector<bool> ra, rb;
        QueryBitmap a = random(ra), b = random(rb);
        for (int op = 0; op < 5; ++op) {
            switch (op) {
            case 4: {
                std::vector<bool> rc;
                const QueryBitmap c = random(rc);
                a.OrWithBoth(b, c);
                for (std::uint32_t r = 1; r <= size; ++r) ra[r] = ra[r] || (rb[r] && rc[r]);
                break;
            }
            case 0: a.AndWith(b); for (std::uint32_t r = 1; r <= size; ++r) ra[r] = ra[r] && rb[r]; break;
            case 1: a.OrWith(b); for (std::uint32_t r = 1; r <= size; ++r) ra[r] = ra[r] || rb[r]; break;
            case 2: a.AndNotWith(b); for (std::uint32_t r = 1; r <= size; ++r) ra[r] = ra[r] && !rb[r]; break;
            default: a.Invert(); for (std::uint32_t r = 1; r <= size; ++r) ra[r] = !ra[r]; break;
            }
            ExpectMatches(a, ra);
            // A single change right after an operation keeps the count right.
            const std::uint32_t r = 1 + rng() % size;
            a.OrWith(QueryBitmap(size));
            a.Assign(r, !ra[r]);
            ra[r] = !ra[r];
            ExpectMatches(a, ra);
            b = random(rb);
        }
        a.Resize(size + 70, true);
        ra.resize(size + 71, true);
        a.AndNotWith(b);  // the shorter bitmap leaves the new records alone
        for (std::uint32_t r = 1; r <= size; ++r) ra[r] = ra[r] && !rb[r];
        ExpectMatches(a, ra);
        // A longer bitmap's records past the size neither come in nor count.
        QueryBitmap shorter(size);
        shorter.OrWith(QueryBitmap(size + 70, true));
        ExpectMatches(shorter, std::vector<bool>(size + 1, true));
    }
}

// The count of the records set in both agrees with the reference, also for
// an inverted bitmap (whose bits past the size must not count).
TEST(QueryBitmap, CountOfBothMatchesTheReference)
{
    for (std::uint32_t size : {1u, 63u, 64u, 65u, 200u}) {
        SCOPED_TRACE(size);
        std::mt19937 rng(size * 7 + 5);
        QueryBitmap a(size), b(size);
        std::vector<bool> ra(size + 1, false), rb(size + 1, false);
        for (std::uint32_t r = 1; r <= size; ++r) {
            if (rng() % 3 == 0) { a.Set(r); ra[r] = true; }
            if (rng() % 2 == 0) { b.Set(r); rb[r] = true; }
        }
        for (int round = 0; round < 2; ++round) {
            std::uint32_t both = 0;
            for (std::uint32_t r = 1; r <= size; ++r) both += ra[r] && rb[r];
            EXPECT_EQ(a.CountAnd(b), both);
            EXPECT_EQ(b.CountAnd(a), both);
            a.Invert();
            for (std::uint32_t r = 1; r <= size; ++r) ra[r] = !ra[r];
        }
    }
}
