#include "report/output/rg_printer_setup.h"

#include "platform/core/sys_utils.h"
#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "report/output/rg_printer.h"
#include "report/output/rg_printer_list.h"
#include "report/output/rg_units.h"

#include <cmath>

namespace {

// Letter is 279401 high, not 279400: the value the default always had.
constexpr int kLetterWidth = 215900, kLetterHeight = 279401;
constexpr int kA4Width = 210000, kA4Height = 297000;
constexpr int kDefaultMargin = 6350;  // a quarter inch

bool SameBinName(const QString& stored, const QString& given)
{
    const QString s = stored == "Current" ? QStringLiteral("Default") : stored;
    return s == given;
}

}  // namespace

TrgPrinterSetup::TrgPrinterSetup(TComponent* AOwner) : owner_(AOwner)
{
    rgDescribePrinterSetupClass();
    const bool letter = FormatSettings().DecimalSeparator == u'.';
    pageDef_.mmWidth = letter ? kLetterWidth : kA4Width;
    pageDef_.mmHeight = letter ? kLetterHeight : kA4Height;
    pageDef_.mmMarginLeft = pageDef_.mmMarginRight = kDefaultMargin;
    pageDef_.mmMarginTop = pageDef_.mmMarginBottom = kDefaultMargin;
    newPageDef_.Assign(&pageDef_);
    printerInfo_ = rgGetPrinterList()->GetPrinterInfo(printerName_);
}

TrgPrinterSetup::~TrgPrinterSetup() = default;

// ---- notifications and conversions ----------------------------------------------

bool TrgPrinterSetup::OwnerReading() const
{
    return owner_ && owner_->Loading();
}

bool TrgPrinterSetup::GetNotifyEnabled() const
{
    return NotifyEnabled && !OwnerReading();
}

const TObject* TrgPrinterSetup::ConversionPrinter() const
{
    if (units_ != utPrinterPixels)
        return nullptr;  // no other unit needs a printer
    TObject* printer = nullptr;
    if (OnGetPrinter)
        OnGetPrinter(const_cast<TrgPrinterSetup*>(this), printer);
    if (!printer)
        printer = rgGetPrinter();
    return printer;
}

int TrgPrinterSetup::ToThousandths(float Value, TrgDirection Direction) const
{
    return rgToMMThousandths(units_, Direction, ConversionPrinter(), Value);
}

float TrgPrinterSetup::FromThousandths(int Value, TrgDirection Direction) const
{
    return rgFromMMThousandths(Value, units_, Direction, ConversionPrinter());
}

bool TrgPrinterSetup::ValidateNewPageDef()
{
    bool valid = true;
    if (GetNotifyEnabled() && OnValidatePageDef)
        OnValidatePageDef(this, &newPageDef_, valid);
    return valid;
}

void TrgPrinterSetup::PageDefChanged()
{
    if (GetNotifyEnabled() && OnPageDefChange)
        OnPageDefChange(this);
}

void TrgPrinterSetup::Changed()
{
    if (GetNotifyEnabled() && OnChange)
        OnChange(this);
}

// ---- plain settings ---------------------------------------------------------------

void TrgPrinterSetup::SetBinName(const QString& Value)
{
    if (SameBinName(binName_, Value))
        return;
    binName_ = Value;
    Changed();
}

void TrgPrinterSetup::SetCollation(bool Value)
{
    if (collation_ == Value)
        return;
    collation_ = Value;
    Changed();
}

void TrgPrinterSetup::SetCopies(int Value)
{
    if (Value < 1 || copies_ == Value)
        return;
    copies_ = Value;
    Changed();
}

void TrgPrinterSetup::SetDuplex(TrgDuplexType Value)
{
    if (duplex_ == Value)
        return;
    duplex_ = Value;
    Changed();
}

// ---- geometry -------------------------------------------------------------------------

float TrgPrinterSetup::MarginBottom() const { return FromThousandths(pageDef_.mmMarginBottom, rgVertical); }
float TrgPrinterSetup::MarginLeft() const { return FromThousandths(pageDef_.mmMarginLeft, rgHorizontal); }
float TrgPrinterSetup::MarginRight() const { return FromThousandths(pageDef_.mmMarginRight, rgHorizontal); }
float TrgPrinterSetup::MarginTop() const { return FromThousandths(pageDef_.mmMarginTop, rgVertical); }
float TrgPrinterSetup::PaperHeight() const { return FromThousandths(pageDef_.mmHeight, rgVertical); }
float TrgPrinterSetup::PaperWidth() const { return FromThousandths(pageDef_.mmWidth, rgHorizontal); }

void TrgPrinterSetup::SetMarginBottom(float Value) { SetMargin(&TrgPageDef::mmMarginBottom, rgVertical, Value); }
void TrgPrinterSetup::SetMarginLeft(float Value) { SetMargin(&TrgPageDef::mmMarginLeft, rgHorizontal, Value); }
void TrgPrinterSetup::SetMarginRight(float Value) { SetMargin(&TrgPageDef::mmMarginRight, rgHorizontal, Value); }
void TrgPrinterSetup::SetMarginTop(float Value) { SetMargin(&TrgPageDef::mmMarginTop, rgVertical, Value); }
void TrgPrinterSetup::SetPaperHeight(float Value) { SetPaperSize(&TrgPageDef::mmHeight, rgVertical, Value, legacyPaperHeight_); }
void TrgPrinterSetup::SetPaperWidth(float Value) { SetPaperSize(&TrgPageDef::mmWidth, rgHorizontal, Value, legacyPaperWidth_); }

void TrgPrinterSetup::SetMargin(int TrgPageDef::*Margin, TrgDirection Direction, float Value)
{
    if (Value < 0 || std::isnan(Value))
        return;
    newPageDef_.Assign(&pageDef_);
    newPageDef_.*Margin = ToThousandths(Value, Direction);
    if (!ValidateNewPageDef())
        return;
    pageDef_.*Margin = newPageDef_.*Margin;
    PageDefChanged();
}

void TrgPrinterSetup::SetPaperSize(int TrgPageDef::*Side, TrgDirection Direction, float Value, float& Legacy)
{
    if (OwnerReading()) {
        Legacy = Value;  // an older stream: UpdatePageDefSize takes it later
        return;
    }
    // A paper without extent cannot be printed on: a size of 0 is refused
    // like a negative one.
    if (!(Value > 0))
        return;
    newPageDef_.Assign(&pageDef_);
    newPageDef_.*Side = ToThousandths(Value, Direction);
    if (newPageDef_.*Side <= 0 || !ValidateNewPageDef())
        return;
    pageDef_.*Side = newPageDef_.*Side;
    FindPaperName(paperName_, PaperHeight(), PaperWidth());
    PageDefChanged();
}

void TrgPrinterSetup::SetOrientation(TPrinterOrientation Value)
{
    if (orientation_ == Value)
        return;
    newPageDef_.Assign(&pageDef_);
    std::swap(newPageDef_.mmWidth, newPageDef_.mmHeight);
    if (!ValidateNewPageDef())
        return;
    orientation_ = Value;
    std::swap(pageDef_.mmWidth, pageDef_.mmHeight);
    PageDefChanged();
}

QString TrgPrinterSetup::PaperName()
{
    if (paperName_ == "Custom")
        FindPaperName(paperName_, PaperHeight(), PaperWidth());
    return paperName_;
}

void TrgPrinterSetup::SetPaperName(const QString& Value)
{
    if (!GetNotifyEnabled() || Value == "Custom") {
        paperName_ = Value;
        return;
    }
    if (Value.contains("Envelope"))
        orientation_ = poLandscape;
    float width = PaperWidth();
    float height = PaperHeight();
    GetPaperSize(Value, width, height);
    newPageDef_.Assign(&pageDef_);
    newPageDef_.mmWidth = ToThousandths(width, rgHorizontal);
    newPageDef_.mmHeight = ToThousandths(height, rgVertical);
    if (!ValidateNewPageDef())
        return;
    paperName_ = Value;
    pageDef_.mmWidth = newPageDef_.mmWidth;
    pageDef_.mmHeight = newPageDef_.mmHeight;
    PageDefChanged();
}

// ---- printer ------------------------------------------------------------------------

void TrgPrinterSetup::SetPrinterName(const QString& Value)
{
    const QString name = Value == "Current" ? QStringLiteral("Default") : Value;
    TrgPrinterInfo* info = rgGetPrinterList()->GetPrinterInfo(name);
    if (!info)
        return;  // not an installed printer: nothing changes
    printerName_ = name;
    printerInfo_ = info;
    if (!GetNotifyEnabled())
        return;
    QString paper = paperName_;
    FindPaperName(paper, PaperHeight(), PaperWidth());
    SetPaperName(paper);
    Changed();
}

QString TrgPrinterSetup::GetActualPrinterName() const
{
    if (printerName_ == "Default")
        return rgGetPrinterList()->GetDefaultPrinterName();
    return printerName_;
}

QStringList TrgPrinterSetup::PrinterNames() const
{
    return rgGetPrinterNames();
}

void TrgPrinterSetup::GetPaperSize(const QString& Name, float& Width, float& Height) const
{
    if (!printerInfo_ || Name == "Custom")
        return;
    const TrgPrinterCapabilities* caps = printerInfo_->GetCapabilities();
    const qsizetype at = caps->PaperNames.indexOf(Name);
    if (at < 0)
        return;
    const float width = rgFromMMThousandths(caps->PaperWidths.value(at).toInt() * 100, units_, rgHorizontal, ConversionPrinter());
    const float height = rgFromMMThousandths(caps->PaperHeights.value(at).toInt() * 100, units_, rgVertical, ConversionPrinter());
    if (orientation_ == poPortrait) {
        Width = width;
        Height = height;
    } else {
        Width = height;
        Height = width;
    }
}

void TrgPrinterSetup::FindPaperName(QString& Name, float Height, float Width) const
{
    if (!printerInfo_)
        return;
    const int width = rgToTenthsOfMM(units_, rgHorizontal, ConversionPrinter(), Width);
    const int height = rgToTenthsOfMM(units_, rgVertical, ConversionPrinter(), Height);
    const TrgPrinterCapabilities* caps = printerInfo_->GetCapabilities();
    for (qsizetype i = 0; i < caps->Papers.size(); ++i) {
        const int paperWidth = caps->PaperWidths.value(i).toInt();
        const int paperHeight = caps->PaperHeights.value(i).toInt();
        const bool portrait = std::abs(paperHeight - height) <= 10 && std::abs(paperWidth - width) <= 10;
        const bool landscape = std::abs(paperHeight - width) <= 10 && std::abs(paperWidth - height) <= 10;
        if (portrait || landscape) {
            const QString name = caps->PaperNames.value(i);
            Name = name.isEmpty() ? QStringLiteral("Custom") : name;
            return;
        }
    }
    Name = "Custom";
}

// ---- copying and comparing ----------------------------------------------------------

void TrgPrinterSetup::Assign(const TPersistent* Source)
{
    const auto* other = dynamic_cast<const TrgPrinterSetup*>(Source);
    if (!other) {
        throw EConvertError(QString("%1 kann nicht an TrgPrinterSetup zugewiesen werden")
                                .arg(Source ? typeid(*Source).name() : "nil"));
    }
    collation_ = other->collation_;
    copies_ = other->copies_;
    DocumentName = other->DocumentName;
    duplex_ = other->duplex_;
    orientation_ = other->orientation_;
    pageDef_.Assign(&other->pageDef_);
    printerName_ = other->printerName_;
    printerInfo_ = rgGetPrinterList()->GetPrinterInfo(printerName_);
    paperName_ = "Custom";
    binName_ = other->binName_;
    units_ = other->units_;
}

bool TrgPrinterSetup::IsEqual(const TrgPrinterSetup& Other) const
{
    return GetActualPrinterName() == Other.GetActualPrinterName() && binName_ == Other.binName_
           && collation_ == Other.collation_ && copies_ == Other.copies_ && DocumentName == Other.DocumentName
           && duplex_ == Other.duplex_ && orientation_ == Other.orientation_ && pageDef_ == Other.pageDef_;
}

void TrgPrinterSetup::UpdatePageDefSize()
{
    if (legacyPaperHeight_ > 0)
        pageDef_.mmHeight = ToThousandths(legacyPaperHeight_, rgVertical);
    if (legacyPaperWidth_ > 0)
        pageDef_.mmWidth = ToThousandths(legacyPaperWidth_, rgHorizontal);
}

// ---- defined properties ---------------------------------------------------------------

int TrgPrinterSetup::DefinedValue(int Index) const
{
    switch (Index) {
    case 0: return pageDef_.mmMarginBottom;
    case 1: return pageDef_.mmMarginLeft;
    case 2: return pageDef_.mmMarginRight;
    case 3: return pageDef_.mmMarginTop;
    case 4: return pageDef_.mmHeight;
    case 5: return pageDef_.mmWidth;
    default: return 0;
    }
}

void TrgPrinterSetup::SetDefinedValue(int Index, int Value)
{
    switch (Index) {
    case 0: pageDef_.mmMarginBottom = Value; break;
    case 1: pageDef_.mmMarginLeft = Value; break;
    case 2: pageDef_.mmMarginRight = Value; break;
    case 3: pageDef_.mmMarginTop = Value; break;
    case 4: pageDef_.mmHeight = Value; break;
    case 5: pageDef_.mmWidth = Value; break;
    default: break;
    }
}

// ---- stream form ------------------------------------------------------------------------

void rgDescribePrinterSetupClass()
{
    static bool described = false;
    if (described)
        return;
    described = true;
    const TEnumInfo* duplex = RegisterEnum("TrgDuplexType", QStringList(TrgDuplexTypeIdentifiers.begin(), TrgDuplexTypeIdentifiers.end()));
    const TEnumInfo* orientation = RegisterEnum(
        "TPrinterOrientation", QStringList(TPrinterOrientationIdentifiers.begin(), TPrinterOrientationIdentifiers.end()));
    using S = TrgPrinterSetup;
    const auto never = [](const S&) { return false; };
    DescribeClass<S, TPersistent>("TrgPrinterSetup")
        .String("BinName", [](const S& s) { return s.BinName(); }, [](S& s, QString v) { s.SetBinName(v); })
        .Default(QString())
        .Boolean("Collation", [](const S& s) { return s.Collation(); }, [](S& s, bool v) { s.SetCollation(v); })
        .Default(false)
        .Integer("Copies", [](const S& s) { return s.Copies(); }, [](S& s, int v) { s.SetCopies(v); })
        .Default(1)
        .String("DocumentName", &S::DocumentName)
        .Default(QString())
        .Enum("Duplex", duplex, [](const S& s) { return s.Duplex(); }, [](S& s, TrgDuplexType v) { s.SetDuplex(v); })
        .Default(dpNone)
        .Single("MarginBottom", [](const S& s) { return s.MarginBottom(); }, [](S& s, float v) { s.SetMarginBottom(v); })
        .Stored(never)
        .Single("MarginLeft", [](const S& s) { return s.MarginLeft(); }, [](S& s, float v) { s.SetMarginLeft(v); })
        .Stored(never)
        .Single("MarginRight", [](const S& s) { return s.MarginRight(); }, [](S& s, float v) { s.SetMarginRight(v); })
        .Stored(never)
        .Single("MarginTop", [](const S& s) { return s.MarginTop(); }, [](S& s, float v) { s.SetMarginTop(v); })
        .Stored(never)
        .Enum("Orientation", orientation, [](const S& s) { return s.Orientation(); },
              [](S& s, TPrinterOrientation v) { s.SetOrientation(v); })
        .Default(poPortrait)
        .Single("PaperHeight", [](const S& s) { return s.PaperHeight(); }, [](S& s, float v) { s.SetPaperHeight(v); })
        .Stored(never)
        // Reading the name matches a "Custom" size to a paper, as the property does.
        .String("PaperName", [](const S& s) { return const_cast<S&>(s).PaperName(); },
                [](S& s, QString v) { s.SetPaperName(v); })
        .Default(QString())
        .Single("PaperWidth", [](const S& s) { return s.PaperWidth(); }, [](S& s, float v) { s.SetPaperWidth(v); })
        .Stored(never)
        .String("PrinterName", [](const S& s) { return s.PrinterName(); }, [](S& s, QString v) { s.SetPrinterName(v); })
        .Default(QString())
        .DefineProperties([](S& s, TFiler& filer) {
            for (int i = 0; i < int(S::DefinedPropertyNames.size()); ++i) {
                filer.DefineProperty(
                    S::DefinedPropertyNames[size_t(i)],
                    [&s, i](TReader& reader) {
                        const int value = rgReadIntegerValue([&reader](void* buffer, int count) { reader.Read(buffer, count); });
                        s.SetDefinedValue(i, rgCheckedLength(value, QString::fromLatin1(S::DefinedPropertyNames[size_t(i)])));
                    },
                    [&s, i](TWriter& writer) { writer.WriteInteger(s.DefinedValue(i)); }, true);
            }
        });
}
