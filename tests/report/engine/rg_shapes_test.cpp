// Shapes and lines: the shape's geometry inside its box, the weight and pen
// width of a line kept in step, the stream form, the draw commands a report
// makes of them, and a printed page judged by its pixels.

#include "graphic_fixtures.h"
#include "report/engine/rg_shapes.h"

namespace {

TEST(ShapeGeometry, PenHalfInsideAndSquaresCentred)
{
    struct Case {
        TShapeType shape;
        int pen, w, h;
        TrgShapeGeometry expected;
    };
    const Case cases[] = {
        {stCircle, 3, 100, 60, {21, 1, 79, 59, 15}},
        {stRectangle, 3, 100, 60, {1, 1, 99, 59, 15}},
        {stRectangle, 1, 100, 60, {0, 0, 100, 60, 15}},
        {stSquare, 1, 60, 100, {0, 20, 60, 80, 15}},
        {stRoundSquare, 4, 41, 100, {2, 31, 39, 69, 10}},
        {stEllipse, 0, 7, 3, {0, 0, 7, 3, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rgShapeGeometry(c.shape, c.pen, c.w, c.h), c.expected) << int(c.shape) << " pen " << c.pen;
}

TEST(ShapeComponent, DefaultsAndAClearBrushMakesItTransparent)
{
    TrgShape shape(nullptr);
    EXPECT_EQ(shape.GetPixelWidth(), 50);
    EXPECT_EQ(shape.GetPixelHeight(), 50);
    EXPECT_EQ(shape.Shape(), stRectangle);
    EXPECT_FALSE(shape.Transparent());
    shape.SetFillColor(clRed, true);
    EXPECT_EQ(shape.Brush().Style, bsClear);
    EXPECT_TRUE(shape.Transparent());
    shape.SetFillColor(clRed, false);
    EXPECT_EQ(shape.Brush().Style, bsSolid);
    EXPECT_EQ(shape.Brush().Color, clRed);
    EXPECT_FALSE(shape.Transparent());

    shape.SetLineColor(clBlue, true);
    EXPECT_EQ(shape.Pen().Style, psClear);
    shape.SetLineColor(clBlue, false);
    EXPECT_EQ(shape.Pen().Style, psSolid);
    EXPECT_EQ(shape.Pen().Color, clBlue);
}

TEST(LineComponent, WeightAndPenWidthFollowEachOther)
{
    TrgLine line(nullptr);
    EXPECT_EQ(line.GetPixelWidth(), 50);
    EXPECT_EQ(line.GetPixelHeight(), 15);
    EXPECT_TRUE(line.Transparent());
    EXPECT_FLOAT_EQ(line.Weight(), 0.75f);
    EXPECT_EQ(line.Pen().Width, 1);  // 96 x 0.75 / 72

    line.SetLineWidth(2);
    EXPECT_FLOAT_EQ(line.Weight(), 1.5f);
    line.SetWeight(3);
    EXPECT_EQ(line.Pen().Width, 4);
    EXPECT_FLOAT_EQ(line.Weight(), 3.0f);  // the weight keeps its own value
    line.SetWeight(1.2f);                   // 1.6 pixels
    EXPECT_EQ(line.Pen().Width, 2);
    EXPECT_FLOAT_EQ(line.Weight(), 1.2f);
}

TEST(LineComponent, StreamFormAndOlderTemplates)
{
    rgRegisterGraphicComponentClasses();
    TrgLine line(nullptr);
    line.Name = QStringLiteral("Linie1");
    line.SetPosition(lpRight);
    line.SetStyle(lsDouble);
    line.SetWeight(2.25f);
    const QString text = ComponentTextForm(&line);
    EXPECT_TRUE(text.contains("Position = lpRight")) << text.toStdString();
    EXPECT_TRUE(text.contains("Style = lsDouble"));
    EXPECT_TRUE(text.contains("Weight = 2.25"));
    TrgLine copy(nullptr);
    ReadComponentTextForm(text, &copy);
    EXPECT_EQ(copy.Position(), lpRight);
    EXPECT_EQ(copy.Style(), lsDouble);
    EXPECT_FLOAT_EQ(copy.Weight(), 2.25f);
    EXPECT_EQ(copy.Pen().Width, 3);

    // A stream with a pen width and no weight: the weight follows the pen.
    TrgLine fromPen(nullptr);
    ReadComponentTextForm("object Linie2: TrgLine\r\n  Pen.Width = 4\r\nend\r\n", &fromPen);
    EXPECT_FLOAT_EQ(fromPen.Weight(), 3.0f);

    // Before 3.0 only the pen width was kept.
    TrgLine old(nullptr);
    old.SetLineWidth(6);
    old.SetWeight(0.75f);
    TPen pen;
    pen.Width = 6;
    old.PenForReading()->Assign(&pen);
    old.ConvertFromVersion(2990);
    EXPECT_FLOAT_EQ(old.Weight(), 4.5f);
    TrgLine recent(nullptr);
    recent.PenForReading()->Assign(&pen);
    recent.ConvertFromVersion(3000);
    EXPECT_FLOAT_EQ(recent.Weight(), 0.75f);
}

TEST(ShapeComponent, StreamFormKeepsShapeBrushAndPen)
{
    rgRegisterGraphicComponentClasses();
    TrgShape shape(nullptr);
    shape.Name = QStringLiteral("Form1");
    shape.SetShape(stRoundSquare);
    shape.SetFillColor(clGreen, false);
    shape.SetLineWidth(3);
    const QString text = ComponentTextForm(&shape);
    TrgShape copy(nullptr);
    ReadComponentTextForm(text, &copy);
    EXPECT_EQ(copy.Shape(), stRoundSquare);
    EXPECT_EQ(copy.Brush().Color, clGreen);
    EXPECT_EQ(copy.Pen().Width, 3);
    EXPECT_EQ(copy.mmWidth(), shape.mmWidth());
}

class GraphicReportTest : public TPdfEngineTest {
protected:
    void SetUp() override
    {
        TPdfEngineTest::SetUp();
        rgRegisterGraphicComponentClasses();
        rows = MakeRows(1);
        report->SetDataPipeline(rows.get());
        detail = AddBand<TrgDetailBand>(MM(30));
    }
    TrgShape* AddShape(TShapeType Type, TColor Fill, int Left, int Top, int Width, int Height)
    {
        auto* shape = new TrgShape(&form);
        shape->SetBand(detail);
        shape->SetShape(Type);
        shape->SetFillColor(Fill, false);
        shape->SetmmBounds(Left, Top, Width, Height);
        return shape;
    }
    TrgLine* AddLine(TrgLinePositionType Position, TrgLineStyleType Style, float Weight, int Left, int Top)
    {
        auto* line = new TrgLine(&form);
        line->SetBand(detail);
        line->SetPosition(Position);
        line->SetStyle(Style);
        line->SetWeight(Weight);
        line->SetmmBounds(Left, Top, MM(15), MM(10));
        return line;
    }
    std::unique_ptr<TListPipeline> rows;
};

TEST_F(GraphicReportTest, DrawCommandsCarryTheGeometryInThePrintRectangle)
{
    TrgShape* circle = AddShape(stCircle, clBlue, MM(30), MM(5), MM(20), MM(10));
    circle->SetLineWidth(3);
    AddLine(lpBottom, lsDouble, 1.5f, MM(55), MM(5));
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    const QStringList lines = pages[0].split('\n');
    ASSERT_EQ(lines.size(), 3) << pages[0].toStdString();

    // The circle: a box of 20 x 10 mm is 76 x 38 screen pixels; the pen's
    // half (1) inside, the square of 38 centred: x 20 .. 56, y 1 .. 37.
    const int w = qRound(20000 / ScreenPixelsInMM(1)), h = qRound(10000 / ScreenPixelsInMM(1));
    const TrgShapeGeometry g = rgShapeGeometry(stCircle, 3, w, h);
    ASSERT_EQ(g, (TrgShapeGeometry{20, 1, 56, 37, 9}));
    const QStringList circleFields = lines[1].split(' ');
    EXPECT_EQ(circleFields[0], "TrgDrawShape");
    const int left = kMargin + MM(30), top = kMargin + MM(5);
    EXPECT_NEAR(circleFields[1].toInt(), left + ScreenPixelsInMM(20), 1);
    EXPECT_NEAR(circleFields[2].toInt(), top + ScreenPixelsInMM(1), 1);
    EXPECT_NEAR(circleFields[3].toInt(), ScreenPixelsInMM(36), 2);
    EXPECT_NEAR(circleFields[4].toInt(), ScreenPixelsInMM(36), 2);

    EXPECT_EQ(lines[2], QStringLiteral("TrgDrawLine %1 %2 %3 %4").arg(kMargin + MM(55)).arg(top).arg(MM(15)).arg(MM(10)));
}

TEST_F(GraphicReportTest, ACircleStretchingWithTheBandStaysRound)
{
    auto* note = AddLabel(detail, QString(), 0, 0);
    note->SetmmHeight(MM(4));
    TrgShape* circle = AddShape(stCircle, clBlue, MM(30), MM(5), MM(20), MM(10));
    circle->SetStretchWithParent(true);
    const std::vector<QString> pages = PrintAll();
    ASSERT_EQ(pages.size(), 1u);
    const QStringList fields = pages[0].split('\n').value(2).split(' ');
    ASSERT_EQ(fields.value(0), "TrgDrawShape") << pages[0].toStdString();
    // The band's bottom is the stretch target: the box grows to 25 mm high,
    // and the circle keeps the width as its diameter.
    EXPECT_NEAR(fields[3].toInt(), fields[4].toInt(), 2);
}

TEST_F(GraphicReportTest, PrintedShapesAndLinesInTheirPixels)
{
    if (!HaveTools({"pdftoppm"}))
        GTEST_SKIP() << "pdftoppm is not installed (scripts/setup installs it)";
    AddShape(stRectangle, clRed, MM(5), MM(5), MM(20), MM(10));
    AddShape(stCircle, clBlue, MM(30), MM(5), MM(20), MM(10));
    AddLine(lpBottom, lsSingle, 3, MM(55), MM(5));
    AddLine(lpLeft, lsDouble, 1.5f, MM(55), MM(17));
    PrintToPdf();
    const std::vector<QImage> pages = Rasterise();
    ASSERT_EQ(pages.size(), 1u);
    const QImage& page = pages[0];
    ASSERT_NEAR(page.width(), PagePixel(kPaperWidth), 1);

    auto at = [&](double xMM, double yMM) { return QColor(page.pixel(PagePixel(MM(xMM)), PagePixel(MM(yMM)))); };
    auto isColour = [](QColor c, QColor want) {
        return std::abs(c.red() - want.red()) < 40 && std::abs(c.green() - want.green()) < 40 &&
               std::abs(c.blue() - want.blue()) < 40;
    };
    const double bandLeft = kMargin / 1000.0, bandTop = kMargin / 1000.0;
    struct Probe {
        const char* what;
        double x, y;
        QColor colour;
    };
    const Probe probes[] = {
        {"inside the rectangle", bandLeft + 15, bandTop + 10, Qt::red},
        {"left of the rectangle", bandLeft + 4, bandTop + 10, Qt::white},
        {"below the rectangle", bandLeft + 15, bandTop + 16, Qt::white},
        {"centre of the circle", bandLeft + 40, bandTop + 10, Qt::blue},
        {"corner of the circle's box", bandLeft + 35.8, bandTop + 5.8, Qt::white},
        {"beside the circle", bandLeft + 33, bandTop + 10, Qt::white},
        {"above the line", bandLeft + 62, bandTop + 10, Qt::white},
    };
    for (const Probe& p : probes)
        EXPECT_TRUE(isColour(at(p.x, p.y), p.colour)) << p.what << ": " << at(p.x, p.y).name().toStdString();

    // The single line of 3 points at the bottom edge is 12.5 pixels thick at
    // 300 dpi, the nearest even count being 12.
    auto dark = [&](int x, int y) { return qGray(page.pixel(x, y)) < 128; };
    const int x = PagePixel(MM(bandLeft + 62));
    const int bottom = PagePixel(kMargin + MM(15));
    int thick = 0;
    for (int y = bottom - 30; y <= bottom + 5; ++y)
        thick += dark(x, y) ? 1 : 0;
    EXPECT_NEAR(thick, 12, 1);
    // The double line on the left edge: two strokes of 6 pixels, the second
    // 12 pixels in from the first.
    const int y = PagePixel(kMargin + MM(22));
    const int left = PagePixel(kMargin + MM(55));
    QString runs;
    for (int px = left - 3; px < left + 25; ++px)
        runs += dark(px, y) ? '#' : '.';
    EXPECT_TRUE(rgtest::Matches(runs, "^\\.{2,4}#{5,7}\\.{5,7}#{5,7}\\.+$")) << runs.toStdString();
}

}  // namespace
