// The order in which a work area walks its table. Navigation only asks an
// order for its first, last, next and previous record, so the natural record
// order and an index tag's order (with its scope) are interchangeable.
#pragma once

#include <cstdint>

namespace dbf {

class DbfTable;

class RecordOrder {
public:
    virtual ~RecordOrder() = default;
    // Record numbers; 0 = none. `current` may be a record that is not in the
    // order (the order then places it where it belongs), or RecCount + 1.
    virtual std::uint32_t First() = 0;
    virtual std::uint32_t Last() = 0;
    virtual std::uint32_t Next(std::uint32_t current) = 0;
    virtual std::uint32_t Prev(std::uint32_t current) = 0;
};

// Record numbers 1..RecCount.
class NaturalOrder final : public RecordOrder {
public:
    explicit NaturalOrder(DbfTable& table) : table_(table) {}
    std::uint32_t First() override;
    std::uint32_t Last() override;
    std::uint32_t Next(std::uint32_t current) override;
    std::uint32_t Prev(std::uint32_t current) override;

private:
    DbfTable& table_;
};

}  // namespace dbf
