#pragma once
// A text measure with fixed advances, so layout tests know every width:
// each character is 100 units wide (unless set otherwise), a line is 200
// units high, and the measure runs at 1200 units per inch like the real one.

#include <QHash>

#include "report/output/rg_text_measure.h"

class TFakeTextMeasure : public TrgTextMeasure {
public:
    static constexpr int kAdvance = 100;
    static constexpr int kHeight = 200;

    void SetFont(const TFont&) override { ++FontsSet; }
    int TextHeight() const override { return kHeight; }
    double TextWidth(QStringView Text) const override
    {
        double width = 0;
        for (QChar c : Text)
            width += Advances.value(c, kAdvance);
        return width;
    }
    double AverageCharWidth() const override { return kAdvance; }

    QHash<QChar, double> Advances;  // characters of another width
    int FontsSet = 0;
};
