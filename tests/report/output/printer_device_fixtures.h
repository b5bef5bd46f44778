#pragma once
// Pages for the printer device: builders of draw commands (positions in
// thousandths of a millimetre) and a page source that makes the pages of a
// document on request through a publisher, as the report engine does.

#include <QImage>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "pdf_tools.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_setup.h"
#include "report/output/rg_publisher.h"

namespace rgtest {

inline constexpr int kInch = 25400;  // thousandths of a millimetre

inline void Place(TrgDrawCommand& command, TrgPage& page, int left, int top, int width, int height)
{
    command.Left = left;
    command.Top = top;
    command.Width = width;
    command.Height = height;
    command.SetPage(&page);
}

inline TrgDrawText* AddTextAt(TrgPage& page, const QString& text, int left, int top, int width, int height,
                              TAlignment alignment = taLeftJustify)
{
    auto* command = new TrgDrawText(nullptr);
    command->Text = text;
    command->Alignment = alignment;
    command->Transparent = true;
    command->Font()->SetName("Arial");
    command->Font()->SetSize(12);
    Place(*command, page, left, top, width, height);
    return command;
}

inline TrgDrawLine* AddLineAt(TrgPage& page, TrgLinePositionType position, TrgLineStyleType style, float weight,
                              int left, int top, int width, int height)
{
    auto* command = new TrgDrawLine(nullptr);
    command->LinePosition = position;
    command->LineStyle = style;
    command->Weight = weight;
    Place(*command, page, left, top, width, height);
    return command;
}

inline TrgDrawShape* AddShapeAt(TrgPage& page, TShapeType shape, TColor fill, int left, int top, int width, int height)
{
    auto* command = new TrgDrawShape(nullptr);
    command->ShapeType = shape;
    command->Brush.Color = fill;
    Place(*command, page, left, top, width, height);
    return command;
}

// A picture as a bitmap (or, with asIcon, as another kind of graphic).
inline TrgDrawImage* AddImageAt(TrgPage& page, const QImage& image, int left, int top, int width, int height,
                                bool asIcon = false)
{
    auto* command = new TrgDrawImage(nullptr);
    if (asIcon)
        command->Picture.Icon()->SetImage(image);
    else
        command->Picture.Bitmap()->SetImage(image);
    Place(*command, page, left, top, width, height);
    return command;
}

// Makes the pages of a document on request, in order, on one working page
// (as the engine reuses its page), until the request is met, the document
// ends or the job was cancelled. A two-pass document first runs through
// every page for calculation only.
class TPageSource {
public:
    using TFill = std::function<void(TrgPage& page, int number)>;

    TPageSource(TrgPublisher& publisher, int pages, TFill fill)
        : publisher_(publisher), pages_(pages), fill_(std::move(fill))
    {
        Setup.DocumentName = "Bilderliste";
        publisher.OnPageRequest = [this](TObject*, TrgPageSettingType, int, TStringList*) {
            ++Requests;
            if (TwoPass) {
                for (int n = 1; n <= pages_ && !Cancelled; ++n)
                    Produce(n, true);
            }
            // After a calculating pass (which met the request already) every page comes again.
            for (int n = 1; n <= pages_ && !Cancelled && (TwoPass || !publisher_.RequestSatisfied()); ++n)
                Produce(n, false);
        };
    }

    void Produce(int number, bool calculationOnly)
    {
        page.FreeDrawCommands();
        page.SetPrinterSetup(&Setup);
        fill_(page, number);
        page.DocumentName = "Bilderliste";
        page.AbsolutePageNo = page.PageNo = number;
        page.AbsolutePageCount = page.PageCount = calculationOnly ? 0 : pages_;
        page.FirstPage = number == 1;
        page.LastPage = number == pages_;
        page.PassSetting = TwoPass ? psTwoPass : psOnePass;
        page.CalculationOnly = calculationOnly;
        page.Final = true;
        ++Produced;
        publisher_.ReceivePage(&page);
    }

    TrgPrinterSetup Setup{nullptr};
    bool TwoPass = false;
    bool Cancelled = false;
    int Requests = 0;
    int Produced = 0;
    TrgPage page{nullptr};

private:
    TrgPublisher& publisher_;
    int pages_;
    TFill fill_;
};

// One word of `pdftotext -bbox` output: its page (from 1) and box in points.
struct TPdfWord {
    int Page = 0;
    double XMin = 0, YMin = 0, XMax = 0, YMax = 0;
    QString Text;
};

inline std::vector<TPdfWord> PdfWords(const QString& file)
{
    const QString html = ToolOutput("pdftotext", {"-bbox", file, "-"});
    std::vector<TPdfWord> words;
    int page = 0;
    static const QRegularExpression item(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    for (auto it = item.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith("<page")) {
            ++page;
            continue;
        }
        words.push_back({page, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                         m.captured(4).toDouble(), m.captured(5)});
    }
    return words;
}

// The words of a text in the order pdftotext reads them.
inline QStringList WordTexts(const std::vector<TPdfWord>& words)
{
    QStringList texts;
    for (const TPdfWord& w : words)
        texts << w.Text;
    return texts;
}

// Thousandths of a millimetre in PDF points.
inline double Points(int thousandths)
{
    return thousandths / 25400.0 * 72.0;
}

}  // namespace rgtest
