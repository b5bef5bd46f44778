#include "datagrid/dk_published_lists.h"

#include "datagrid/dk_table.h"

TdkPublishedLists::TdkPublishedLists() = default;

// Out of line: the lookup tables are TdkTable, complete only here.
TdkPublishedLists::~TdkPublishedLists() = default;

TStringList* TdkPublishedLists::PublishedStrings(const QString& name)
{
    if (name == u"PictureMasks")
        return &pictureMasks_;
    if (name == u"ControlType")
        return &controlType_;
    if (name == u"LookupFields")
        return &lookupFields_;
    if (name == u"LookupLinks")
        return &lookupLinks_;
    return nullptr;
}
