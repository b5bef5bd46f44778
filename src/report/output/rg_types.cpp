#include "report/output/rg_types.h"

int rgOrdinalOfIdentifier(std::span<const char* const> identifiers, QStringView identifier)
{
    for (size_t i = 0; i < identifiers.size(); ++i) {
        if (identifier.compare(QLatin1StringView(identifiers[i]), Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

QString rgIdentifierOfOrdinal(std::span<const char* const> identifiers, int ordinal)
{
    if (ordinal < 0 || size_t(ordinal) >= identifiers.size())
        return {};
    return QString::fromLatin1(identifiers[size_t(ordinal)]);
}

EPrintError EPrintError::FileError(const QString& fileName)
{
    return EPrintError(QStringLiteral("File Error: ") + fileName);
}

EPrintError EPrintError::NoBands()
{
    return EPrintError(QStringLiteral("No bands for this report."));
}

ETemplateLoadError ETemplateLoadError::RecordNotFound(const QString& name)
{
    return ETemplateLoadError(QStringLiteral("Record not found: ") + name);
}

ETemplateLoadError ETemplateLoadError::FileNotFound(const QString& name)
{
    return ETemplateLoadError(QStringLiteral("File not found: ") + name);
}

ETemplateLoadError ETemplateLoadError::FieldNotBlob(const QString& name)
{
    return ETemplateLoadError(QStringLiteral("Field is not a blob field: ") + name);
}

ETemplateLoadError ETemplateLoadError::DatabaseReadError()
{
    return ETemplateLoadError(QStringLiteral("Error reading template from database."));
}

ETemplateSaveError ETemplateSaveError::FileReadOnly()
{
    return ETemplateSaveError(QStringLiteral("File is read-only."));
}

ETemplateSaveError ETemplateSaveError::NoFieldName()
{
    return ETemplateSaveError(QStringLiteral("Template field name is not specified."));
}

ETemplateSaveError ETemplateSaveError::WrongFieldType()
{
    return ETemplateSaveError(QStringLiteral("Cannot store a template to a field this type."));
}

EInvalidTemplateError::EInvalidTemplateError() : Exception(QStringLiteral("Invalid Template Format")) {}

EInvalidPropertyError EInvalidPropertyError::CyclicShiftRelativeTo()
{
    return EInvalidPropertyError(QStringLiteral("Cyclic assignment of ShiftRelativeTo property."));
}

// Every identifier table is as long as its enumeration.
static_assert(TrgBarCodeTypeIdentifiers.size() == bcPostnet + 1);
static_assert(TrgBarCodeOrientationIdentifiers.size() == orBottomToTop + 1);
static_assert(TrgBreakTypeIdentifiers.size() == btCustomField + 1);
static_assert(TrgCalcTypeIdentifiers.size() == ctCustom + 1);
static_assert(TrgDataTypeIdentifiers.size() == dtGraphic + 1);
static_assert(TrgDBCalcTypeIdentifiers.size() == dcAverage + 1);
static_assert(TrgDeviceTypeIdentifiers.size() == dvArchive + 1);
static_assert(TrgDuplexTypeIdentifiers.size() == dpVertical + 1);
static_assert(TrgFileTypeIdentifiers.size() == ftCustom + 1);
static_assert(TrgFormatTypeIdentifiers.size() == ftASCII + 1);
static_assert(TrgLanguageTypeIdentifiers.size() == lgNorwegian + 1);
static_assert(TrgLinePositionTypeIdentifiers.size() == lpRight + 1);
static_assert(TrgLineStyleTypeIdentifiers.size() == lsDouble + 1);
static_assert(TrgPassSettingTypeIdentifiers.size() == psTwoPass + 1);
static_assert(TrgPrintBehaviorTypeIdentifiers.size() == pbFixed + 1);
static_assert(TrgPrintHeightTypeIdentifiers.size() == phDynamic + 1);
static_assert(TrgRangeBeginTypeIdentifiers.size() == rbCurrentRecord + 1);
static_assert(TrgRangeEndTypeIdentifiers.size() == reCount + 1);
static_assert(TrgSaveToTypeIdentifiers.size() == stFile + 1);
static_assert(TrgUnitTypeIdentifiers.size() == utMMThousandths + 1);
