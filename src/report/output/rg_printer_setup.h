#pragma once
// The printer settings of one print job: printer, paper and its size, the
// four margins, orientation, copies, collation, duplex, paper bin and the
// job's name in the spooler. Paper geometry is kept in thousandths of a
// millimetre (PageDef); the float properties show it in the setup's Units.
// Paper names are looked up in the chosen printer's paper table, and sizes
// are matched back to paper names within a millimetre.
//
// No setter raises: negative sizes and margins, copies below 1, unknown
// printer names and changes the validation event refuses are ignored.

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

#include "platform/ui/component.h"
#include "report/output/rg_types.h"
#include "report/output/rg_units.h"

class TrgPrinterInfo;

enum TPrinterOrientation { poPortrait, poLandscape };
inline constexpr std::array<const char*, 2> TPrinterOrientationIdentifiers{"poPortrait", "poLandscape"};

class TrgPrinterSetup : public TPersistent {
public:
    using TGetPrinterEvent = std::function<void(TObject* Sender, TObject*& Printer)>;
    using TValidatePageDefEvent = std::function<void(TObject* Sender, TrgPageDef* PageDef, bool& Valid)>;

    explicit TrgPrinterSetup(TComponent* AOwner);
    ~TrgPrinterSetup() override;
    TrgPrinterSetup(const TrgPrinterSetup&) = delete;
    TrgPrinterSetup& operator=(const TrgPrinterSetup&) = delete;

    // Off while the printer edits the setup: no events, no paper look-ups.
    bool NotifyEnabled = true;
    TGetPrinterEvent OnGetPrinter;
    TValidatePageDefEvent OnValidatePageDef;
    TNotifyEvent OnPageDefChange;
    TNotifyEvent OnChange;
    QString DocumentName;

    // ---- published properties ----
    QString BinName() const { return binName_; }
    void SetBinName(const QString& Value);
    bool Collation() const { return collation_; }
    void SetCollation(bool Value);
    int Copies() const { return copies_; }
    void SetCopies(int Value);
    TrgDuplexType Duplex() const { return duplex_; }
    void SetDuplex(TrgDuplexType Value);
    float MarginBottom() const;
    float MarginLeft() const;
    float MarginRight() const;
    float MarginTop() const;
    void SetMarginBottom(float Value);
    void SetMarginLeft(float Value);
    void SetMarginRight(float Value);
    void SetMarginTop(float Value);
    TPrinterOrientation Orientation() const { return orientation_; }
    void SetOrientation(TPrinterOrientation Value);
    float PaperHeight() const;
    float PaperWidth() const;
    void SetPaperHeight(float Value);
    void SetPaperWidth(float Value);
    // A stored "Custom" is matched against the printer's papers by size first.
    QString PaperName();
    // The name as stored, without the look-up.
    QString StoredPaperName() const { return paperName_; }
    void SetPaperName(const QString& Value);
    QString PrinterName() const { return printerName_; }
    void SetPrinterName(const QString& Value);

    // ---- public ----
    TComponent* Owner() const { return owner_; }
    TrgPrinterInfo* PrinterInfo() const { return printerInfo_; }
    TrgUnitType Units() const { return units_; }
    void SetUnits(TrgUnitType Value) { units_ = Value; }
    const TrgPageDef& PageDef() const { return pageDef_; }
    QStringList PrinterNames() const;

    void Assign(const TPersistent* Source) override;
    bool IsEqual(const TrgPrinterSetup& Other) const;
    // Writes the paper size read from an older stream into PageDef.
    void UpdatePageDefSize();
    // PrinterName with "Default" resolved to the default printer's list name.
    QString GetActualPrinterName() const;
    bool GetNotifyEnabled() const;

    // Width and Height (in Units) of a paper of the printer, oriented as the
    // setup; unchanged when the printer has no such paper.
    void GetPaperSize(const QString& Name, float& Width, float& Height) const;
    // The printer's first paper within 1 mm of the size in either
    // orientation, else "Custom"; Name unchanged without printer information.
    void FindPaperName(QString& Name, float Height, float Width) const;

    // ---- stream form: the six defined integer properties, PageDef in
    // thousandths of a millimetre, and the legacy sizes of older streams ----
    static constexpr std::array<const char*, 6> DefinedPropertyNames{
        "mmMarginBottom", "mmMarginLeft", "mmMarginRight", "mmMarginTop", "mmPaperHeight", "mmPaperWidth"};
    int DefinedValue(int Index) const;
    void SetDefinedValue(int Index, int Value);
    float LegacyPaperHeight() const { return legacyPaperHeight_; }
    float LegacyPaperWidth() const { return legacyPaperWidth_; }

private:
    bool OwnerReading() const;
    const TObject* ConversionPrinter() const;
    int ToThousandths(float Value, TrgDirection Direction) const;
    float FromThousandths(int Value, TrgDirection Direction) const;
    bool ValidateNewPageDef();
    void PageDefChanged();
    void Changed();
    void SetMargin(int TrgPageDef::*Margin, TrgDirection Direction, float Value);
    void SetPaperSize(int TrgPageDef::*Side, TrgDirection Direction, float Value, float& Legacy);

    TComponent* owner_;
    QString binName_ = "Default";
    bool collation_ = false;
    int copies_ = 1;
    TrgDuplexType duplex_ = dpNone;
    TrgPageDef newPageDef_;
    TPrinterOrientation orientation_ = poPortrait;
    TrgPageDef pageDef_;
    QString paperName_ = "Custom";
    QString printerName_ = "Default";
    TrgPrinterInfo* printerInfo_ = nullptr;
    TrgUnitType units_ = utInches;
    float legacyPaperHeight_ = 0;
    float legacyPaperWidth_ = 0;
};

// Describes TrgPrinterSetup for the component stream (published properties
// in stream order, the six mm values as defined properties); the first
// setup made does it, later calls do nothing.
void rgDescribePrinterSetupClass();
