#pragma once
// Text measuring for layout. Text is measured once, at a fixed resolution of
// rgMeasureUnitsPerInch in both directions, and every device only scales what
// was laid out: the preview, a PDF and a printer break lines at the same
// words. A measure stands in for the printer wherever a layout routine
// converts lengths (it answers that resolution as a printer would).

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

#include "platform/ui/framework_types.h"
#include "platform/ui/graphics.h"
#include "report/output/rg_units.h"

constexpr int rgMeasureUnitsPerInch = 1200;

class TrgTextMeasure : public TObject, public TrgDeviceResolution {
public:
    int DevicePixelsPerInch(TrgDirection) const override { return rgMeasureUnitsPerInch; }

    // Selects the font of the measurements that follow.
    virtual void SetFont(const TFont& Font) = 0;
    // The font's cell height (ascent and descent, without external leading).
    virtual int TextHeight() const = 0;
    // The advance of a text that holds no tab.
    virtual double TextWidth(QStringView Text) const = 0;
    // The mean advance of a character, for default tab stops.
    virtual double AverageCharWidth() const = 0;
    // The gap the font's designer puts between lines (0 unless the font has one).
    virtual int ExternalLeading() const { return 0; }
    // Whether a text that holds no tab is no wider than Width.
    virtual bool FitsWidth(QStringView Text, double Width) const { return TextWidth(Text) <= Width; }
};

// The real measure: font metrics of the printer's font at 1200 units per
// inch, the font set by its whole pixel size at that resolution. Widths of
// texts already measured with the current font are kept.
class TrgFontMetricsMeasure : public TrgTextMeasure {
public:
    TrgFontMetricsMeasure();

    void SetFont(const TFont& Font) override;
    int TextHeight() const override;
    double TextWidth(QStringView Text) const override;
    double AverageCharWidth() const override;
    int ExternalLeading() const override;
    // Most texts are answered from the advances of their characters, without
    // shaping the text.
    bool FitsWidth(QStringView Text, double Width) const override;

    // The font a TFont is measured with.
    static QFont MeasuringFont(const TFont& Font);

private:
    QImage device_;
    QFont font_;
    std::optional<QFontMetricsF> metrics_;
    mutable QHash<QString, double> widths_;
    // Advances of single characters up to U+024F with the current font
    // (negative: not measured yet).
    static constexpr char16_t kKeptAdvances = 0x250;
    mutable std::array<double, kKeptAdvances> advances_;
};
