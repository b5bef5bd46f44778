#pragma once
// Filter expressions of the extended datasets. A filter line such as
//   NAME = "Anna" AND (NUM > 3 OR FLAG = T)
// is parsed into the filter-expression block of the database API (a tree of
// comparisons, connectives, arithmetic, field references and typed
// constants); the filter application installs a filter from its text, and
// a per-record callback, on a dataset.
//
// Tables of the DBF engine's own types (ttDXNTX .. ttRXFOX) take the text
// unchanged as the engine's query (xBase syntax). The other table types take
// the parsed expression; the database API accepts the block but does not
// evaluate it, so the parsed tree is also handed to the engine as the query
// it means, and the records really are filtered.

#include "datagrid/dk_published.h"
#include "platform/data/dataset.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

using hDBIFilter = uint32_t;

// Why a filter text was refused: the message and the 1-based character
// position in the text it concerns (0 when it concerns the whole text).
struct TdkFilterError {
    QString Message;
    int Position = 0;
    // "message (Position n)" or the message alone.
    QString Text() const;
};

// Operator codes of the block.
enum : uint32_t {
    kFilterOpEq = 3, kFilterOpNe = 4, kFilterOpGt = 5, kFilterOpLt = 6, kFilterOpGe = 7, kFilterOpLe = 8,
    kFilterOpAnd = 10, kFilterOpOr = 11, kFilterOpField = 13, kFilterOpConst = 14,
    kFilterOpAdd = 16, kFilterOpSub = 17, kFilterOpMul = 18, kFilterOpDiv = 19
};

// One node of the expression tree. Kind: 0 comparison, 1 connective,
// 2 arithmetic, 3 operand. An operand of constant type 0 is a field
// reference; types 1..9 are the constant types (string, float, date-time,
// date, time, Boolean, integer, BCD, small integer).
struct TNode {
    uint8_t Kind = 3;
    uint8_t ConstType = 0;
    uint16_t Size = 0;
    QString Text;
    int NodeOffset = 0;
    std::unique_ptr<TNode> Left, Right;
    // Where the node's token starts in the text (0-based), for errors.
    int Position = 0;
    uint32_t Op = 0;
    // Field type an arithmetic node carries from its left side (constants
    // combined with it take that type); 0 when none.
    uint8_t ResultType = 0;
};

// Parses a filter text against the fields of the dataset into a
// filter-expression block; empty with the error filled when the text is
// refused. The block is little-endian: version, total size, node count,
// node start, literal start (16-bit each), 14-byte node slots with the root
// first, then the literal pool (names and constants in writing order).
std::vector<uint8_t> dkParseFilter(const QString& text, const TDataSet* dataSet, TdkFilterError* error = nullptr);

// The parsed tree of a filter text (null and the error filled when refused).
std::unique_ptr<TNode> dkParseFilterTree(const QString& text, const TDataSet* dataSet, TdkFilterError* error);

// The engine query (xBase) that selects the records the tree selects; empty
// with the error filled when a constant cannot be written in the query.
QString dkFilterTreeToQuery(const TNode& root, const TDataSet* dataSet, TdkFilterError* error);

// Installs the filter of the text on the dataset (empty text: removes it).
// Without force an inactive dataset only loses its handle. Answers false
// and fills error when the text is refused; the dataset then shows all
// records.
bool dkApplyFilter(const QString& text, TDataSet* dataSet, hDBIFilter& filter, bool force,
                   QString* error = nullptr);

// Installs (or with none removes) a per-record callback filter.
using TdkRecordFilter = std::function<void(TDataSet*, bool& accept)>;
bool dkSetFilterCallback(TdkRecordFilter callback, TDataSet* dataSet, hDBIFilter& filter);

// One call of an extended dataset's record filter callback: nothing but
// accept while the callback runs already (it moves in the dataset), when
// there is none or ofoEnabled is off. With ofoCancelOnEscape every 100th
// call (the counter wraps at 32000) looks for Esc: then ofoEnabled goes off
// and onEscape runs. Answers whether the record is accepted.
struct TdkRecordFilterState {
    TdkOnFilterOptions Options{ofoEnabled, ofoShowHourGlass};
    int EscapeCount = 0;
    bool InCallback = false;
};
bool dkRunRecordFilter(TdkRecordFilterState& state, const std::function<void(bool& accept)>& callback,
                       const std::function<void()>& onEscape);

// Removes an installed expression filter and clears the handle.
void dkDropFilter(TDataSet* dataSet, hDBIFilter& filter);
