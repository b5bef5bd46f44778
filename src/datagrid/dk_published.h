#pragma once
// What the data-aware library reads of a dataset or a control by published
// property name. The grid and the edit controls never depend on the dataset
// class: a dataset that publishes "PictureMasks", "ControlType",
// "LookupFields", "LookupLinks", "ValidateWithMask", "OnInvalidValue" or
// "OnFilterOptions" derives from TdkPublished and answers for the names it
// has; any other dataset reads as having none of them.

#include "platform/ui/framework_types.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TDataSet;
class TDataSource;
class TField;
class TStringList;
class TdkTable;

enum TdkOnFilterOption { ofoEnabled, ofoShowHourGlass, ofoCancelOnEscape };
using TdkOnFilterOptions = TSet<TdkOnFilterOption>;
using TdkInvalidValueEvent = std::function<void(TDataSet* DataSet, TField* Field)>;
enum TdkLocateMatchType { mtExactMatch, mtPartialMatchStart, mtPartialMatchAny };
// The lookup tables a dataset opened for its lookup fields.
using TdkLookupTableList = std::vector<std::unique_ptr<TdkTable>>;

class TdkPublished {
public:
    virtual ~TdkPublished() = default;
    // A string-list property by name; null when not published.
    virtual TStringList* PublishedStrings(const QString& name) { (void)name; return nullptr; }
    // A Boolean property by name; false when not published.
    virtual bool PublishedBoolean(const QString& name, bool& value) { (void)name, (void)value; return false; }
    // "OnInvalidValue"; null when not published.
    virtual TdkInvalidValueEvent* PublishedInvalidValue() { return nullptr; }
    // "OnFilterOptions": read, and write through the property's writer.
    virtual bool PublishedFilterOptions(TdkOnFilterOptions& options) { (void)options; return false; }
    virtual bool SetPublishedFilterOptions(TdkOnFilterOptions options) { (void)options; return false; }
    // The lookup tables this dataset owns; null for a dataset without.
    virtual TdkLookupTableList* LookupTableList() { return nullptr; }
};

// A data-aware control publishes "DataSource" and "DataField" through this.
class TdkDataAwareControl {
public:
    virtual ~TdkDataAwareControl() = default;
    virtual TDataSource* GetDataSource() const = 0;
    virtual void SetDataSource(TDataSource* source) = 0;
    virtual QString GetDataField() const = 0;
    virtual void SetDataField(const QString& name) = 0;
};
