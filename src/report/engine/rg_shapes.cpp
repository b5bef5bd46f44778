#include "report/engine/rg_shapes.h"
#include "report/engine/rg_describe.h"

#include <QtMath>

#include <algorithm>

#include "platform/stream/class_registry.h"
#include "platform/stream/graphics_streaming.h"
#include "report/engine/rg_text_components.h"
#include "report/output/rg_draw_commands.h"

// ---- TrgCustomGraphic ------------------------------------------------------

TrgCustomGraphic::TrgCustomGraphic(TComponent* AOwner) : TrgCustomComponent(AOwner)
{
    SetPixelBounds(0, 0, 50, 50);
}

void TrgCustomGraphic::SetBrush(const TBrush& Value)
{
    brush_.Assign(&Value);
    GraphicChanged();
}

void TrgCustomGraphic::SetPen(const TPen& Value)
{
    pen_.Assign(&Value);
    GraphicChanged();
}

void TrgCustomGraphic::SetFillColor(TColor Color, bool NoFill)
{
    TBrush brush;
    brush.Assign(&brush_);
    if (NoFill) {
        brush.Style = bsClear;
    } else {
        brush.Color = Color;
        if (brush.Style == bsClear)
            brush.Style = bsSolid;
    }
    SetBrush(brush);
}

void TrgCustomGraphic::SetLineColor(TColor Color, bool NoLine)
{
    TPen pen;
    pen.Assign(&pen_);
    if (NoLine) {
        pen.Style = psClear;
    } else {
        pen.Color = Color;
        if (pen.Style == psClear)
            pen.Style = psSolid;
    }
    SetPen(pen);
}

void TrgCustomGraphic::SetLineWidth(int Width)
{
    TPen pen;
    pen.Assign(&pen_);
    pen.Width = Width;
    SetPen(pen);
}

void TrgCustomGraphic::Loaded()
{
    TrgCustomComponent::Loaded();
    GraphicChanged();
}

void TrgCustomGraphic::GraphicChanged()
{
    if (Loading())
        return;
    PropertyChanged();
    Invalidate();
}

// ---- TrgShape --------------------------------------------------------------

TrgShapeGeometry rgShapeGeometry(TShapeType Shape, int PenWidth, int W, int H)
{
    const int half = PenWidth / 2;
    TrgShapeGeometry g;
    g.X = half;
    g.Y = half;
    g.Right = g.X + W - 2 * half;
    g.Bottom = g.Y + H - 2 * half;
    const int side = std::min(W, H);
    if (Shape == stSquare || Shape == stRoundSquare || Shape == stCircle) {
        const int dx = (W - side) / 2;
        const int dy = (H - side) / 2;
        g.X += dx;
        g.Y += dy;
        g.Right -= dx;
        g.Bottom -= dy;
    }
    g.Corner = side / 4;
    return g;
}

TrgShape::TrgShape(TComponent* AOwner) : TrgCustomGraphic(AOwner)
{
    drawCommandFactory_ = [] { return new TrgDrawShape(nullptr); };
}

void TrgShape::SetShape(TShapeType Value)
{
    shape_ = Value;
    GraphicChanged();
}

TrgShapeGeometry TrgShape::CalcGeometry() const
{
    int w = GetPixelWidth();
    int h = GetPixelHeight();
    if (IsPrinting()) {
        w = rgMMToScreenPixels(DrawRect().Right - DrawRect().Left, rgHorizontal);
        h = rgMMToScreenPixels(DrawRect().Bottom - DrawRect().Top, rgVertical);
    }
    return rgShapeGeometry(shape_, Pen().Width, w, h);
}

void TrgShape::GraphicChanged()
{
    TrgCustomGraphic::GraphicChanged();
    const bool clear = Brush().Style == bsClear;
    if (Transparent() != clear)
        SetTransparent(clear);
}

void TrgShape::PropertiesToDrawCommand(TrgDrawCommand* DrawCommand)
{
    TrgCustomGraphic::PropertiesToDrawCommand(DrawCommand);
    auto* shape = dynamic_cast<TrgDrawShape*>(DrawCommand);
    if (!shape)
        return;
    shape->Brush.Assign(&Brush());
    shape->Pen.Assign(&Pen());
    const TrgShapeGeometry g = CalcGeometry();
    const int left = DrawRect().Left, top = DrawRect().Top;
    shape->Left = left + rgScreenPixelsToMM(g.X, rgHorizontal);
    shape->Top = top + rgScreenPixelsToMM(g.Y, rgVertical);
    shape->Width = left + rgScreenPixelsToMM(g.Right, rgHorizontal) - shape->Left;
    shape->Height = top + rgScreenPixelsToMM(g.Bottom, rgVertical) - shape->Top;
    // The squareness is already in the geometry.
    switch (shape_) {
    case stSquare: shape->ShapeType = stRectangle; break;
    case stRoundSquare: shape->ShapeType = stRoundRect; break;
    case stCircle: shape->ShapeType = stEllipse; break;
    default: shape->ShapeType = shape_; break;
    }
    shape->XCornerRound = rgScreenPixelsToMM(g.Corner, rgHorizontal);
    shape->YCornerRound = rgScreenPixelsToMM(g.Corner, rgVertical);
}

// ---- TrgLine ---------------------------------------------------------------

TrgLine::TrgLine(TComponent* AOwner) : TrgCustomGraphic(AOwner)
{
    SetPixelBounds(0, 0, 50, 15);
    SetTransparent(true);
    SetWeight(0.75f);
    drawCommandFactory_ = [] { return new TrgDrawLine(nullptr); };
}

void TrgLine::SetPosition(TrgLinePositionType Value)
{
    position_ = Value;
    GraphicChanged();
}

void TrgLine::SetStyle(TrgLineStyleType Value)
{
    style_ = Value;
    GraphicChanged();
}

void TrgLine::SetWeight(float Value)
{
    updatingWeight_ = true;
    weight_ = Value;
    SetLineWidth(qRound(rgScreenPixelsPerInch() * Value / 72.0));
    rememberedPenWidth_ = Pen().Width;
    updatingWeight_ = false;
}

void TrgLine::GraphicChanged()
{
    TrgCustomGraphic::GraphicChanged();
    if (updatingWeight_ || Pen().Width == rememberedPenWidth_)
        return;
    rememberedPenWidth_ = Pen().Width;
    weight_ = float(Pen().Width) / float(rgScreenPixelsPerInch()) * 72.0f;
}

void TrgLine::PropertiesToDrawCommand(TrgDrawCommand* DrawCommand)
{
    TrgCustomGraphic::PropertiesToDrawCommand(DrawCommand);
    auto* line = dynamic_cast<TrgDrawLine*>(DrawCommand);
    if (!line)
        return;
    line->LinePosition = position_;
    line->LineStyle = style_;
    line->Left = DrawRect().Left;
    line->Top = DrawRect().Top;
    line->Width = DrawRect().Right - DrawRect().Left;
    line->Height = DrawRect().Bottom - DrawRect().Top;
    line->Pen.Assign(&Pen());
    line->Weight = weight_;
}

void TrgLine::ConvertFromVersion(int Version)
{
    TrgCustomGraphic::ConvertFromVersion(Version);
    if (Version < 3000)
        weight_ = float(Pen().Width) / float(rgScreenPixelsPerInch()) * 72.0f;
}

// ---- stream form -----------------------------------------------------------

namespace {

using rgdescribe::Get;
using rgdescribe::Put;

void DescribeGraphicClasses()
{
    rgRegisterTextComponentClasses();
    const TEnumInfo* shapeTypes = FindEnum(QStringLiteral("TShapeType"));
    const TEnumInfo* linePositions = FindEnum(QStringLiteral("TrgLinePositionType"));
    const TEnumInfo* lineStyles = FindEnum(QStringLiteral("TrgLineStyleType"));

    using G = TrgCustomGraphic;
    DescribeClass<G, TrgCustomComponent>(QStringLiteral("TrgCustomGraphic"));

    using S = TrgShape;
    DescribeClass<S, G>(QStringLiteral("TrgShape"))
        .Object("Brush", [](S& s) { return s.BrushForReading(); })
        .Object("Pen", [](S& s) { return s.PenForReading(); })
        .Enum("Shape", shapeTypes, Get(&S::Shape), Put(&S::SetShape)).Default(stRectangle)
        .Boolean("ParentHeight", Get(&S::ParentHeight), Put(&S::SetParentHeight)).Default(false)
        .Boolean("ParentWidth", Get(&S::ParentWidth), Put(&S::SetParentWidth)).Default(false)
        .Boolean("ReprintOnOverFlow", Get(&S::ReprintOnOverFlow), Put(&S::SetReprintOnOverFlow)).Default(false)
        .Boolean("ShiftWithParent", Get(&S::ShiftWithParent), Put(&S::SetShiftWithParent)).Default(false)
        .Boolean("StretchWithParent", Get(&S::StretchWithParent), Put(&S::SetStretchWithParent)).Default(false)
        .Boolean("Visible", Get(&S::Visible), Put(&S::SetVisible)).Default(true);

    using L = TrgLine;
    DescribeClass<L, G>(QStringLiteral("TrgLine"))
        .Object("Pen", [](L& l) { return l.PenForReading(); })
        .Boolean("ParentHeight", Get(&L::ParentHeight), Put(&L::SetParentHeight)).Default(false)
        .Boolean("ParentWidth", Get(&L::ParentWidth), Put(&L::SetParentWidth)).Default(false)
        .Enum("Position", linePositions, Get(&L::Position), Put(&L::SetPosition)).Default(lpTop)
        .Boolean("ReprintOnOverFlow", Get(&L::ReprintOnOverFlow), Put(&L::SetReprintOnOverFlow)).Default(false)
        .Boolean("ShiftWithParent", Get(&L::ShiftWithParent), Put(&L::SetShiftWithParent)).Default(false)
        .Boolean("StretchWithParent", Get(&L::StretchWithParent), Put(&L::SetStretchWithParent)).Default(false)
        .Enum("Style", lineStyles, Get(&L::Style), Put(&L::SetStyle)).Default(lsSingle)
        .Boolean("Visible", Get(&L::Visible), Put(&L::SetVisible)).Default(true)
        .Single("Weight", Get(&L::Weight), Put(&L::SetWeight)).Default(0.75f);
}

}  // namespace

void rgRegisterGraphicComponentClasses()
{
    static const bool described = (DescribeGraphicClasses(), true);
    (void)described;
    RegisterClass(ClassInfoFor<TrgShape>());
    RegisterClass(ClassInfoFor<TrgLine>());
}
