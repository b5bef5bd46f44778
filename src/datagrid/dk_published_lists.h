#pragma once
// The published lists, the invalid-value event, the record filter's state
// and the lookup tables that TdkTable and the statement datasets both keep,
// with the answers of TdkPublished that read them.

#include "datagrid/dk_filter.h"
#include "datagrid/dk_published.h"
#include "platform/core/string_list.h"

class TdkPublishedLists : public TdkPublished {
public:
    TdkPublishedLists();
    ~TdkPublishedLists() override;
    TdkPublishedLists(const TdkPublishedLists&) = delete;
    TdkPublishedLists& operator=(const TdkPublishedLists&) = delete;

    // The published lists; the setters copy the given lines.
    TStringList& ControlType() { return controlType_; }
    void SetControlType(const TStringList& lines) { controlType_.Assign(lines); }
    TStringList& LookupFields() { return lookupFields_; }
    void SetLookupFields(const TStringList& lines) { lookupFields_.Assign(lines); }
    TStringList& LookupLinks() { return lookupLinks_; }
    void SetLookupLinks(const TStringList& lines) { lookupLinks_.Assign(lines); }
    TStringList& PictureMasks() { return pictureMasks_; }
    void SetPictureMasks(const TStringList& lines) { pictureMasks_.Assign(lines); }

    TdkInvalidValueEvent OnInvalidValue;
    TdkOnFilterOptions OnFilterOptions() const { return filterState_.Options; }
    // The dataset's writer of the record filter's options.
    virtual void SetOnFilterOptions(TdkOnFilterOptions options) = 0;
    // Escape poll counter of the record filter (wraps at 32000).
    int EscapePollCount() const { return filterState_.EscapeCount; }

    // TdkPublished: "PictureMasks", "ControlType", "LookupFields",
    // "LookupLinks", "OnInvalidValue", "OnFilterOptions" and the lookup
    // tables.
    TStringList* PublishedStrings(const QString& name) override;
    TdkInvalidValueEvent* PublishedInvalidValue() override { return &OnInvalidValue; }
    bool PublishedFilterOptions(TdkOnFilterOptions& options) override
    {
        options = filterState_.Options;
        return true;
    }
    bool SetPublishedFilterOptions(TdkOnFilterOptions options) override
    {
        SetOnFilterOptions(options);
        return true;
    }
    TdkLookupTableList* LookupTableList() override { return &lookupCursors_; }

protected:
    TStringList controlType_, lookupFields_, lookupLinks_, pictureMasks_;
    TdkRecordFilterState filterState_;
    TdkLookupTableList lookupCursors_;
};
