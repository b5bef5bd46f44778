#include "report/output/rg_draw_commands.h"

#include <QPainter>

#include <algorithm>

#include "report/output/rg_device.h"
#include "report/output/rg_page.h"
#include "report/output/rg_rtf_plain_text.h"
#include "report/output/rg_units.h"

// ---- TrgDrawCommand -----------------------------------------------------------

TrgDrawCommand::TrgDrawCommand(TComponent* AOwner) : TComponent(AOwner) {}

TrgDrawCommand::~TrgDrawCommand()
{
    BeginDestroy();
    if (page_)
        page_->RemoveDrawCommand(this);
}

void TrgDrawCommand::SetPageArea(const TrgPageDef& PageDef)
{
    PageLeft = PageDef.mmMarginLeft;
    PageTop = PageDef.mmMarginTop;
    PageRight = PageDef.mmWidth - PageDef.mmMarginRight;
    PageBottom = PageDef.mmHeight - PageDef.mmMarginBottom;
}

void TrgDrawCommand::SetDrawRect(const TRect& Rect)
{
    DrawLeft = Rect.Left;
    DrawTop = Rect.Top;
    DrawRight = Rect.Right;
    DrawBottom = Rect.Bottom;
}

bool TrgDrawCommand::Draw(TrgDevice* Device)
{
    return Device ? Device->DrawCommand(this) : false;
}

void TrgDrawCommand::SetPage(TrgPage* Page)
{
    if (page_ == Page)
        return;
    if (page_)
        page_->RemoveDrawCommand(this);
    if (Page)
        Page->AddDrawCommand(this);
}

void TrgDrawCommand::DoClick()
{
    if (OnClick)
        OnClick(this);
}

void TrgDrawCommand::Assign(const TPersistent* Source)
{
    const auto* source = dynamic_cast<const TrgDrawCommand*>(Source);
    if (!source)
        return;
    Left = source->Left;
    Height = source->Height;
    Top = source->Top;
    Width = source->Width;
    SetDrawRect(source->GetDrawRect());
    OnClick = source->OnClick;
    Tag = source->Tag;
}

// ---- TrgDrawText --------------------------------------------------------------

TrgDrawText::TrgDrawText(TComponent* AOwner) : TrgDrawCommand(AOwner) {}

QString TrgDrawText::GetSaveKey() const
{
    return QStringLiteral("%1%2").arg(BandSaveNo, 8).arg(ComponentSaveNo, 8);
}

void TrgDrawText::Assign(const TPersistent* Source)
{
    TrgDrawCommand::Assign(Source);
    const auto* source = dynamic_cast<const TrgDrawText*>(Source);
    if (!source)
        return;
    Alignment = source->Alignment;
    AutoSize = source->AutoSize;
    Color = source->Color;
    SetFont(source->Font());
    IsMemo = source->IsMemo;
    Leading = source->Leading;
    Text = source->Text;
    Transparent = source->Transparent;
    WordWrap = source->WordWrap;
    SetWrappedText(*source->WrappedText());
    SetTabStopPositions(*source->TabStopPositions());
    BandSave = source->BandSave;
    BandSaveNo = source->BandSaveNo;
    Component = source->Component;
    ComponentSave = source->ComponentSave;
    ComponentSaveNo = source->ComponentSaveNo;
    SaveLength = source->SaveLength;
}

// ---- TrgDrawCalc --------------------------------------------------------------

TrgDrawCalc::TrgDrawCalc(TComponent* AOwner) : TrgDrawText(AOwner) {}

bool TrgDrawCalc::RecalcText()
{
    if (CalcType != ctPageCount && CalcType != ctPageSet && CalcType != ctPageSetDesc)
        return false;
    const TrgPage* page = Page();
    if (!page)
        return false;
    rgGetCalcText(CalcType, page->PageNo, page->PageCount, Text, true, page->LanguageIndex, page->PrintDateTime);
    return true;
}

void TrgDrawCalc::Assign(const TPersistent* Source)
{
    TrgDrawText::Assign(Source);
    if (const auto* source = dynamic_cast<const TrgDrawCalc*>(Source))
        CalcType = source->CalcType;
}

// ---- shapes, lines, images ------------------------------------------------------

TrgDrawShape::TrgDrawShape(TComponent* AOwner) : TrgDrawCommand(AOwner) {}

void TrgDrawShape::Assign(const TPersistent* Source)
{
    TrgDrawCommand::Assign(Source);
    const auto* source = dynamic_cast<const TrgDrawShape*>(Source);
    if (!source)
        return;
    Brush.Assign(&source->Brush);
    Pen.Assign(&source->Pen);
    ShapeType = source->ShapeType;
    XCornerRound = source->XCornerRound;
    YCornerRound = source->YCornerRound;
}

TrgDrawLine::TrgDrawLine(TComponent* AOwner) : TrgDrawCommand(AOwner) {}

void TrgDrawLine::Assign(const TPersistent* Source)
{
    TrgDrawCommand::Assign(Source);
    const auto* source = dynamic_cast<const TrgDrawLine*>(Source);
    if (!source)
        return;
    LinePosition = source->LinePosition;
    LineStyle = source->LineStyle;
    Pen.Assign(&source->Pen);
    Weight = source->Weight;
}

TrgDrawImage::TrgDrawImage(TComponent* AOwner) : TrgDrawCommand(AOwner) {}

void TrgDrawImage::Assign(const TPersistent* Source)
{
    TrgDrawCommand::Assign(Source);
    const auto* source = dynamic_cast<const TrgDrawImage*>(Source);
    if (!source)
        return;
    Center = source->Center;
    MaintainAspectRatio = source->MaintainAspectRatio;
    Picture.Assign(&source->Picture);
    Scale = source->Scale;
    Stretch = source->Stretch;
    Transparent = source->Transparent;
}

// ---- rich text ----------------------------------------------------------------------

TrgDrawRichText::TrgDrawRichText(TComponent* AOwner) : TrgDrawCommand(AOwner) {}

bool TrgDrawRichText::Draw(TrgDevice* Device)
{
    auto* raster = dynamic_cast<TrgRasterDevice*>(Device);
    QPainter* painter = raster ? raster->PagePainter() : nullptr;
    if (!painter)
        return false;
    const QRect rect = raster->CommandRect(*this);
    SetDrawRect({rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()});

    const QString text = rgRichTextToPlainText(RichText);
    const qsizetype start = std::clamp<qsizetype>(StartCharPos, 0, text.size());
    const qsizetype end = EndCharPos < 0 ? text.size() : std::clamp<qsizetype>(EndCharPos, start, text.size());
    painter->save();
    if (!Transparent)
        painter->fillRect(rect, ColorToQColor(Color));
    painter->setPen(Qt::black);
    painter->drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs,
                      text.mid(start, end - start));
    painter->restore();
    return true;
}

void TrgDrawRichText::Assign(const TPersistent* Source)
{
    TrgDrawCommand::Assign(Source);
    const auto* source = dynamic_cast<const TrgDrawRichText*>(Source);
    if (!source)
        return;
    Color = source->Color;
    EndCharPos = source->EndCharPos;
    StartCharPos = source->StartCharPos;
    // Copied too: a held copy of the page must not paint over what lies beneath.
    Transparent = source->Transparent;
    RichText = source->RichText;
}

int rgFindFittingHeight(int RectHeight, int Step, const std::function<bool(int)>& Fits)
{
    // A step of 0 would never end the search once the interval is 1 wide.
    const int step = std::max(Step, 1);
    int low = 0;
    int high = RectHeight;
    int mid = 0;
    bool fitted = false;
    while (true) {
        mid = low + (high - low) / 2;
        fitted = Fits(mid);
        if (high - low <= step)
            break;
        if (fitted)
            high = mid;
        else
            low = mid;
    }
    return std::max(fitted ? mid : high, step);
}
