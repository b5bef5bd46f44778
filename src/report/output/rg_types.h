#pragma once
// The report engine's shared plain types: the enumerations its published
// properties are declared with, the event signatures and the exception
// classes through which it reports failures.
//
// Enumerated properties are streamed by identifier, so next to every
// published enumeration stands the table of its identifiers in ordinal
// order; the stream layer registers the types from rgPublishedEnumTypes.
// Identifiers and order are part of the template format: never reorder.

#include <QString>
#include <QStringView>
#include <QVariant>

#include <array>
#include <functional>
#include <span>

#include "platform/core/exceptions.h"
#include "platform/ui/framework_types.h"

class TStringList;
class TPicture;

// ---- published enumerations ------------------------------------------------

enum TrgBarCodeType { bcUPC_A, bcEAN_13, bcInt2of5, bcCode128, bcCode39, bcPostnet };
inline constexpr std::array<const char*, 6> TrgBarCodeTypeIdentifiers{
    "bcUPC_A", "bcEAN_13", "bcInt2of5", "bcCode128", "bcCode39", "bcPostnet"};

enum TrgBarCodeOrientation { orLeftToRight, orRightToLeft, orTopToBottom, orBottomToTop };
inline constexpr std::array<const char*, 4> TrgBarCodeOrientationIdentifiers{
    "orLeftToRight", "orRightToLeft", "orTopToBottom", "orBottomToTop"};

enum TrgBreakType { btDataField, btCustomField };
inline constexpr std::array<const char*, 2> TrgBreakTypeIdentifiers{"btDataField", "btCustomField"};

enum TrgCalcType {
    ctDate, ctDateTime, ctPrintDateTime, ctPageCount, ctPageSet,
    ctPageSetDesc, ctPageNo, ctPageNoDesc, ctTime, ctCustom
};
inline constexpr std::array<const char*, 10> TrgCalcTypeIdentifiers{
    "ctDate", "ctDateTime", "ctPrintDateTime", "ctPageCount", "ctPageSet",
    "ctPageSetDesc", "ctPageNo", "ctPageNoDesc", "ctTime", "ctCustom"};

enum TrgDataType {
    dtBoolean, dtDate, dtTime, dtDateTime, dtInteger, dtLongint,
    dtDouble, dtString, dtBLOB, dtNotKnown, dtMemo, dtGraphic
};
inline constexpr std::array<const char*, 12> TrgDataTypeIdentifiers{
    "dtBoolean", "dtDate", "dtTime", "dtDateTime", "dtInteger", "dtLongint",
    "dtDouble", "dtString", "dtBLOB", "dtNotKnown", "dtMemo", "dtGraphic"};

enum TrgDBCalcType { dcCount, dcSum, dcMinimum, dcMaximum, dcAverage };
inline constexpr std::array<const char*, 5> TrgDBCalcTypeIdentifiers{
    "dcCount", "dcSum", "dcMinimum", "dcMaximum", "dcAverage"};

// Which output device a print job uses: printer, preview window, text file, archive file.
enum TrgDeviceType { dvPrinter, dvScreen, dvFile, dvArchive };
inline constexpr std::array<const char*, 4> TrgDeviceTypeIdentifiers{
    "dvPrinter", "dvScreen", "dvFile", "dvArchive"};

enum TrgDuplexType { dpNone, dpHorizontal, dpVertical };
inline constexpr std::array<const char*, 3> TrgDuplexTypeIdentifiers{"dpNone", "dpHorizontal", "dpVertical"};

// Text file output. Shares the prefix "ft" with TrgFormatType; both sets
// stand side by side with their own ordinals.
enum TrgFileType { ftComma, ftTab, ftFixedLength, ftCustom };
inline constexpr std::array<const char*, 4> TrgFileTypeIdentifiers{
    "ftComma", "ftTab", "ftFixedLength", "ftCustom"};

enum TrgFormatType { ftBinary, ftASCII };
inline constexpr std::array<const char*, 2> TrgFormatTypeIdentifiers{"ftBinary", "ftASCII"};

// Selects the block of engine strings.
enum TrgLanguageType {
    lgCustom, lgDanish, lgDutch, lgEnglish, lgFrench, lgGerman,
    lgItalian, lgPortugueseBrazil, lgPortuguese, lgSpanish, lgSwedish, lgNorwegian
};
inline constexpr std::array<const char*, 12> TrgLanguageTypeIdentifiers{
    "lgCustom", "lgDanish", "lgDutch", "lgEnglish", "lgFrench", "lgGerman",
    "lgItalian", "lgPortugueseBrazil", "lgPortuguese", "lgSpanish", "lgSwedish", "lgNorwegian"};

enum TrgLinePositionType { lpTop, lpBottom, lpLeft, lpRight };
inline constexpr std::array<const char*, 4> TrgLinePositionTypeIdentifiers{
    "lpTop", "lpBottom", "lpLeft", "lpRight"};

enum TrgLineStyleType { lsSingle, lsDouble };
inline constexpr std::array<const char*, 2> TrgLineStyleTypeIdentifiers{"lsSingle", "lsDouble"};

enum TrgPassSettingType { psOnePass, psTwoPass };
inline constexpr std::array<const char*, 2> TrgPassSettingTypeIdentifiers{"psOnePass", "psTwoPass"};

enum TrgPrintBehaviorType { pbChild, pbSection, pbFixed };
inline constexpr std::array<const char*, 3> TrgPrintBehaviorTypeIdentifiers{"pbChild", "pbSection", "pbFixed"};

enum TrgPrintHeightType { phStatic, phDynamic };
inline constexpr std::array<const char*, 2> TrgPrintHeightTypeIdentifiers{"phStatic", "phDynamic"};

enum TrgRangeBeginType { rbFirstRecord, rbLastRecord, rbCurrentRecord };
inline constexpr std::array<const char*, 3> TrgRangeBeginTypeIdentifiers{
    "rbFirstRecord", "rbLastRecord", "rbCurrentRecord"};

enum TrgRangeEndType { reFirstRecord, reLastRecord, reCurrentRecord, reCount };
inline constexpr std::array<const char*, 4> TrgRangeEndTypeIdentifiers{
    "reFirstRecord", "reLastRecord", "reCurrentRecord", "reCount"};

enum TrgSaveToType { stDatabase, stFile };
inline constexpr std::array<const char*, 2> TrgSaveToTypeIdentifiers{"stDatabase", "stFile"};

enum TrgUnitType { utScreenPixels, utInches, utMillimeters, utPrinterPixels, utMMThousandths };
inline constexpr std::array<const char*, 5> TrgUnitTypeIdentifiers{
    "utScreenPixels", "utInches", "utMillimeters", "utPrinterPixels", "utMMThousandths"};

// One published enumeration: its type name and its identifiers by ordinal.
struct TrgEnumTypeInfo {
    const char* TypeName;
    std::span<const char* const> Identifiers;
};

inline constexpr std::array<TrgEnumTypeInfo, 20> rgPublishedEnumTypes{{
    {"TrgBarCodeType", TrgBarCodeTypeIdentifiers},
    {"TrgBarCodeOrientation", TrgBarCodeOrientationIdentifiers},
    {"TrgBreakType", TrgBreakTypeIdentifiers},
    {"TrgCalcType", TrgCalcTypeIdentifiers},
    {"TrgDataType", TrgDataTypeIdentifiers},
    {"TrgDBCalcType", TrgDBCalcTypeIdentifiers},
    {"TrgDeviceType", TrgDeviceTypeIdentifiers},
    {"TrgDuplexType", TrgDuplexTypeIdentifiers},
    {"TrgFileType", TrgFileTypeIdentifiers},
    {"TrgFormatType", TrgFormatTypeIdentifiers},
    {"TrgLanguageType", TrgLanguageTypeIdentifiers},
    {"TrgLinePositionType", TrgLinePositionTypeIdentifiers},
    {"TrgLineStyleType", TrgLineStyleTypeIdentifiers},
    {"TrgPassSettingType", TrgPassSettingTypeIdentifiers},
    {"TrgPrintBehaviorType", TrgPrintBehaviorTypeIdentifiers},
    {"TrgPrintHeightType", TrgPrintHeightTypeIdentifiers},
    {"TrgRangeBeginType", TrgRangeBeginTypeIdentifiers},
    {"TrgRangeEndType", TrgRangeEndTypeIdentifiers},
    {"TrgSaveToType", TrgSaveToTypeIdentifiers},
    {"TrgUnitType", TrgUnitTypeIdentifiers},
}};

// Ordinal of an identifier in its table, compared without case as the
// stream reader compares names; -1 when the table does not hold it.
int rgOrdinalOfIdentifier(std::span<const char* const> identifiers, QStringView identifier);
// Identifier of an ordinal; empty when the ordinal is out of range.
QString rgIdentifierOfOrdinal(std::span<const char* const> identifiers, int ordinal);

// ---- page requests (never streamed) -----------------------------------------

// The kind of page request a device makes: every page, the pages of a page
// list, the one requested page, the first page only, or run to the last page.
enum TrgPageSettingType { psAll, psPageList, psSinglePage, psFirstPage, psLastPage };

// ---- event signatures (the sending object comes first) ----------------------

using TrgFormatEvent = std::function<void(TObject* Sender, const QString& DisplayFormat,
                                          TrgDataType DataType, const QVariant& Value, QString& Text)>;
using TrgGetBreakValueEvent = std::function<void(TObject* Sender, QString& aBreakValue)>;
using TrgSaveTextEvent = std::function<void(TObject* Sender, QString& Text)>;
using TrgGetTextEvent = std::function<void(TObject* Sender, QString& Text)>;
using TrgDrawCommandEvent = std::function<void(TObject* Sender, TObject* aDrawCommand)>;
using TrgMemoEvent = std::function<void(TObject* Sender, TStringList* aLines)>;
using TrgPageRequestEvent = std::function<void(TObject* Sender, TrgPageSettingType aPageSetting,
                                               int aPageNo, TStringList* aPageList)>;
using TrgPictureEvent = std::function<void(TObject* Sender, TPicture* aPicture)>;

// ---- exceptions ---------------------------------------------------------------
// Each carries only its message. The named constructors give the engine's
// fixed texts; texts from the engine's string table are passed in ready.

// A print job cannot go on.
class EPrintError : public Exception {
public:
    using Exception::Exception;
    static EPrintError FileError(const QString& fileName);  // "File Error: <name>"
    static EPrintError NoBands();                           // "No bands for this report."
};

// A template cannot be read.
class ETemplateLoadError : public Exception {
public:
    using Exception::Exception;
    static ETemplateLoadError RecordNotFound(const QString& name);
    static ETemplateLoadError FileNotFound(const QString& name);
    static ETemplateLoadError FieldNotBlob(const QString& name);
    static ETemplateLoadError DatabaseReadError();
};

// A template cannot be written.
class ETemplateSaveError : public Exception {
public:
    using Exception::Exception;
    static ETemplateSaveError FileReadOnly();
    static ETemplateSaveError NoFieldName();
    static ETemplateSaveError WrongFieldType();
};

// A stream holds neither template signature.
class EInvalidTemplateError : public Exception {
public:
    using Exception::Exception;
    EInvalidTemplateError();  // "Invalid Template Format"
};

// A property assignment would be invalid.
class EInvalidPropertyError : public Exception {
public:
    using Exception::Exception;
    static EInvalidPropertyError CyclicShiftRelativeTo();
};

// Reserved for data access failures; the engine raises none itself.
class EDataError : public Exception {
public:
    using Exception::Exception;
};
