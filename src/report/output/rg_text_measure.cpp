#include "report/output/rg_text_measure.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "report/output/rg_utils.h"

namespace {

// Dots per metre of the measuring device.
constexpr int kDotsPerMetre = int(rgMeasureUnitsPerInch / 0.0254 + 0.5);

// The size of the kept widths before they are dropped and measured anew.
constexpr int kMaxKeptWidths = 50000;

}  // namespace

TrgFontMetricsMeasure::TrgFontMetricsMeasure() : device_(1, 1, QImage::Format_RGB32)
{
    device_.setDotsPerMeterX(kDotsPerMetre);
    device_.setDotsPerMeterY(kDotsPerMetre);
    SetFont(TFont());
}

QFont TrgFontMetricsMeasure::MeasuringFont(const TFont& Font)
{
    QFont font(rgGetPrinterFontName(Font.Name()));
    // The point size the printer keeps, at the measure's resolution.
    const int points = std::abs(Font.Size());
    font.setPixelSize(std::max(1, int(std::lround(points * double(rgMeasureUnitsPerInch) / 72.0))));
    font.setBold(Font.Style().Contains(fsBold));
    font.setItalic(Font.Style().Contains(fsItalic));
    font.setUnderline(Font.Style().Contains(fsUnderline));
    font.setStrikeOut(Font.Style().Contains(fsStrikeOut));
    font.setKerning(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void TrgFontMetricsMeasure::SetFont(const TFont& Font)
{
    const QFont font = MeasuringFont(Font);
    if (metrics_ && font == font_)
        return;
    font_ = font;
    metrics_.emplace(font_, &device_);
    widths_.clear();
    advances_.fill(-1);
}

int TrgFontMetricsMeasure::TextHeight() const
{
    return int(std::lround(metrics_->ascent()) + std::lround(metrics_->descent()));
}

double TrgFontMetricsMeasure::TextWidth(QStringView Text) const
{
    if (Text.isEmpty())
        return 0;
    const QString key = Text.toString();
    if (const auto found = widths_.constFind(key); found != widths_.constEnd())
        return *found;
    if (widths_.size() >= kMaxKeptWidths)
        widths_.clear();
    const double width = metrics_->horizontalAdvance(key);
    widths_.insert(key, width);
    return width;
}

double TrgFontMetricsMeasure::AverageCharWidth() const
{
    return metrics_->averageCharWidth();
}

int TrgFontMetricsMeasure::ExternalLeading() const
{
    return std::max(0, int(std::lround(metrics_->leading())));
}

bool TrgFontMetricsMeasure::FitsWidth(QStringView Text, double Width) const
{
    // The characters' own advances with a tenth more for kerning and
    // ligatures: a text within that fits however it is shaped. Otherwise,
    // and for characters beyond the kept ones, the shaped width decides.
    double sum = 0;
    for (const QChar c : Text) {
        if (c.unicode() < u' ' || c.unicode() >= kKeptAdvances)
            return TextWidth(Text) <= Width;
        double& advance = advances_[c.unicode()];
        if (advance < 0)
            advance = metrics_->horizontalAdvance(c);
        sum += advance;
    }
    return sum * 1.1 <= Width || TextWidth(Text) <= Width;
}
