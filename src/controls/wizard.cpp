#include "controls/wizard.h"

#include <cstdint>

#include "controls/wizard_containers.h"

// ---- TButtonData ----------------------------------------------------------

void TButtonData::Changed()
{
    if (owner_)
        owner_->UpdateButtons();
}

void TButtonData::SetText(const QString& v)
{
    text_ = v;
    Changed();
}

void TButtonData::SetGlyph(const TBitmap* v)
{
    glyph_.Assign(v);
    const int w = glyph_.Width(), h = glyph_.Height();
    if (h > 0 && w % h == 0) {
        const int n = w / h;
        numGlyphs_ = n > 4 ? 1 : std::max(n, 1);
    }
    if (owner_)
        owner_->ResetGlyphCache();
    Changed();
}

void TButtonData::SetNumGlyphs(int v)
{
    numGlyphs_ = std::clamp(v, 1, 4);
    Changed();
}

void TButtonData::SetLayout(TButtonLayout v)
{
    layout_ = v;
    Changed();
}

void TButtonData::SetEnabled(bool v)
{
    enabled_ = v;
    Changed();
}

void TButtonData::SetShow(bool v)
{
    show_ = v;
    Changed();
}

// ---- TAssistent: creation -------------------------------------------------

namespace {

// The glyph cache mark of a button: the button data it copied last.
long GlyphMark(const TButtonData* data) { return long(reinterpret_cast<intptr_t>(data)); }

}  // namespace

TAssistent::TAssistent(TComponent* AOwner) : TCustomControl(AOwner)
{
    TCustomForm* form = dynamic_cast<TCustomForm*>(AOwner);
    if (!form)
        throw EInvalidCast("Ungültige Typumwandlung");
    SetAlign(alClient);
    SetTabStop(false);

    auto setup = [this](TBitBtn* b, const char* name, void (TAssistent::*click)()) {
        b->Name = name;
        b->SetParent(this);
        b->SetBounds(0, 0, 90, 25);
        b->Tag = -1;
        b->OnClick = [this, click](TObject*) { (this->*click)(); };
    };
    changeButton_ = new TDesignButton(this);
    setup(changeButton_, "ChangeButton", &TAssistent::ChangeClick);
    helpButton_ = new TDesignButton(this);
    setup(helpButton_, "HelpButton", &TAssistent::HelpClick);
    cancelButton_ = new TBitBtn(this);
    cancelButton_->Cancel = true;
    setup(cancelButton_, "CancelButton", &TAssistent::CancelClick);
    backButton_ = new TDesignButton(this);
    setup(backButton_, "BackButton", &TAssistent::BackClick);
    nextButton_ = new TDesignButton(this);
    setup(nextButton_, "NextButton", &TAssistent::NextClick);
    okButton_ = new TBitBtn(this);
    setup(okButton_, "OKButton", &TAssistent::OKClick);

    pageNames_.Add(QStringLiteral("Dialog"));
    // Names read from a form stream go straight into the list.
    pageNames_.OnChange = [this](TStringList&) {
        if (style_ == asTabbed) {
            CalcTabRows();
            Invalidate();
        }
    };
    WizardFormWidth = DialogFormWidth = form->Width();
    WizardFormHeight = DialogFormHeight = form->Height();
    numPages_ = 0;
    SetNumPages(2);
    buttonWidth_ = 90;
    buttonHeight_ = okButton_->Height();
    constructed_ = true;
    HideButtons();
    UpdateCaption();
}

TAssistent::~TAssistent() { BeginDestroy(); }

TCustomForm* TAssistent::Form() const { return dynamic_cast<TCustomForm*>(Owner()); }

std::array<TBitBtn*, 6> TAssistent::BarButtons() const
{
    return {changeButton_, helpButton_, cancelButton_, backButton_, nextButton_, okButton_};
}

void TAssistent::Loaded()
{
    if (SetFormProperties) {
        if (TCustomForm* form = Form()) {
            form->Position = poScreenCenter;
            form->SetBorderStyle(bsDialog);
        }
    }
    // Glyphs read from the stream went straight into the button data: the
    // bar copies them again.
    ResetGlyphCache();
    UpdateButtons();
    TCustomControl::Loaded();
}

void TAssistent::ForEachClient(const std::function<void(TAssistentClient*)>& fn) const
{
    TCustomForm* form = Form();
    if (!form)
        return;
    for (int i = form->ComponentCount() - 1; i >= 0; --i)
        if (auto* client = dynamic_cast<TAssistentClient*>(form->Components(i)))
            fn(client);
}

// ---- Pages ----------------------------------------------------------------

int TAssistent::DisplayPageOf(int step) const
{
    if (!wayListEnabled_ || step <= 0)
        return step;
    if (step - 1 < wayList_.Count())
        return wayList_.ShowPage(step - 1);
    return step;  // a way list too short for the step: the step itself
}

bool TAssistent::IsLastPage() const
{
    if (wayListEnabled_)
        return page_ > 0 && page_ - 1 < wayList_.Count() && wayList_.NextRule(page_ - 1) == kNextFinish;
    return page_ == numPages_;
}

void TAssistent::SetPage(int value)
{
    pageAccepted_ = true;
    int target = value;
    if (OnCanPageChange && !Loading())
        pageAccepted_ = OnCanPageChange(this, page_, target);
    if (!pageAccepted_)
        return;
    if (wayListEnabled_ && value > 0 && target - 1 >= wayList_.Count()) {
        // A step the way list does not cover cannot be shown.
        pageAccepted_ = false;
        return;
    }
    const int d = (wayListEnabled_ && value > 0) ? wayList_.ShowPage(target - 1) : target;
    if (d == -1) {
        if (TCustomForm* form = Form())
            form->ModalResult = mrOk;
        return;
    }
    const int old = page_;
    page_ = target;
    UpdateCaption();

    if (d == 0 && old != 0)
        ResizeForm(DialogFormWidth, DialogFormHeight);
    else if (d != 0 && old == 0)
        ResizeForm(WizardFormWidth, WizardFormHeight);

    ForEachClient([d](TAssistentClient* c) { c->SetNewPosition(d); });

    layoutEnabled_ = false;
    btnBack_.SetEnabled((UseHistory && history_.Count() > 0) || (!UseHistory && page_ > 1));
    if (wayListEnabled_) {
        if (value > 0)
            btnNext_.SetEnabled(!(value - 1 < wayList_.Count() && wayList_.NextRule(value - 1) == kNextFinish));
    } else {
        btnNext_.SetEnabled(d != numPages_);
    }
    layoutEnabled_ = true;
    UpdateButtons();
    if (style_ == asTabbed)
        Invalidate();

    if ((page_ != old || page_ == 0) && !Loading()) {
        if (OnPageChange)
            OnPageChange(this, page_);
        if (style_ == asWizard)
            FocusFirstControl();
    }
}

void TAssistent::ResizeForm(int w, int h)
{
    TCustomForm* form = Form();
    if (!form || Align() != alClient)
        return;
    const int cx = form->Left() + form->Width() / 2;
    const int cy = form->Top() + form->Height() / 2;
    form->SetBounds(cx - w / 2, cy - h / 2, w, h);
}

namespace {

// The first control that can take the focus below c, in tab order.
TWinControl* FirstFocusable(TWinControl* c)
{
    std::vector<TWinControl*> children;
    for (int i = 0; i < c->ControlCount(); ++i)
        if (auto* w = dynamic_cast<TWinControl*>(c->Controls(i)))
            children.push_back(w);
    std::stable_sort(children.begin(), children.end(),
                     [](TWinControl* a, TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (TWinControl* w : children) {
        if (!w->Visible() || !w->Enabled())
            continue;
        if (w->TabStop() && w->CanFocus())
            return w;
        if (TWinControl* inner = FirstFocusable(w))
            return inner;
    }
    return nullptr;
}

}  // namespace

void TAssistent::FocusFirstControl()
{
    TCustomForm* form = Form();
    if (!form || !form->Visible())
        return;
    if (TWinControl* w = FirstFocusable(this))
        form->SetActiveControl(w);
}

void TAssistent::SetNumPages(int value)
{
    if (value < 1) {
        if (style_ == asTabbed)
            CalcTabRows();
        return;
    }
    pageNames_.BeginUpdate();
    while (pageNames_.Count() < value + 1)
        pageNames_.Add(QStringLiteral("Page ") + QString::number(pageNames_.Count()));
    while (pageNames_.Count() > value + 1)
        pageNames_.Delete(pageNames_.Count() - 1);
    pageNames_.EndUpdate();
    ForEachClient([value](TAssistentClient* c) { c->SetNumApos(value + 1); });
    numPages_ = value;
    if (page_ != 0) {
        UpdateCaption();
        UpdateButtons();
    }
    if (!wayListEnabled_) {
        if (page_ > numPages_)
            SetPage(numPages_);
    } else if (wayList_.Count() > 0 && page_ > wayList_.Count()) {
        // The way list's last step stays reachable.
        SetPage(wayList_.Count());
    }
    if (style_ == asTabbed) {
        CalcTabRows();
        Invalidate();
    }
}

void TAssistent::SetStartPage(int v)
{
    startPage_ = v;
    if (history_.Count() == 0 || !UseHistory)
        lastWizardPage_ = v;
}

void TAssistent::SetWayListEnabled(bool v)
{
    wayListEnabled_ = v;
    if (style_ == asTabbed)
        CalcTabRows();
    SetPage(page_);
    Invalidate();
}

// ---- Captions -------------------------------------------------------------

QString SeitenText(const QString& format, int page, int pages)
{
    // Only "%d" (twice: page, pages) and "%%" are taken from the format, so
    // no caption text can reach a printf-style formatter.
    QString out;
    int used = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format.at(i) == u'%' && i + 1 < format.size()) {
            const QChar next = format.at(i + 1);
            if (next == u'd' && used < 2) {
                out += QString::number(used++ == 0 ? page : pages);
                ++i;
                continue;
            }
            if (next == u'%') {
                out += u'%';
                ++i;
                continue;
            }
        }
        out += format.at(i);
    }
    return out;
}

void TAssistent::UpdateCaption()
{
    if (!SetFormCaption)
        return;
    TCustomForm* form = Form();
    if (!form)
        return;
    const int d = DisplayPage();
    QString caption;
    if (showPageNames_)
        caption = (d >= 0 && d < pageNames_.Count()) ? pageNames_.Strings(d) : QString();
    else if (d == 0)
        caption = captionDialog_;
    else
        caption = SeitenText(captionWizard_, page_, numPages_);
    form->SetCaption(caption);
}

void TAssistent::SetCaptionDialog(const QString& v)
{
    captionDialog_ = v;
    if (page_ == 0)
        if (TCustomForm* form = Form())
            form->SetCaption(v);
}

void TAssistent::SetCaptionWizard(const QString& v)
{
    captionWizard_ = v;
    UpdateCaption();
}

void TAssistent::SetShowPageNames(bool v)
{
    showPageNames_ = v;
    UpdateCaption();
}

void TAssistent::SetPageNames(const QStringList& v)
{
    pageNames_.BeginUpdate();
    pageNames_.Clear();
    pageNames_.AddStrings(v);
    pageNames_.EndUpdate();
}

// ---- Bar commands ---------------------------------------------------------

int TAssistent::GetJumpPage() const
{
    if (TCustomForm* form = Form())
        for (int i = 0; i < form->ComponentCount(); ++i)
            if (auto* jump = dynamic_cast<TAJumpRadioBtn*>(form->Components(i)))
                if (jump->Enabled() && jump->Checked())
                    return jump->JumpMode == jmAbsolut ? jump->JumpPage : page_ + jump->JumpPage;
    return page_ + 1;
}

void TAssistent::NextClick()
{
    const int old = page_;
    int n;
    if (wayListEnabled_) {
        const int r = (page_ > 0 && page_ - 1 < wayList_.Count()) ? wayList_.NextRule(page_ - 1) : kNextFinish;
        if (r == kNextJump) {
            n = GetJumpPage();
        } else if (r == kNextFinish) {
            n = -1;
        } else if (r == kNextPlusOne) {
            n = page_ + 1;
            if (OnAskPageChange)
                OnAskPageChange(this, page_, n);
        } else {
            n = r;
        }
    } else {
        n = page_ < numPages_ ? GetJumpPage() : -1;
    }
    const bool pushed = n != old && n != -1 && UseHistory;
    if (pushed)
        history_.Add(old);
    SetPage(n);
    if (!pageAccepted_ && pushed)
        history_.Delete(history_.Count() - 1);
}

void TAssistent::BackClick()
{
    if (UseHistory) {
        if (history_.Count() == 0)
            return;
        const int p = history_.Items(history_.Count() - 1);
        history_.Delete(history_.Count() - 1);
        SetPage(p);
        if (!pageAccepted_ || page_ != p)
            history_.Add(p);
    } else if (page_ > 1) {
        SetPage(page_ - 1);
    }
}

void TAssistent::ChangeClick()
{
    if (page_ > 0) {
        lastWizardPage_ = page_;
        SetPage(0);
    } else if (RememberPage) {
        SetPage(lastWizardPage_);
    } else {
        history_.Clear();
        SetPage(startPage_);
    }
}

void TAssistent::OKClick() { SetPage(-1); }

void TAssistent::CancelClick()
{
    if (OnCancelClick && !OnCancelClick(this, page_))
        return;
    if (TCustomForm* form = Form())
        form->ModalResult = mrCancel;
}

void TAssistent::HelpClick()
{
    if (OnHelpClick)
        OnHelpClick(this, page_);
}

// ---- Bar layout -----------------------------------------------------------

void TAssistent::ResetGlyphCache()
{
    for (TBitBtn* b : BarButtons())
        if (b)
            b->Tag = -1;
}

void TAssistent::UpdateButtons()
{
    if (!constructed_)
        return;
    if (style_ != asWizard) {
        HideButtons();
        return;
    }
    if (!layoutEnabled_)
        return;
    LayoutBar(page_ == 0);
}

void TAssistent::HideButtons()
{
    for (TBitBtn* b : BarButtons()) {
        if (b->Enabled())
            b->SetEnabled(false);
        if (b->Left() != kParkLeft)
            b->SetLeft(kParkLeft);
    }
}

bool TAssistent::ApplyButtonData(TButtonData& data, TBitBtn* button, int top, int x, int& tabPosition)
{
    if (button->Top() != top)
        button->SetTop(top);
    const bool shown = data.Show();
    const int left = shown ? x : kParkLeft;
    if (button->Left() != left)
        button->SetLeft(left);
    if (button->Caption() != data.Text())
        button->SetCaption(data.Text());
    const bool enabled = data.Enabled() && shown;
    if (button->Enabled() != enabled)
        button->SetEnabled(enabled);
    if (button->Layout != data.Layout()) {
        button->Layout = data.Layout();
        // A glyph on the right: the button lays its icon out from the right.
        button->Handle()->setLayoutDirection(data.Layout() == blGlyphRight ? Qt::RightToLeft : Qt::LeftToRight);
    }
    if (showGlyph_) {
        if (button->Tag != GlyphMark(&data)) {
            button->SetGlyph(data.Glyph());
            button->Tag = GlyphMark(&data);
        }
        if (button->NumGlyphs() != data.NumGlyphs())
            button->SetNumGlyphs(data.NumGlyphs());
    } else if (button->Tag != -1 || !button->Glyph()->Empty()) {
        TBitmap none;
        button->SetGlyph(&none);
        button->Tag = -1;
    }
    if (button->TabOrder() != tabPosition)
        button->SetTabOrder(tabPosition);
    tabPosition = button->TabOrder();
    return shown;
}

void TAssistent::LayoutBar(bool dialog)
{
    const int top = Height() - changeButton_->Height() - 3;
    if (dialog) {
        for (TBitBtn* b : {static_cast<TBitBtn*>(nextButton_), static_cast<TBitBtn*>(backButton_)}) {
            if (b->Enabled())
                b->SetEnabled(false);
            if (b->Left() != kParkLeft)
                b->SetLeft(kParkLeft);
        }
    }
    const bool last = !dialog && IsLastPage();
    // The button and its data for a code; nullptr where the code places none.
    auto role = [&](int code, TBitBtn*& button) -> TButtonData* {
        switch (code) {
        case bcChange: button = changeButton_; return dialog ? &btnChangeWizard_ : &btnChangeDialog_;
        case bcHelp: button = helpButton_; return &btnHelp_;
        case bcCancel: button = cancelButton_; return &btnCancel_;
        case bcBack:
            button = backButton_;
            return dialog ? nullptr : &btnBack_;
        case bcNext:
            button = nextButton_;
            if (dialog)
                return nullptr;
            return (last && !btnWizardOK_.Show()) ? &btnFinish_ : &btnNext_;
        case bcOK:
            button = okButton_;
            if (dialog)
                return &btnDialogOK_;
            return (last && btnWizardOK_.Show()) ? &btnFinish_ : &btnWizardOK_;
        default: button = nullptr; return nullptr;
        }
    };
    const TIntegerList& list = dialog ? blDialog_ : blWizard_;
    // A list without the code 8 keeps all its buttons in the left group.
    int split = list.Count();
    for (int i = 0; i < list.Count(); ++i)
        if (list.Items(i) == bcRightGroup) {
            split = i;
            break;
        }
    int x = 4, tab = 10000;
    for (int i = 0; i < split; ++i, ++tab) {
        const int code = list.Items(i);
        TBitBtn* button = nullptr;
        if (TButtonData* data = role(code, button)) {
            if (ApplyButtonData(*data, button, top, x, tab))
                x += buttonWidth_ + 4;
        } else if (code == bcGap) {
            x += 8;
        }
    }
    x = Width() - buttonWidth_ - 4;
    tab = 15000;
    for (int i = list.Count() - 1; i > split; --i, --tab) {
        const int code = list.Items(i);
        TBitBtn* button = nullptr;
        if (TButtonData* data = role(code, button)) {
            if (ApplyButtonData(*data, button, top, x, tab))
                x -= buttonWidth_ + 4;
        } else if (code == bcGap) {
            x -= 8;
        }
    }
    TBitBtn* defaultButton = (dialog || (btnWizardOK_.Show() && last)) ? okButton_ : nextButton_;
    for (TBitBtn* b : {static_cast<TBitBtn*>(nextButton_), okButton_})
        if (b->Default() != (b == defaultButton))
            b->SetDefault(b == defaultButton);
}

void TAssistent::SetButtonWidth(int v)
{
    buttonWidth_ = v;
    for (TBitBtn* b : BarButtons())
        b->SetWidth(v);
    UpdateButtons();
}

void TAssistent::SetButtonHeight(int v)
{
    buttonHeight_ = v;
    for (TBitBtn* b : BarButtons())
        b->SetHeight(v);
    UpdateButtons();
    AlignControls();
    Invalidate();
}

void TAssistent::SetButtonStyle(TButtonStyle v)
{
    // The bar buttons draw in the platform's style; the setting is kept.
    buttonStyle_ = v;
    UpdateButtons();
}

void TAssistent::SetShowGlyph(bool v)
{
    showGlyph_ = v;
    UpdateButtons();
}

void TAssistent::SetSeperator(bool v)
{
    if (seperator_ == v)
        return;
    seperator_ = v;
    Invalidate();
}

// ---- Framework ------------------------------------------------------------

TRect TAssistent::AdjustClientRect() const
{
    switch (style_) {
    case asWizard:
        return Rect(0, 0, Width(), Height() - (cancelButton_ ? cancelButton_->Height() : 25) - 10);
    case asTabbed:
        return Rect(1, TabAreaHeight() + 1, Width() - 2, Height() - 2);
    case asNone:
    default:
        return Rect(0, 0, Width(), Height());
    }
}

void TAssistent::Resize()
{
    TCustomControl::Resize();
    UpdateButtons();
    if (style_ == asTabbed)
        CalcTabRows();
}

void TAssistent::Paint()
{
    TCanvas* c = Canvas();
    TCustomForm* form = Form();
    c->Pen.Width = 1;
    c->Brush.Style = bsSolid;
    c->Brush.Color = form ? form->Color() : clBtnFace;
    c->FillRect(Rect(0, 0, Width(), Height()));
    if (style_ == asWizard && seperator_) {
        const int y = Height() - cancelButton_->Height() - 9;
        c->Pen.Color = clBtnShadow;
        c->MoveTo(0, y);
        c->LineTo(Width(), y);
        c->Pen.Color = clBtnHighlight;
        c->MoveTo(0, y + 1);
        c->LineTo(Width(), y + 1);
    } else if (style_ == asTabbed) {
        const int h = TabAreaHeight();
        c->Pen.Color = clWhite;
        c->MoveTo(0, h);
        c->LineTo(0, Height() - 2);
        c->Pen.Color = clGray;
        c->MoveTo(1, Height() - 2);
        c->LineTo(Width() - 2, Height() - 2);
        c->LineTo(Width() - 2, h);
        c->Pen.Color = clBlack;
        c->MoveTo(0, Height() - 1);
        c->LineTo(Width() - 1, Height() - 1);
        c->LineTo(Width() - 1, h);
        DrawTabs(c);
    }
    TCustomControl::Paint();
}

void TAssistent::KeyDown(Word& Key, TShiftState Shift)
{
    if (Key == VK_LEFT && page_ > 1) {
        SetPage(page_ - 1);
        Key = 0;
        return;
    }
    if (Key == VK_RIGHT && page_ < numPages_) {
        SetPage(page_ + 1);
        Key = 0;
        return;
    }
    TCustomControl::KeyDown(Key, Shift);
}

void TAssistent::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (style_ == asTabbed && Button == mbLeft && Y < TabAreaHeight())
        TabClick(X, Y);
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TAssistent::DoEnter()
{
    if (style_ == asTabbed)
        Invalidate();
    TCustomControl::DoEnter();
}

void TAssistent::DoExit()
{
    if (style_ == asTabbed)
        Invalidate();
    TCustomControl::DoExit();
}
