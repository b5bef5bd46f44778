// The engine's published enumerations are streamed by identifier: the
// identifier tables must give the ordinals templates were written with.
#include "report/output/rg_types.h"

#include <gtest/gtest.h>

namespace {

const TrgEnumTypeInfo& TypeNamed(const char* name)
{
    for (const TrgEnumTypeInfo& info : rgPublishedEnumTypes) {
        if (qstrcmp(info.TypeName, name) == 0)
            return info;
    }
    throw std::runtime_error(name);
}

struct IdentifierCase {
    const char* typeName;
    const char* identifier;
    int ordinal;
};

// Identifiers as a template names them, with the ordinal of the enumerator
// the code uses; a reordered table or enumeration fails here.
const IdentifierCase kIdentifierCases[] = {
    {"TrgDeviceType", "dvArchive", dvArchive},
    {"TrgDeviceType", "dvPrinter", dvPrinter},
    {"TrgFileType", "ftTab", ftTab},
    {"TrgFileType", "ftCustom", ftCustom},
    {"TrgFormatType", "ftBinary", ftBinary},
    {"TrgFormatType", "ftASCII", ftASCII},
    {"TrgBarCodeType", "bcPostnet", bcPostnet},
    {"TrgBarCodeType", "bcCode128", bcCode128},
    {"TrgLanguageType", "lgGerman", lgGerman},
    {"TrgLanguageType", "lgNorwegian", lgNorwegian},
    {"TrgCalcType", "ctPageNoDesc", ctPageNoDesc},
    {"TrgDataType", "dtGraphic", dtGraphic},
    {"TrgRangeEndType", "reCount", reCount},
    {"TrgUnitType", "utMMThousandths", utMMThousandths},
    {"TrgUnitType", "UTINCHES", utInches},  // the stream reader ignores case
};

TEST(ReportTypes, IdentifiersLoadIntoTheirOrdinals)
{
    for (const IdentifierCase& c : kIdentifierCases) {
        SCOPED_TRACE(std::string(c.typeName) + "." + c.identifier);
        EXPECT_EQ(rgOrdinalOfIdentifier(TypeNamed(c.typeName).Identifiers, QString::fromLatin1(c.identifier)),
                  c.ordinal);
    }
}

TEST(ReportTypes, OrdinalsFollowTheListedOrder)
{
    // A few whole orders spelled out: the position in the list is the ordinal.
    const std::pair<const char*, QStringList> orders[] = {
        {"TrgDeviceType", {"dvPrinter", "dvScreen", "dvFile", "dvArchive"}},
        {"TrgFileType", {"ftComma", "ftTab", "ftFixedLength", "ftCustom"}},
        {"TrgFormatType", {"ftBinary", "ftASCII"}},
        {"TrgBarCodeType", {"bcUPC_A", "bcEAN_13", "bcInt2of5", "bcCode128", "bcCode39", "bcPostnet"}},
        {"TrgLanguageType", {"lgCustom", "lgDanish", "lgDutch", "lgEnglish", "lgFrench", "lgGerman",
                             "lgItalian", "lgPortugueseBrazil", "lgPortuguese", "lgSpanish", "lgSwedish",
                             "lgNorwegian"}},
        {"TrgRangeBeginType", {"rbFirstRecord", "rbLastRecord", "rbCurrentRecord"}},
    };
    for (const auto& [typeName, identifiers] : orders) {
        SCOPED_TRACE(typeName);
        const auto table = TypeNamed(typeName).Identifiers;
        ASSERT_EQ(table.size(), size_t(identifiers.size()));
        for (int i = 0; i < identifiers.size(); ++i) {
            EXPECT_EQ(rgIdentifierOfOrdinal(table, i), identifiers[i]);
            EXPECT_EQ(rgOrdinalOfIdentifier(table, identifiers[i]), i);
        }
    }
}

TEST(ReportTypes, SharedPrefixKeepsTwoSetsApart)
{
    // "ftBinary" is a format type, not a file type, and the reverse.
    EXPECT_EQ(rgOrdinalOfIdentifier(TrgFileTypeIdentifiers, u"ftBinary"), -1);
    EXPECT_EQ(rgOrdinalOfIdentifier(TrgFormatTypeIdentifiers, u"ftComma"), -1);
    EXPECT_EQ(rgOrdinalOfIdentifier(TrgFormatTypeIdentifiers, u"ftASCII"), 1);
    EXPECT_EQ(rgOrdinalOfIdentifier(TrgFileTypeIdentifiers, u"ftTab"), 1);
    EXPECT_TRUE(rgIdentifierOfOrdinal(TrgFormatTypeIdentifiers, 2).isEmpty());
    EXPECT_TRUE(rgIdentifierOfOrdinal(TrgFormatTypeIdentifiers, -1).isEmpty());
}

TEST(ReportTypes, EveryTypeNamesItsIdentifiersOnce)
{
    QStringList typeNames;
    for (const TrgEnumTypeInfo& info : rgPublishedEnumTypes) {
        typeNames << QString::fromLatin1(info.TypeName);
        QStringList seen;
        for (const char* id : info.Identifiers) {
            EXPECT_FALSE(seen.contains(QString::fromLatin1(id), Qt::CaseInsensitive)) << info.TypeName << " " << id;
            seen << QString::fromLatin1(id);
        }
    }
    EXPECT_EQ(typeNames.removeDuplicates(), 0);
}

TEST(ReportTypes, ExceptionsCarryTheirFixedMessages)
{
    const std::pair<QString, QString> cases[] = {
        {EPrintError::FileError("/tmp/arc1.tmp").Message, "File Error: /tmp/arc1.tmp"},
        {EPrintError::NoBands().Message, "No bands for this report."},
        {ETemplateLoadError::RecordNotFound("Liste").Message, "Record not found: Liste"},
        {ETemplateLoadError::FileNotFound("a.rtm").Message, "File not found: a.rtm"},
        {ETemplateLoadError::FieldNotBlob("NAME").Message, "Field is not a blob field: NAME"},
        {ETemplateLoadError::DatabaseReadError().Message, "Error reading template from database."},
        {ETemplateSaveError::FileReadOnly().Message, "File is read-only."},
        {ETemplateSaveError::NoFieldName().Message, "Template field name is not specified."},
        {ETemplateSaveError::WrongFieldType().Message, "Cannot store a template to a field this type."},
        {EInvalidTemplateError().Message, "Invalid Template Format"},
        {EInvalidPropertyError::CyclicShiftRelativeTo().Message, "Cyclic assignment of ShiftRelativeTo property."},
        {EDataError("x").Message, "x"},
    };
    for (const auto& [actual, expected] : cases)
        EXPECT_EQ(actual, expected);
}

TEST(ReportTypes, ExceptionsAreCaughtAsTheFrameworkException)
{
    try {
        throw EPrintError::NoBands();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "No bands for this report.");
        EXPECT_NE(dynamic_cast<const EPrintError*>(&e), nullptr);
        EXPECT_EQ(dynamic_cast<const ETemplateLoadError*>(&e), nullptr);
    }
}

}  // namespace
