#pragma once
// The common routines of the data-aware library over the extended
// field-info lists of a dataset, read by published property name:
//   ControlType   field;type;parameters            (field names exact)
//   PictureMasks  field TAB mask TAB T/F TAB T/F   (field names ignore case)
//   LookupFields  field;database;table;display field;index | key fields...;flag
//   LookupLinks   master field;lookup field;...     (parallel to LookupFields)
// and the shared checks, column-layout transfer and control helpers.

#include "datagrid/dk_published.h"
#include "platform/data/dataset.h"

#include <QString>

class TComponent;
class TControl;
class TStringList;
class TWinControl;
class QWidget;

// Property readers and writers by published name.
TdkInvalidValueEvent dkGetOnInvalidValue(TDataSet* DataSet);
TStringList* dkGetPictureMasksList(TDataSet* DataSet);
TStringList* dkGetControlTypeList(TDataSet* DataSet);
bool dkGetValidateWithMask(TDataSet* DataSet);
TStringList* dkGetLookupFieldsList(TDataSet* DataSet);
TStringList* dkGetLookupLinksList(TDataSet* DataSet);
QString dkGetDatabaseName(TDataSet* DataSet);
TdkOnFilterOptions dkGetFilterOptions(TDataSet* DataSet);
void dkSetFilterEnabled(TDataSet* DataSet, bool Enabled);
TdkLookupTableList* dkGetLookupTableList(TDataSet* DataSet);
TDataSource* dkGetControlDataSource(TComponent* Component);
bool dkSetControlDataSource(TControl* Control, TDataSource* DataSource);
bool dkSetControlDataField(TControl* Control, const QString& FieldName);
QString dkGetControlDataField(TControl* Control);

// Field-info lookups.
void dkGetControlType(TDataSet* DataSet, const QString& FieldName, QString& TypeName, QString& Params);
bool dkIsEditControlType(const QString& TypeName);
void dkGetFieldPictureMask(TDataSet* DataSet, const QString& FieldName, bool CheckTable, QString& Mask,
                           bool& AutoFill, bool& Flag2);
void dkSetFieldPictureMask(TDataSet* DataSet, const QString& FieldName, const QString& Mask, bool AutoFill,
                           bool Flag2, bool ChangeMask, bool ChangeAutoFill, bool ChangeFlag2);
void dkGetTablePictureMask(TDataSet* DataSet, const QString& FieldName, QString& Mask);
QString dkGetLookupLink(TDataSet* DataSet, const QString& FieldName);
QString dkGetLookupFieldsItem(TDataSet* DataSet, const QString& FieldName);
void dkGetLookupFieldInfo(TField* Field, QString& DatabaseName, QString& TableName, QString& Links,
                          QString& DisplayField);
bool dkFindColumnEntry(const TStringList* List, const QString& FieldName, int& Index);
bool dkDataSetHasField(TDataSet* DataSet, const QString& FieldName);
inline QString dkBoolToTF(bool b) { return b ? QStringLiteral("T") : QStringLiteral("F"); }

// Dataset and field classification.
bool dkIsDkDataSet(TDataSet* DataSet);
// The class or an ancestor is named so (ignoring case). The library's own
// dataset classes are known by name; others by their C++ type name.
bool dkIsClassNamed(TDataSet* DataSet, const QString& Name);
bool dkIsIndexedTable(TDataSet* DataSet);
bool dkIsTableWithQuery(TDataSet* DataSet);
bool dkIsCalcOrLookupField(const TField* Field);
inline bool dkFieldIsCalcOrLookup(const TField* Field) { return dkIsCalcOrLookupField(Field); }
bool dkIsValidTextForType(TFieldType DataType, const QString& Text);
bool dkIsValidFieldText(const TField* Field, const QString& Text);
bool dkIsValidFieldValue(const TField* Field, const QString& Text);
bool dkIsNumericFieldType(TFieldType DataType);
bool dkIsEditKey(int Key);
inline bool dkHighBitSet(uint8_t B) { return (B & 0x80) != 0; }
inline int dkMaxInt(int a, int b) { return a > b ? a : b; }
inline int dkMinInt(int a, int b) { return a < b ? a : b; }
inline bool dkLocateDefaultFalse() { return false; }

// Column layout (entries: field TAB width TAB label).
void dkApplyColumnsToFields(TDataSet* DataSet, const TStringList* List);
void dkSaveColumnsToList(TDataSet* DataSet, TStringList& List);

// Stale entries.
void dkPurgeFieldLists(TDataSet* DataSet, TStringList* LookupFields, TStringList* LookupLinks,
                       TStringList* ControlType);
bool dkPurgeControlTypes(TComponent* Owner, TDataSet* DataSet);

// Validation before posting.
bool dkTextPassesPicture(const QString& Mask, const QString& Text);
// The error names the field after the library's PictureValidateError text.
void dkValidatePictureMasks(TDataSet* DataSet, const TdkInvalidValueEvent& OnInvalid);

// Other common routines.
bool dkLocateFieldValue(TDataSet* DataSet, const QString& Value, const QString& FieldName,
                        TdkLocateMatchType MatchType, bool CaseSensitive);
TComponent* dkGetOwnerForm(TComponent* Component);
void dkNotifyDesignerModified(TComponent* Component);
void dkPostLButtonUp();
void dkPostShiftedKey(QWidget* Handle, int Key, int ShiftKey);
bool dkCheckFilterEscape(TDataSet* DataSet);
QString dkStringsToPChar(const TStringList& Strings, bool OneLine);
int dkCompareBookmarks(TDataSet* DataSet, TBookmark Bookmark1, TBookmark Bookmark2);
void dkGetWorkArea(TRect& Rect);

// QBE answer tables.
bool dkGetAliasPath(const QString& Alias, QString& Path);
bool dkPrepareAnswerTable(TDataSet* DataSet, hDBICur Cursor, const QString& AnswerName);
