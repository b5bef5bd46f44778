#pragma once
// Plain graphics on a band: TrgShape (rectangle, square, rounded rectangle
// and square, ellipse, circle) and TrgLine (a single or double line along
// one edge of its box). Both are fixed-size components with a pen and a
// brush; each printed occurrence becomes one TrgDrawShape or TrgDrawLine.

#include "platform/ui/framework_types.h"
#include "platform/ui/graphics.h"
#include "report/engine/rg_component.h"

class TrgCustomGraphic : public TrgCustomComponent {
public:
    explicit TrgCustomGraphic(TComponent* AOwner);

    const TBrush& Brush() const { return brush_; }
    const TPen& Pen() const { return pen_; }
    // Take the values of the given brush or pen, then GraphicChanged.
    void SetBrush(const TBrush& Value);
    void SetPen(const TPen& Value);
    // The stream reads into these; Loaded brings the dependent values in step.
    TBrush* BrushForReading() { return &brush_; }
    TPen* PenForReading() { return &pen_; }

    // Designer commands: fill and line colour ("no fill"/"no line" clears
    // the style; a colour on a cleared style makes it solid) and line width.
    void SetFillColor(TColor Color, bool NoFill);
    void SetLineColor(TColor Color, bool NoLine);
    void SetLineWidth(int Width);

    bool HasFont() const override { return false; }
    void Loaded() override;

    // Called after the pen or the brush changed.
    virtual void GraphicChanged();

private:
    TBrush brush_;
    TPen pen_;
};

// The shape's box inside its component, in screen pixels.
struct TrgShapeGeometry {
    int X = 0, Y = 0, Right = 0, Bottom = 0;
    int Corner = 0;  // width and height of the rounded corners
    bool operator==(const TrgShapeGeometry&) const = default;
};

// The geometry of a shape of W x H screen pixels drawn with a pen of
// PenWidth: the pen's half inside the box; squares and circles centred in it.
TrgShapeGeometry rgShapeGeometry(TShapeType Shape, int PenWidth, int W, int H);

class TrgShape : public TrgCustomGraphic {
public:
    explicit TrgShape(TComponent* AOwner);

    TShapeType Shape() const { return shape_; }
    void SetShape(TShapeType Value);

    // The geometry of the print rectangle while printing, else of the
    // design size.
    TrgShapeGeometry CalcGeometry() const;

    // A clear brush makes the shape transparent.
    void GraphicChanged() override;
    void PropertiesToDrawCommand(TrgDrawCommand* DrawCommand) override;

private:
    TShapeType shape_ = stRectangle;
};

class TrgLine : public TrgCustomGraphic {
public:
    explicit TrgLine(TComponent* AOwner);

    TrgLinePositionType Position() const { return position_; }
    void SetPosition(TrgLinePositionType Value);
    TrgLineStyleType Style() const { return style_; }
    void SetStyle(TrgLineStyleType Value);
    // Thickness in points; the pen's width follows it in screen pixels.
    float Weight() const { return weight_; }
    void SetWeight(float Value);

    // A pen width changed from outside sets the weight from it.
    void GraphicChanged() override;
    void PropertiesToDrawCommand(TrgDrawCommand* DrawCommand) override;
    // Templates before 3.0 kept only the pen width.
    void ConvertFromVersion(int Version) override;

private:
    int rememberedPenWidth_ = 0;
    TrgLinePositionType position_ = lpTop;
    bool updatingWeight_ = false;
    TrgLineStyleType style_ = lsSingle;
    float weight_ = 0.75f;
};

// Makes the graphic component classes known to the component stream by name.
void rgRegisterGraphicComponentClasses();
