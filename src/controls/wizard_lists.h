#pragma once
// The small lists the wizard and its page-aware containers keep: a
// container's position per display page (TAposList), the wizard's way
// through its steps (TPageList) and plain integer lists (button codes, page
// history, tab rows). Each can be written to and read from its binary data
// block: the records one after another, 32-bit little-endian signed fields.

#include <QByteArray>

#include <cstdint>
#include <vector>

#include "platform/ui/component.h"

// Where a container stands on one display page.
struct TApos {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Shown = 0;  // 1 = shown on this page, anything else = hidden
};

// One wizard step: the display page it shows and the step after it.
struct TPageEntry {
    int32_t ShowPage = 0;
    // A step number, or kNextPlusOne (step + 1, OnAskPageChange may change
    // it), kNextFinish (last step), kNextJump (the checked jump radio
    // button decides).
    int32_t NextRule = -1;
};

inline constexpr int32_t kNextPlusOne = -1;
inline constexpr int32_t kNextFinish = -2;
inline constexpr int32_t kNextJump = -3;

class TAposList : public TPersistent {
public:
    int Count() const { return int(items_.size()); }
    void Add(const TApos& item) { items_.push_back(item); }
    // Removes record i; an index at or past the count does nothing.
    void Delete(int i);
    void Clear() { items_.clear(); }
    // Grows by records (0, 0, 0) or drops records from the end.
    void SetCount(int n);
    TApos GetItem(int i) const { return items_.at(size_t(i)); }
    TApos& Item(int i) { return items_.at(size_t(i)); }
    void Assign(const TPersistent* Source) override;

    // The data block: Count() x 12 bytes.
    QByteArray Data() const;
    // Empties the list and reads exactly count records from the block;
    // false (list empty) when the block is too short.
    bool ReadData(int count, const QByteArray& data);

private:
    std::vector<TApos> items_;
};

class TPageList : public TPersistent {
public:
    int Count() const { return int(items_.size()); }
    void Clear() { items_.clear(); }
    int32_t ShowPage(int i) const { return items_.at(size_t(i)).ShowPage; }
    int32_t NextRule(int i) const { return items_.at(size_t(i)).NextRule; }
    // Entries come from the form data; a form built in code adds them here.
    void Add(const TPageEntry& entry) { items_.push_back(entry); }
    void Assign(const TPersistent* Source) override;

    // Count() x 8 bytes.
    QByteArray Data() const;
    bool ReadData(int count, const QByteArray& data);

private:
    std::vector<TPageEntry> items_;
};

class TIntegerList : public TPersistent {
public:
    TIntegerList() = default;
    TIntegerList(std::initializer_list<int32_t> values) : items_(values) {}
    int Count() const { return int(items_.size()); }
    void Add(int32_t v) { items_.push_back(v); }
    void Delete(int i);
    void Clear() { items_.clear(); }
    int32_t Items(int i) const { return items_.at(size_t(i)); }
    void SetItems(int i, int32_t v) { items_.at(size_t(i)) = v; }
    void Assign(const TPersistent* Source) override;
    const std::vector<int32_t>& Values() const { return items_; }

    // Count() x 4 bytes.
    QByteArray Data() const;
    bool ReadData(int count, const QByteArray& data);

private:
    std::vector<int32_t> items_;
};
