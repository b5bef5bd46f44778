#include "report/output/rg_draw_commands.h"

#include <QPainter>

#include <algorithm>
#include <span>

#include "platform/core/win1252.h"
#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "platform/stream/graphics_streaming.h"
#include "report/output/rg_device.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_setup.h"
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

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexValue(char c)
{
    if (IsAsciiDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Groups whose content is no text of the document.
bool IsSkippedDestination(const QByteArray& word)
{
    static const char* const destinations[] = {"fonttbl", "colortbl", "stylesheet", "info", "pict", "object",
                                               "header", "footer", "headerl", "headerr", "footerl", "footerr",
                                               "listtable", "listoverridetable", "rsidtbl", "generator",
                                               "themedata", "datastore", "latentstyles", "xmlnstbl"};
    return std::any_of(std::begin(destinations), std::end(destinations),
                       [&word](const char* d) { return word == d; });
}

}  // namespace

QString rgRichTextToPlainText(const QByteArray& Rtf)
{
    struct TGroupState {
        bool Skip = false;  // inside a destination that is no text
        int FallbackChars = 1;  // characters after \uN that stand in for it
    };
    std::vector<TGroupState> outer;
    TGroupState state;
    int fallbackLeft = 0;
    QString text;
    const auto put = [&](QChar c) {
        if (fallbackLeft > 0) {
            --fallbackLeft;
            return;
        }
        if (!state.Skip)
            text += c;
    };
    const auto putByte = [&](unsigned char byte) {
        const char b = char(byte);
        const QString decoded = Win1252Decode(QByteArrayView(&b, 1));
        put(decoded.isEmpty() ? QChar(u'?') : decoded.front());
    };

    const qsizetype n = Rtf.size();
    qsizetype i = 0;
    while (i < n) {
        const char c = Rtf[i];
        if (c == '{') {
            outer.push_back(state);
            ++i;
        } else if (c == '}') {
            if (!outer.empty()) {
                state = outer.back();
                outer.pop_back();
            }
            fallbackLeft = 0;
            ++i;
        } else if (c == '\r' || c == '\n') {
            ++i;
        } else if (c != '\\') {
            putByte(uchar(c));
            ++i;
        } else if (++i >= n) {
            break;
        } else if (const char d = Rtf[i]; d == '\\' || d == '{' || d == '}') {
            put(QChar::fromLatin1(d));
            ++i;
        } else if (d == '\'') {
            const int high = i + 1 < n ? HexValue(Rtf[i + 1]) : -1;
            const int low = i + 2 < n ? HexValue(Rtf[i + 2]) : -1;
            if (high >= 0 && low >= 0)
                putByte(uchar(high * 16 + low));
            i += high < 0 ? 1 : low < 0 ? 2 : 3;  // a broken escape is dropped whole
        } else if (d == '*') {
            state.Skip = true;
            ++i;
        } else if (d == '~') {
            put(QChar(0xA0));
            ++i;
        } else if (d == '_') {
            put(QChar(u'-'));
            ++i;
        } else if (d == '\r' || d == '\n') {
            put(QChar(u'\n'));
            ++i;
        } else if (!IsAsciiLetter(d)) {
            ++i;  // other control symbols carry no text
        } else {
            const qsizetype wordStart = i;
            while (i < n && IsAsciiLetter(Rtf[i]))
                ++i;
            const QByteArray word = Rtf.mid(wordStart, i - wordStart);
            bool negative = false;
            if (i < n && Rtf[i] == '-') {
                negative = true;
                ++i;
            }
            int64_t parameter = 0;
            while (i < n && IsAsciiDigit(Rtf[i])) {
                if (parameter < 1000000000)
                    parameter = parameter * 10 + (Rtf[i] - '0');
                ++i;
            }
            if (negative)
                parameter = -parameter;
            if (i < n && Rtf[i] == ' ')
                ++i;
            if (word == "par" || word == "line" || word == "page" || word == "sect") {
                put(QChar(u'\n'));
            } else if (word == "tab") {
                put(QChar(u'\t'));
            } else if (word == "uc") {
                state.FallbackChars = int(std::clamp<int64_t>(parameter, 0, 16));
            } else if (word == "u") {
                const int64_t code = parameter < 0 ? parameter + 65536 : parameter;
                fallbackLeft = 0;
                if (code > 0 && code <= 0xFFFF)
                    put(QChar(char16_t(code)));
                fallbackLeft = state.FallbackChars;
            } else if (IsSkippedDestination(word)) {
                state.Skip = true;
            }
        }
    }
    return text;
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

// ---- stream descriptions ----------------------------------------------------------

namespace {

const TEnumInfo* StreamEnum(const char* TypeName, std::span<const char* const> Identifiers)
{
    QStringList identifiers;
    for (const char* identifier : Identifiers)
        identifiers << QString::fromLatin1(identifier);
    return RegisterEnum(QString::fromLatin1(TypeName), identifiers);
}

constexpr std::array<const char*, 3> kAlignmentIdentifiers{"taLeftJustify", "taRightJustify", "taCenter"};
constexpr std::array<const char*, 6> kShapeTypeIdentifiers{"stRectangle",    "stSquare", "stRoundRect",
                                                           "stRoundSquare", "stEllipse", "stCircle"};

// "RTFStream": a 32-bit little-endian count, then that many bytes.
QByteArray RichTextStreamData(const TrgDrawRichText& Command)
{
    QByteArray data;
    TByteEncoder(data).LE(Command.RichText.size(), 4);
    return data + Command.RichText;
}

void ReadRichTextStreamData(TrgDrawRichText& Command, const QByteArray& Data)
{
    TByteCursor cursor(Data);
    const uint32_t count = uint32_t(cursor.SignedLE(4));
    if (count > uint32_t(cursor.Remaining()))
        throw EReadError(QStringLiteral("Der RTF-Text ist kürzer als angegeben (%1 statt %2 Bytes)")
                             .arg(cursor.Remaining())
                             .arg(count));
    Command.RichText = cursor.Bytes(qsizetype(count));
}

void DescribeClasses()
{
    DescribeGraphicsClasses();
    rgDescribePrinterSetupClass();
    if (!ClassInfoFor<TrgFont>())
        DescribeClass<TrgFont, TFont>(QStringLiteral("TrgFont"));

    const TEnumInfo* colors = ColorIdents();
    const TEnumInfo* alignments = StreamEnum("TAlignment", kAlignmentIdentifiers);
    const TEnumInfo* shapeTypes = StreamEnum("TShapeType", kShapeTypeIdentifiers);
    const TEnumInfo* calcTypes = StreamEnum("TrgCalcType", TrgCalcTypeIdentifiers);
    const TEnumInfo* linePositions = StreamEnum("TrgLinePositionType", TrgLinePositionTypeIdentifiers);
    const TEnumInfo* lineStyles = StreamEnum("TrgLineStyleType", TrgLineStyleTypeIdentifiers);
    const TEnumInfo* passSettings = StreamEnum("TrgPassSettingType", TrgPassSettingTypeIdentifiers);

    // Every page property is written whatever its value.
    DescribeClass<TrgPage, TComponent>(QStringLiteral("TrgPage"))
        .Integer("AbsolutePageNo", &TrgPage::AbsolutePageNo)
        .Integer("AbsolutePageCount", &TrgPage::AbsolutePageCount)
        .Integer("ControlGroupBreakNo", &TrgPage::ControlGroupBreakNo)
        .String("DocumentName", &TrgPage::DocumentName)
        .Boolean("FirstPage", &TrgPage::FirstPage)
        .Integer("LanguageIndex", &TrgPage::LanguageIndex)
        .Boolean("LastPage", &TrgPage::LastPage)
        .Integer("PageNo", &TrgPage::PageNo)
        .Integer("PageCount", &TrgPage::PageCount)
        .Enum("PassSetting", passSettings, &TrgPage::PassSetting)
        .Date("PrintDateTime", &TrgPage::PrintDateTime)
        .Object("PrinterSetup", [](TrgPage& p) { return p.PrinterSetup(); })
        .Children([](TrgPage& page, const TGetChildProc& proc, TComponent*) {
            for (int i = 0; i < page.GetDrawCommandCount(); ++i)
                proc(page.GetDrawCommand(i));
        });

    DescribeClass<TrgDrawCommand, TComponent>(QStringLiteral("TrgDrawCommand"))
        .Integer("Left", &TrgDrawCommand::Left)
        .Integer("Height", &TrgDrawCommand::Height)
        .Integer("Top", &TrgDrawCommand::Top)
        .Integer("Width", &TrgDrawCommand::Width)
        .ParentSetter([](TrgDrawCommand& command, TComponent* parent) {
            command.SetPage(dynamic_cast<TrgPage*>(parent));
        });

    using T = TrgDrawText;
    DescribeClass<T, TrgDrawCommand>(QStringLiteral("TrgDrawText"))
        .Enum("Alignment", alignments, &T::Alignment).Default(taLeftJustify)
        .Boolean("AutoSize", &T::AutoSize).Default(false)
        .Mapped("Color", colors, &T::Color).Default(clWhite)
        .Object("Font", [](T& t) { return t.Font(); })
        .Boolean("IsMemo", &T::IsMemo).Default(false)
        .Integer("Leading", &T::Leading).Default(0)
        .Strings("TabStopPositions", [](T& t) { return t.TabStopPositions(); })
        .String("Text", &T::Text)
        .Boolean("Transparent", &T::Transparent).Default(false)
        .Boolean("WordWrap", &T::WordWrap).Default(false)
        .Strings("WrappedText", [](T& t) { return t.WrappedText(); })
        .Boolean("BandSave", &T::BandSave).Default(false)
        .Integer("BandSaveNo", &T::BandSaveNo).Default(0)
        .Boolean("ComponentSave", &T::ComponentSave).Default(false)
        .Integer("ComponentSaveNo", &T::ComponentSaveNo).Default(0)
        .Integer("SaveLength", &T::SaveLength).Default(0);

    DescribeClass<TrgDrawCalc, TrgDrawText>(QStringLiteral("TrgDrawCalc"))
        .Enum("CalcType", calcTypes, &TrgDrawCalc::CalcType).Default(ctDate);

    using S = TrgDrawShape;
    DescribeClass<S, TrgDrawCommand>(QStringLiteral("TrgDrawShape"))
        .Object("Brush", [](S& s) { return &s.Brush; })
        .Object("Pen", [](S& s) { return &s.Pen; })
        .Enum("ShapeType", shapeTypes, &S::ShapeType).Default(stRectangle)
        .Integer("XCornerRound", &S::XCornerRound).Default(0)
        .Integer("YCornerRound", &S::YCornerRound).Default(0);

    using L = TrgDrawLine;
    DescribeClass<L, TrgDrawCommand>(QStringLiteral("TrgDrawLine"))
        .Enum("LinePosition", linePositions, &L::LinePosition).Default(lpTop)
        .Enum("LineStyle", lineStyles, &L::LineStyle).Default(lsSingle)
        .Object("Pen", [](L& l) { return &l.Pen; })
        .Single("Weight", &L::Weight);

    using I = TrgDrawImage;
    DescribeClass<I, TrgDrawCommand>(QStringLiteral("TrgDrawImage"))
        .Boolean("Center", &I::Center).Default(false)
        .Boolean("MaintainAspectRatio", &I::MaintainAspectRatio).Default(false)
        .Object("Picture", [](I& i) { return &i.Picture; })
        .Boolean("Scale", &I::Scale).Default(false)
        .Boolean("Stretch", &I::Stretch).Default(false)
        .Boolean("Transparent", &I::Transparent).Default(false)
        .Boolean("DirectDraw", &I::DirectDraw).Default(false);

    using R = TrgDrawRichText;
    DescribeClass<R, TrgDrawCommand>(QStringLiteral("TrgDrawRichText"))
        .Mapped("Color", colors, &R::Color)
        .Integer("EndCharPos", &R::EndCharPos)
        .Integer("StartCharPos", &R::StartCharPos)
        .Boolean("Transparent", &R::Transparent)
        .DefineProperties([](R& r, TFiler& filer) {
            filer.DefineBinaryProperty(
                QStringLiteral("RTFStream"), [&r](const QByteArray& data) { ReadRichTextStreamData(r, data); },
                [&r] { return RichTextStreamData(r); }, true);
        });
}

}  // namespace

void rgRegisterDrawCommandClasses()
{
    static const bool described = (DescribeClasses(), true);
    (void)described;
    for (const TClassInfo* info : {ClassInfoFor<TrgPage>(), ClassInfoFor<TrgDrawCommand>(), ClassInfoFor<TrgDrawText>(),
                                   ClassInfoFor<TrgDrawCalc>(), ClassInfoFor<TrgDrawShape>(), ClassInfoFor<TrgDrawLine>(),
                                   ClassInfoFor<TrgDrawImage>(), ClassInfoFor<TrgDrawRichText>()})
        RegisterClass(info);
}
