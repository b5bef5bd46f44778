#pragma once
// Draw commands: the device-independent record of one thing to paint on a
// page (a text, a calculated text, a shape, a line, a picture, a piece of
// rich text). Positions and sizes are thousandths of a millimetre from the
// paper's top-left corner. A command is plain data owned by its page;
// devices paint straight from it, and the page streams its commands as its
// child components (archive files hold exactly that stream).

#include <QByteArray>
#include <QString>

#include <functional>

#include "platform/core/string_list.h"
#include "platform/ui/component.h"
#include "platform/ui/graphics.h"
#include "report/output/rg_types.h"
#include "report/output/rg_utils.h"

class TrgPage;
class TrgDevice;
class TrgPageDef;

class TrgDrawCommand : public TComponent {
public:
    explicit TrgDrawCommand(TComponent* AOwner);
    // Leaves its page first.
    ~TrgDrawCommand() override;

    // The printable area of the page the command was made for: left and
    // top margin, paper width minus right margin, paper height minus bottom
    // margin. Set by the producing component; neither copied nor streamed.
    int PageLeft = 0;
    int PageTop = 0;
    int PageRight = 0;
    int PageBottom = 0;
    void SetPageArea(const TrgPageDef& PageDef);

    // The command's rectangle in device pixels, worked out by a raster
    // device before it draws; zero until then.
    int DrawLeft = 0;
    int DrawRight = 0;
    int DrawTop = 0;
    int DrawBottom = 0;
    TRect GetDrawRect() const { return {DrawLeft, DrawTop, DrawRight, DrawBottom}; }
    void SetDrawRect(const TRect& Rect);

    // Published, thousandths of a millimetre.
    int Left = 0;
    int Height = 0;
    int Top = 0;
    int Width = 0;

    // Called with the command when it is clicked in a preview; a command
    // with a handler is clickable.
    TNotifyEvent OnClick;
    // A click handler sets it to have the preview regenerate the page.
    bool RedrawPage = false;

    // Paints the command on Device; the base asks the device to do it.
    virtual bool Draw(TrgDevice* Device);
    // True when the text waits for the page count.
    virtual bool HasPendingCalc() const { return false; }
    // Works the text out again from the page's numbers; true when it did.
    virtual bool RecalcText() { return false; }

    TrgPage* Page() const { return page_; }
    // Leaves the old page and joins the new one (nullptr: leaves only; the
    // caller then owns the command).
    void SetPage(TrgPage* Page);
    bool IsClickable() const { return bool(OnClick); }
    void DoClick();

    // Positions, device rectangle, click handler and Tag; subclasses add
    // their own properties when the source is of their class.
    void Assign(const TPersistent* Source) override;

private:
    friend class TrgPage;
    TrgPage* page_ = nullptr;
};

// One text, a memo line or a word-wrapped text.
class TrgDrawText : public TrgDrawCommand {
public:
    explicit TrgDrawText(TComponent* AOwner);

    TAlignment Alignment = taLeftJustify;
    bool AutoSize = false;
    TColor Color = clWhite;
    bool IsMemo = false;
    int Leading = 0;
    QString Text;
    bool Transparent = false;
    bool WordWrap = false;
    // Text output: whether band and component take part, the band
    // instance's number, the field's place in its band, the fixed length.
    bool BandSave = false;
    int BandSaveNo = 0;
    bool ComponentSave = false;
    int ComponentSaveNo = 0;
    int SaveLength = 0;
    // Handed to the text file's save-text hook; never streamed.
    TComponent* Component = nullptr;

    TrgFont* Font() { return &font_; }
    const TrgFont* Font() const { return &font_; }
    void SetFont(const TFont* Value) { font_.Assign(Value); }
    TStringList* WrappedText() { return &wrappedText_; }
    const TStringList* WrappedText() const { return &wrappedText_; }
    void SetWrappedText(const TStringList& Value) { wrappedText_.Assign(Value); }
    TStringList* TabStopPositions() { return &tabStopPositions_; }
    const TStringList* TabStopPositions() const { return &tabStopPositions_; }
    void SetTabStopPositions(const TStringList& Value) { tabStopPositions_.Assign(Value); }

    // BandSaveNo then ComponentSaveNo, each right-aligned in 8 characters.
    QString GetSaveKey() const;

    void Assign(const TPersistent* Source) override;

private:
    TrgFont font_;
    TStringList wrappedText_;
    TStringList tabStopPositions_;
};

// A calculated text: date, time, page number or count.
class TrgDrawCalc : public TrgDrawText {
public:
    explicit TrgDrawCalc(TComponent* AOwner);

    TrgCalcType CalcType = ctDate;

    // Every calculated text registers with its page ...
    bool HasPendingCalc() const override { return true; }
    // ... but only the page-count kinds are worked out again, from the
    // page's numbers, language block and print time.
    bool RecalcText() override;

    void Assign(const TPersistent* Source) override;
};

class TrgDrawShape : public TrgDrawCommand {
public:
    explicit TrgDrawShape(TComponent* AOwner);

    TBrush Brush;
    TPen Pen;
    TShapeType ShapeType = stRectangle;
    int XCornerRound = 0;
    int YCornerRound = 0;

    void Assign(const TPersistent* Source) override;
};

class TrgDrawLine : public TrgDrawCommand {
public:
    explicit TrgDrawLine(TComponent* AOwner);

    TrgLinePositionType LinePosition = lpTop;
    TrgLineStyleType LineStyle = lsSingle;
    TPen Pen;
    float Weight = 0;  // points

    void Assign(const TPersistent* Source) override;
};

class TrgDrawImage : public TrgDrawCommand {
public:
    explicit TrgDrawImage(TComponent* AOwner);

    bool Center = false;
    bool MaintainAspectRatio = false;
    TPicture Picture;
    bool Scale = false;
    bool Stretch = false;
    bool Transparent = false;
    bool DirectDraw = false;  // not copied by Assign

    void Assign(const TPersistent* Source) override;
};

// A range of rich text. It paints itself: on a raster device that has a
// page open, the range's plain text inside its rectangle (filled with Color
// unless Transparent); elsewhere nothing.
class TrgDrawRichText : public TrgDrawCommand {
public:
    explicit TrgDrawRichText(TComponent* AOwner);

    TColor Color = clWhite;
    int EndCharPos = -1;
    int StartCharPos = -1;
    bool Transparent = false;
    // The rich text format bytes; streamed as the binary "RTFStream".
    QByteArray RichText;

    bool Draw(TrgDevice* Device) override;
    void Assign(const TPersistent* Source) override;
};

// The height that the formatted text actually takes, found by halving
// between 0 and RectHeight: Fits(h) tells whether the text fits into a
// rectangle of height h. Stops when the interval is at most Step wide (a
// Step below 1 counts as 1, so the search always ends); the answer is the
// last height tried when it fitted, else the upper bound, and never less
// than Step.
int rgFindFittingHeight(int RectHeight, int Step, const std::function<bool(int Height)>& Fits);

// Describes the page and every draw-command class for the component stream
// and registers them by class name; later calls register them again.
void rgRegisterDrawCommandClasses();
