#include "controls/date_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <cmath>

#include "controls/date_spin_glyphs.h"
#include "controls/grid_source.h"
#include "datagrid/dk_db_grid.h"
#include "platform/ui/grids.h"
#include "platform/ui/forms.h"

namespace {

bool Inside(const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }

bool AllDigits(const QString& s, int maxLen)
{
    if (s.isEmpty() || s.size() > maxLen)
        return false;
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

// Index (1-based) of the first name that equals s without regard to case; 0 when none.
int NameIndex(const QStringList& names, const QString& s)
{
    for (int i = 1; i < names.size(); ++i)
        if (!names.at(i).isEmpty() && names.at(i).compare(s, Qt::CaseInsensitive) == 0)
            return i;
    return 0;
}

// A format with at least one day, month or year field; a format without
// any (an empty custom format) falls back to the short date format.
QString UsableFormat(const QString& format)
{
    const int n = FieldCount(format, QString());
    for (int k = 1; k <= n; ++k) {
        const TDateFieldKind kind = FormatFieldKind(k, format);
        if (IsMonthKind(kind) || IsDayKind(kind) || IsYearKind(kind))
            return format;
    }
    const QString shortFormat = FormatSettings().ShortDateFormat;
    return format == shortFormat ? QStringLiteral("dd.mm.yyyy") : UsableFormat(shortFormat);
}

}  // namespace

// The drop-down button at the right edge of a date edit; its mouse goes to the edit.
class TDateEditButton : public TCustomControl {
public:
    explicit TDateEditButton(TCustomDateEditPlusNoBDE* edit) : TCustomControl(edit), edit_(edit)
    {
        SetTabStop(false);
        Handle()->setFocusPolicy(Qt::NoFocus);
        SetParent(edit);
    }
    void Paint() override
    {
        DrawDropDownButton(ClientRect(), Canvas(), edit_->ButtonBitmap(), edit_->ButtonPressed(),
                           edit_->ButtonEnabled() && edit_->Enabled());
    }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override
    {
        if (Button == mbLeft)
            edit_->ButtonMouseDown(X + Left(), Y + Top());
    }
    void MouseMove(TShiftState Shift, int X, int Y) override { edit_->ButtonMouseMove(X + Left(), Y + Top()); }
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override
    {
        if (Button == mbLeft)
            edit_->ButtonMouseUp(X + Left(), Y + Top());
    }
    void DblClick() override {}  // a double click on the button does nothing

private:
    TCustomDateEditPlusNoBDE* edit_;
};

// Closes the drop-down when the window of its edit moves, is sized,
// hidden or deactivated: the calendar would be left standing elsewhere.
class TDropDownCanceller : public QObject {
public:
    explicit TDropDownCanceller(TCustomDateEditPlusNoBDE* edit) : edit_(edit) {}
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (!edit_->CanDispatch())
            return false;  // the form is going: the calendar goes with the edit
        switch (e->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Hide:
        case QEvent::WindowDeactivate:
            edit_->CloseUp();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, e);
    }

private:
    TCustomDateEditPlusNoBDE* edit_;
};

// Paints the unfocused edit's text area in the colours SelectPaintColors
// chooses; in a grid a focus rectangle frames the text area. A focused edit
// shows the window colours of SetEditColors.
class TEditPainter : public QObject {
public:
    explicit TEditPainter(TCustomDateEditPlusNoBDE* edit) : edit_(edit) {}
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() != QEvent::Paint || inPaint_ || watched != edit_->Edit())
            return QObject::eventFilter(watched, e);
        QLineEdit* line = edit_->Edit();
        TColor back = clWindow, text = clWindowText;
        const bool eigenerText = !edit_->Focused() || edit_->PaintingCopy();
        if (eigenerText)
            edit_->SelectPaintColors(back, text);
        else
            edit_->SetEditColors(back, text);
        QPalette pal = line->palette();
        if (pal.color(QPalette::Base) != ColorToQColor(back) || pal.color(QPalette::Text) != ColorToQColor(text)) {
            pal.setColor(QPalette::Base, ColorToQColor(back));
            pal.setColor(QPalette::Text, ColorToQColor(text));
            line->setPalette(pal);
        }
        inPaint_ = true;
        QCoreApplication::sendEvent(line, e);
        inPaint_ = false;
        if (eigenerText) {
            // The unfocused edit shows its own text, without the selection
            // a focused edit shows.
            QPainter p(line);
            const QRect textRect = TextRect();
            p.fillRect(textRect, ColorToQColor(back));
            p.setClipRect(textRect);
            p.setPen(ColorToQColor(text));
            p.setFont(line->font());
            p.drawText(textRect.adjusted(2, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       edit_->GetDisplayText(edit_->PaintingCopy()));
            // In a grid a dotted frame in the text colour marks the cell.
            if (edit_->InGrid()) {
                p.setPen(QPen(ColorToQColor(text), 1, Qt::DotLine));
                p.setBrush(Qt::NoBrush);
                p.drawRect(textRect.adjusted(0, 0, -1, -1));
            }
        }
        return true;
    }
    // The text area: the client area left of the drop-down button.
    QRect TextRect() const
    {
        const int rand = edit_->Edit()->hasFrame() ? 2 : 0;
        QRect r = edit_->Edit()->rect().adjusted(rand, rand, -rand, -rand);
        if (edit_->ButtonVisible())
            r.setRight(edit_->ButtonRect().Left - 1);
        return r;
    }

private:
    TCustomDateEditPlusNoBDE* edit_;
    bool inPaint_ = false;
};

// ---- century options ---------------------------------------------------------------

void TCenturyOptions::SetYearsToLookAhead(int v)
{
    if (v < 1 || v > 99)
        throw EInvalidOperation(QStringLiteral("Years to look ahead should be between 1 and 99."));
    yearsToLookAhead_ = v;
}

int TCenturyOptions::GetCentury() const
{
    const int Y = YearOfDate(::Date());
    const int c = Y / 100;
    switch (Method) {
    case cmFixed:
        return Fixed;
    case cmLookAhead: {
        const int cy = Y - 100 * c;
        const int t = TypedYear - 100 * (TypedYear / 100);
        if (t > cy && t - cy > yearsToLookAhead_)
            return c - 1;
        if (t < cy && cy - t >= 100 - yearsToLookAhead_)
            return c + 1;
        return c;
    }
    default:
        return c;
    }
}

// ---- drop-down calendar ---------------------------------------------------------------

TDropDownCalendar::TDropDownCalendar(TCustomDateEditPlusNoBDE* edit) : TCustomCalendarEdit(edit), edit_(edit) {}

void TDropDownCalendar::Change()
{
    if (edit_->hasDay_)
        edit_->SetDay(Day());
    if (edit_->hasMonth_)
        edit_->SetMonth(Month());
    if (edit_->hasYear_)
        edit_->SetYear(Year());
    TCustomCalendarEdit::Change();
}

bool TDropDownCalendar::DaySelectable() { return edit_->hasDay_; }
bool TDropDownCalendar::MouseEnabled() { return TCustomCalendarEdit::MouseEnabled() && edit_->CanModify(); }

void TDropDownCalendar::EndDayTracking()
{
    TCustomCalendarEdit::EndDayTracking();
    edit_->CloseUp();
}

// ---- construction -------------------------------------------------------------------------

TCustomDateEditPlusNoBDE::TCustomDateEditPlusNoBDE(TComponent* AOwner) : TWinControl(AOwner)
{
    auto* e = new QLineEdit();
    SetHandle(e);
    // Text reaches the date only through the field engine: no drops, no
    // undo of the widget's own.
    e->setAcceptDrops(false);
    e->setContextMenuPolicy(Qt::NoContextMenu);
    SetTabStop(true);
    SetColor(clWindow);
    QObject::connect(e, &QLineEdit::textChanged, e, [this] { Change(); });
    LoadControlGlyphs("DateEditCalendar", buttonBitmap_);
    calendarOptions_ = std::make_unique<TCalendarOptions>(this);
    centuryOptions_ = std::make_unique<TCenturyOptions>();
    activeFormat_ = UsableFormat(FormatSettings().ShortDateFormat);
    button_ = new TDateEditButton(this);
    painter_ = std::make_unique<TEditPainter>(this);
    e->installEventFilter(painter_.get());
    SetBounds(0, 0, 121, 21);
    modTracking_ = false;
    SetBlank(true);
    modTracking_ = true;
    modified_ = false;
}

TCustomDateEditPlusNoBDE::~TCustomDateEditPlusNoBDE()
{
    BeginDestroy();
    calendar_ = nullptr;
}

QLineEdit* TCustomDateEditPlusNoBDE::Edit() const { return static_cast<QLineEdit*>(Handle()); }
QString TCustomDateEditPlusNoBDE::WindowText() const { return Edit()->text(); }

void TCustomDateEditPlusNoBDE::SetWindowText(const QString& text)
{
    if (Edit()->text() != text)
        Edit()->setText(text);
}

void TCustomDateEditPlusNoBDE::Loaded()
{
    TWinControl::Loaded();
    SetBlank(true);
    ApplyFormat(GetCustomDisplayFormat());
    modified_ = false;
}

void TCustomDateEditPlusNoBDE::Change()
{
    if (Loading() || Destroying() || !changeEnabled_)
        return;
    const QString text = WindowText();
    if (text != lastText_) {
        lastText_ = text;
        if (OnChange)
            Dispatch([this] { OnChange(this); });
    }
}

// ---- the date ---------------------------------------------------------------------------------

void TCustomDateEditPlusNoBDE::SetDate(TDateTime value)
{
    date_ = value;
    int y, m, d;
    DecodeDate(value, y, m, d);
    SetYear(uint16_t(y));
    SetMonth(uint16_t(m));
    SetDay(uint16_t(d));
}

void TCustomDateEditPlusNoBDE::SetPart(PartChange change, uint16_t value)
{
    QString text = WindowText(), tmpl = template_;
    (this->*change)(text, tmpl, value, activeFormat_);
    template_ = tmpl;
    SetWindowText(text);
    SelectAllText();
    SetModified(true);
    blank_ = false;
}

void TCustomDateEditPlusNoBDE::SetDay(uint16_t d)
{
    if (d <= 31)
        SetPart(&TCustomDateEditPlusNoBDE::DayChanged, d);
}

void TCustomDateEditPlusNoBDE::SetMonth(uint16_t m)
{
    if (m <= 12)
        SetPart(&TCustomDateEditPlusNoBDE::MonthChanged, m);
}

void TCustomDateEditPlusNoBDE::SetYear(uint16_t y) { SetPart(&TCustomDateEditPlusNoBDE::YearChanged, y); }

void TCustomDateEditPlusNoBDE::TakeParts(uint16_t y, uint16_t m, uint16_t d, QString& text, QString& tmpl,
                                         const QString& format, FieldUpdate update)
{
    // A date that is not valid keeps Date at its last valid value.
    if (IsValidDate(y, m, d))
        date_ = ReplaceDatePart(y, m, d, date_);
    year_ = y, month_ = m, day_ = d;
    update(text, tmpl, format, day_, month_, year_, editingField_);
    uint16_t dd = day_, mm = month_, yy = year_;
    UpdateWeekdayFields(text, tmpl, format, dd, mm, yy, editingField_);
}

void TCustomDateEditPlusNoBDE::DayChanged(QString& text, QString& tmpl, uint16_t d, const QString& format)
{
    TakeParts(year_, month_, d, text, tmpl, format, UpdateDayFields);
    if (calendar_)
        calendar_->SetDay(d);
}

void TCustomDateEditPlusNoBDE::MonthChanged(QString& text, QString& tmpl, uint16_t m, const QString& format)
{
    TakeParts(year_, m, day_, text, tmpl, format, UpdateMonthFields);
    if (calendar_)
        calendar_->SetMonth(m);
}

void TCustomDateEditPlusNoBDE::YearChanged(QString& text, QString& tmpl, uint16_t y, const QString& format)
{
    TakeParts(y, month_, day_, text, tmpl, format, UpdateYearFields);
    if (calendar_)
        calendar_->SetYear(y);
}

void TCustomDateEditPlusNoBDE::WeekdayChanged(QString& text, QString& tmpl, int weekday, const QString& format)
{
    uint16_t d = day_, m = month_, y = year_;
    if (SetWeekdayFields(text, tmpl, format, d, m, y, editingField_, weekday)) {
        YearChanged(text, tmpl, y, format);
        MonthChanged(text, tmpl, m, format);
        DayChanged(text, tmpl, d, format);
    }
}

void TCustomDateEditPlusNoBDE::SetBlank(bool b)
{
    blank_ = b;
    if (b)
        ClearDate();
    SetModified(true);
}

void TCustomDateEditPlusNoBDE::UpdateFormatFlags()
{
    const QString format = GetCustomEditFormat();
    hasMonth_ = hasDay_ = hasYear_ = false;
    const int n = FieldCount(format, QString());
    for (int k = 1; k <= n; ++k) {
        const TDateFieldKind kind = FormatFieldKind(k, format);
        hasMonth_ = hasMonth_ || IsMonthKind(kind);
        hasDay_ = hasDay_ || IsDayKind(kind);
        hasYear_ = hasYear_ || IsYearKind(kind);
    }
}

void TCustomDateEditPlusNoBDE::ClearDate()
{
    date_ = std::fabs(date_ - std::trunc(date_));
    UpdateFormatFlags();
    const TDateTime today = ::Date();
    if (hasMonth_)
        month_ = 0;
    else if (month_ == 0)
        month_ = MonthOfDate(today);
    if (hasDay_)
        day_ = 0;
    else if (day_ == 0)
        day_ = 1;
    if (hasYear_)
        year_ = 0;
    else if (year_ == 0)
        year_ = YearOfDate(today);
    blank_ = true;
    template_.clear();
    SetWindowText(QString());
}

void TCustomDateEditPlusNoBDE::SetModified(bool b)
{
    if (modTracking_)
        modified_ = b;
}

// ---- formats ---------------------------------------------------------------------------------

QString TCustomDateEditPlusNoBDE::GetCustomDisplayFormat() const
{
    switch (displayFormat_) {
    case dfCustom: return UsableFormat(customDisplayFormat_);
    case dfEditFormat: return GetCustomEditFormat();
    case dfWindowsLong: return UsableFormat(FormatSettings().LongDateFormat);
    default: return UsableFormat(FormatSettings().ShortDateFormat);
    }
}

QString TCustomDateEditPlusNoBDE::GetCustomEditFormat() const
{
    switch (editFormat_) {
    case efCustom: return UsableFormat(customEditFormat_);
    case efWindowsLong: return UsableFormat(FormatSettings().LongDateFormat);
    default: return UsableFormat(FormatSettings().ShortDateFormat);
    }
}

void TCustomDateEditPlusNoBDE::SetCustomDisplayFormat(const QString& f)
{
    customDisplayFormat_ = f;
    if (!Loading())
        SetDisplayFormat(dfCustom);
}

void TCustomDateEditPlusNoBDE::SetCustomEditFormat(const QString& f)
{
    customEditFormat_ = f;
    if (!Loading())
        SetEditFormat(efCustom);
}

void TCustomDateEditPlusNoBDE::SetDisplayFormat(TDisplayFormat v)
{
    displayFormat_ = v;
    if (!Focused() && !Loading() && !Destroying())
        ApplyFormat(GetCustomDisplayFormat());
}

void TCustomDateEditPlusNoBDE::SetEditFormat(TEditFormat v)
{
    editFormat_ = v;
    if (Loading() || Destroying())
        return;
    if (Focused())
        ApplyFormat(GetCustomEditFormat());
    else if (displayFormat_ == dfEditFormat)
        ApplyFormat(GetCustomDisplayFormat());
}

void TCustomDateEditPlusNoBDE::ApplyFormat(const QString& format)
{
    activeFormat_ = format;
    if (blank_)
        return;
    const bool changeWas = changeEnabled_, trackingWas = modTracking_;
    changeEnabled_ = false;
    modTracking_ = false;
    const uint16_t m = month_, d = day_, y = year_;
    template_.clear();
    SetWindowText(QString());
    SetMonth(m);
    SetDay(d);
    SetYear(y);
    changeEnabled_ = changeWas;
    modTracking_ = trackingWas;
    if (changeEnabled_)
        Change();
}

// ---- fields --------------------------------------------------------------------------------

int TCustomDateEditPlusNoBDE::FieldCountNow() const { return FieldCount(WindowText(), template_); }

int TCustomDateEditPlusNoBDE::FieldAtCaret() const
{
    return FieldAtPos(WindowText(), template_, Edit()->cursorPosition() + 1);
}

void TCustomDateEditPlusNoBDE::SelectAllText()
{
    const int n = int(WindowText().size());
    Edit()->setSelection(n, -n);
}

void TCustomDateEditPlusNoBDE::SelectField(int k)
{
    if (k == -1) {
        SelectAllText();
        currentField_ = -1;
        return;
    }
    const QString text = WindowText();
    const int count = FieldCountNow();
    if (count == 0) {
        currentField_ = 1;
        return;
    }
    if (k == 0)
        k = count;
    else if (k > count)
        k = 1;
    const int start = FieldStart(k, text, template_) - 1;
    const int end = FieldEnd(k, text, template_);
    Edit()->setSelection(start, end - start);
    currentField_ = k;
}

void TCustomDateEditPlusNoBDE::SelectRange(int position, int length)
{
    if (length > 0)
        Edit()->setSelection(position + length, -length);
    else
        Edit()->setCursorPosition(position);
}

bool TCustomDateEditPlusNoBDE::IsValidFieldText(int f, const QString& text, TDateFieldKind kind) const
{
    const TFormatSettings& fs = FormatSettings();
    switch (kind) {
    case TDateFieldKind::M:
    case TDateFieldKind::MM:
        return AllDigits(text, 2) && text.toInt() >= 1 && text.toInt() <= 12;
    case TDateFieldKind::D:
    case TDateFieldKind::DD:
        return AllDigits(text, 2) && text.toInt() >= 1 && text.toInt() <= 31;
    case TDateFieldKind::Y:
    case TDateFieldKind::YY:
    case TDateFieldKind::YYY:
    case TDateFieldKind::YYYY:
        return AllDigits(text, 4);
    case TDateFieldKind::MMM:
    case TDateFieldKind::MMMM:
    case TDateFieldKind::DDD:
    case TDateFieldKind::DDDD:
        return NameIndex(fs.ShortMonthNames, text) || NameIndex(fs.LongMonthNames, text)
               || NameIndex(fs.ShortDayNames, text) || NameIndex(fs.LongDayNames, text);
    case TDateFieldKind::Literal:
        return text.compare(Unquoted(FormatFieldText(f, activeFormat_)), Qt::CaseInsensitive) == 0;
    default:
        return false;
    }
}

int TCustomDateEditPlusNoBDE::ParseField(int f, TDateFieldKind kind, const QString& text, const QString& tmpl)
{
    const TFormatSettings& fs = FormatSettings();
    const QString s = FieldText(f, text, tmpl);
    if (IsMonthKind(kind) && kind >= TDateFieldKind::MMM) {
        const int i = NameIndex(fs.ShortMonthNames, s);
        return i ? i : NameIndex(fs.LongMonthNames, s);
    }
    if (IsWeekdayKind(kind)) {
        const int i = NameIndex(fs.ShortDayNames, s);
        return i ? i : NameIndex(fs.LongDayNames, s);
    }
    int v = AllDigits(s, 4) ? s.toInt() : 0;
    if (IsYearKind(kind)) {
        centuryOptions_->TypedYear = v;
        if (v < 100)
            v += centuryOptions_->GetCentury() * 100;
    }
    return v;
}

void TCustomDateEditPlusNoBDE::ApplyFieldText(QString text, QString tmpl, int caret)
{
    const int f = currentField_ < 1 ? 1 : currentField_;
    const TDateFieldKind kind = FormatFieldKind(f, activeFormat_);
    const int s = FieldStart(f, text, tmpl);
    editingField_ = f;
    const int v = ParseField(f, kind, text, tmpl);
    if (IsMonthKind(kind))
        MonthChanged(text, tmpl, uint16_t(v), activeFormat_);
    else if (IsDayNumberKind(kind))
        DayChanged(text, tmpl, uint16_t(v), activeFormat_);
    else if (IsWeekdayKind(kind))
        WeekdayChanged(text, tmpl, v, activeFormat_);
    else if (IsYearKind(kind))
        YearChanged(text, tmpl, uint16_t(v), activeFormat_);
    editingField_ = 0;
    template_ = tmpl;
    SetWindowText(text);
    const int p = std::clamp(FieldStart(f, text, tmpl) + caret - s, 0, int(text.size()));
    if (text.size() >= p + 1)
        SelectRange(p, std::max(0, FieldEnd(f, text, tmpl) - p));
    else
        SelectRange(p, 0);
}

void TCustomDateEditPlusNoBDE::CompleteName(int f, QString& text, int caret, QString& tmpl)
{
    const TDateFieldKind kind = FormatFieldKind(f, activeFormat_);
    const TFormatSettings& fs = FormatSettings();
    QStringList names;
    if (kind == TDateFieldKind::MMM)
        names = fs.ShortMonthNames;
    else if (kind == TDateFieldKind::MMMM)
        names = fs.LongMonthNames;
    else if (kind == TDateFieldKind::DDD)
        names = fs.ShortDayNames;
    else if (kind == TDateFieldKind::DDDD)
        names = fs.LongDayNames;
    else if (kind == TDateFieldKind::Literal)
        names = {QString(), Unquoted(FormatFieldText(f, activeFormat_))};
    else
        return;
    const int start = FieldStart(f, text, tmpl);
    const int end = FieldEnd(f, text, tmpl);
    const QString prefix = text.mid(start - 1, caret - (start - 1));
    if (prefix.isEmpty())
        return;
    for (int i = 1; i < names.size(); ++i) {
        if (names.at(i).left(prefix.size()).compare(prefix, Qt::CaseInsensitive) == 0) {
            const int n = end - start + 1;
            text.replace(start - 1, n, names.at(i));
            tmpl.remove(start - 1, n);
            InsertTemplateLetters(kind, tmpl, start, int(names.at(i).size()));
            return;
        }
    }
}

// ---- keys ------------------------------------------------------------------------------------

void TCustomDateEditPlusNoBDE::KeyDown(Word& Key, TShiftState Shift)
{
    TWinControl::KeyDown(Key, Shift);
    if (Key == 0)
        return;
    const bool shift = Shift.Contains(ssShift), ctrl = Shift.Contains(ssCtrl);
    const int count = FieldCountNow();
    if (Key == VK_RIGHT && !shift) {
        int k = FieldAtCaret();
        int start;
        TDateFieldKind kind;
        while (k < count) {
            FindField(k + 1, WindowText(), template_, start, kind);
            if (kind != TDateFieldKind::Separator)
                break;
            ++k;
        }
        SelectField(k + 1);
        Key = 0;
    } else if (Key == VK_LEFT && !shift) {
        int k = FieldAtCaret();
        int start;
        TDateFieldKind kind;
        while (k > 1) {
            FindField(k - 1, WindowText(), template_, start, kind);
            if (kind != TDateFieldKind::Separator)
                break;
            --k;
        }
        SelectField(k - 1);
        Key = 0;
    } else if (Key == VK_HOME) {
        currentField_ = 1;
    } else if (Key == VK_END) {
        currentField_ = count;
    } else if (Key == VK_DELETE && shift) {
        // Cut: the selection goes to the clipboard, then as Delete.
        QGuiApplication::clipboard()->setText(Edit()->selectedText());
        DeleteKey();
        Key = 0;
    } else if (Key == VK_DELETE) {
        DeleteKey();
        Key = 0;
    } else if ((ctrl && Key == 'V') || (shift && Key == VK_INSERT)) {
        if (CanModify())
            Paste();
        Key = 0;
    } else if (ctrl && Key == 'X') {
        QGuiApplication::clipboard()->setText(Edit()->selectedText());
        DeleteKey();
        Key = 0;
    } else if (ctrl && (Key == 'Z' || Key == 'Y')) {
        Key = 0;  // Escape reverts; the widget's own undo would bypass the date
    } else if (Key == VK_TAB && !Shift.Contains(ssAlt) && InGrid()) {
        // Over a grid's cell Tab belongs to the grid: it moves the column.
        PassKeyToGrid(Qt::Key_Tab, shift ? Qt::ShiftModifier : Qt::NoModifier);
        Key = 0;
        return;
    }
    // Tab moves the focus on, Enter and Esc go on to KeyPress, also in a
    // read-only edit.
    if (Key != 0 && Key != VK_TAB && Key != VK_RETURN && Key != VK_ESCAPE && !CanModify())
        Key = 0;
}

TCustomForm* TCustomDateEditPlusNoBDE::DialogForm() const
{
    TCustomForm* form = ParentForm();
    return form == static_cast<const TControl*>(this) ? nullptr : form;
}

void TCustomDateEditPlusNoBDE::KeyPress(QChar& Key)
{
    TWinControl::KeyPress(Key);
    if (Key.isNull())
        return;
    const ushort c = Key.unicode();
    const bool shown = calendar_ && calendar_->Visible();
    if (c == 13) {
        if (shown)
            CloseUp();
        else if (TCustomForm* form = DialogForm())
            form->DialogKey(VK_RETURN, {});
        Key = QChar();
    } else if (c == 27) {
        if (shown) {
            CloseUp();
        } else {
            // A first Escape after changes only undoes them; a second one
            // reaches the form, or the grid the edit stands on.
            if (!modified_) {
                if (InGrid())
                    PassKeyToGrid(Qt::Key_Escape, Qt::NoModifier);
                else if (TCustomForm* form = DialogForm())
                    form->DialogKey(VK_ESCAPE, {});
            }
            Revert();
        }
        Key = QChar();
    } else if (c == 8) {
        Backspace();
        Key = QChar();
    } else if (c >= 32 && c != 127) {
        TypeChar(Key);
        Key = QChar();
    }
}

void TCustomDateEditPlusNoBDE::Backspace()
{
    const QString text = WindowText();
    const int f = currentField_ < 1 ? 1 : currentField_;
    const int count = FieldCountNow();
    if (count == 0)
        return;
    const int fs = FieldStart(f, text, template_) - 1, fe = FieldEnd(f, text, template_);
    const int selStart = Edit()->hasSelectedText() ? Edit()->selectionStart() : Edit()->cursorPosition();
    const int selLen = int(Edit()->selectedText().size());
    if (selLen > 0 && selStart == fs && selLen == fe - fs) {
        int g = f;
        int start;
        TDateFieldKind kind;
        for (int guard = 0; guard < count; ++guard) {
            g = g - 1 < 1 ? count : g - 1;
            FindField(g, text, template_, start, kind);
            if (kind != TDateFieldKind::Separator)
                break;
        }
        Edit()->setCursorPosition(FieldEnd(g, text, template_));
        currentField_ = g;
    } else {
        const int from = std::max(0, Edit()->cursorPosition() - 1);
        SelectRange(from, std::max(0, fe - from));
    }
}

void TCustomDateEditPlusNoBDE::InsertTypedChar(QChar c, int f, QString& text, QString& tmpl, int& caret,
                                               int selStart, int selLength)
{
    text.remove(selStart, selLength);
    tmpl.remove(selStart, selLength);
    text.insert(selStart, c);
    InsertTemplateLetters(FormatFieldKind(f, activeFormat_), tmpl, selStart + 1, 1);
    caret = selStart + 1;
    CompleteName(f, text, caret, tmpl);
}

void TCustomDateEditPlusNoBDE::TypeChar(QChar c)
{
    if (!CanModify())
        return;
    const QString text = WindowText(), tmpl = template_;
    const int selStart = Edit()->hasSelectedText() ? Edit()->selectionStart() : Edit()->cursorPosition();
    const int selLen = int(Edit()->selectedText().size());
    if (selLen != text.size()) {
        for (int i = selStart; i < selStart + selLen && i < tmpl.size(); ++i)
            if (tmpl.at(i) == u':') {
                ControlBeep();
                return;
            }
    }
    int f = currentField_ < 1 ? 1 : currentField_;
    // Over the whole text the character lands where field 1 starts.
    if (selLen > 0 && selLen == text.size())
        f = 1;
    auto acceptable = [this](int k, const QString& t, const QString& m) {
        const TDateFieldKind kind = FormatFieldKind(k, activeFormat_);
        const QString s = FieldText(k, t, m);
        return (IsNumericKind(kind) && s == "0") || IsValidFieldText(k, s, kind);
    };
    QString t2 = text, m2 = tmpl;
    int caret = 0;
    InsertTypedChar(c, f, t2, m2, caret, selStart, selLen);
    if (acceptable(f, t2, m2)) {
        currentField_ = f;
    } else {
        t2 = text, m2 = tmpl;
        TDateFieldKind kind = FormatFieldKind(f, activeFormat_);
        if (!IsValidFieldText(f, FieldText(f, text, tmpl), kind)) {
            if (kind != TDateFieldKind::Literal) {
                ControlBeep();
                return;
            }
            f = f - 1;
        }
        const int total = FieldCount(activeFormat_, QString());
        QString sep;
        if (f + 1 <= total && FormatFieldKind(f + 1, activeFormat_) == TDateFieldKind::Separator)
            sep = Unquoted(FormatFieldText(f + 1, activeFormat_));
        int g = f, len = 0, start = 0;
        if (sep.contains(c)) {
            NextField(g, t2, m2, false, activeFormat_, len, start);
            if (g > total) {
                ControlBeep();
                return;
            }
            currentField_ = g;
            caret = start;
        } else {
            const QString baseText = t2, baseTmpl = m2;
            NextField(g, t2, m2, false, activeFormat_, len, start);
            bool wrapped = g > total || g <= f;
            if (!wrapped)
                InsertTypedChar(c, g, t2, m2, caret, start, len);
            // A literal that does not take the character passes it on.
            while (!wrapped && FormatFieldKind(g, activeFormat_) == TDateFieldKind::Literal && !acceptable(g, t2, m2)) {
                t2 = baseText, m2 = baseTmpl;
                NextField(g, t2, m2, false, activeFormat_, len, start);
                wrapped = g > total || g <= f;
                if (!wrapped)
                    InsertTypedChar(c, g, t2, m2, caret, start, len);
            }
            if (wrapped || !acceptable(g, t2, m2)) {
                ControlBeep();
                return;
            }
            currentField_ = g;
        }
    }
    ApplyFieldText(t2, m2, caret);
    SetModified(true);
    SetBlank(false);
    if (AutoDropDown == adChanged)
        DropDown(ddsChanged);
}

void TCustomDateEditPlusNoBDE::DeleteKey()
{
    if (!CanModify())
        return;
    const QString text = WindowText();
    const int selLen = int(Edit()->selectedText().size());
    if (selLen > 0 && selLen == text.size() && CanBeBlank) {
        SetBlank(true);
        Change();
        if (AutoDropDown == adChanged)
            DropDown(ddsChanged);
        return;
    }
    const int f = currentField_ == 0 ? 1 : currentField_;
    if (f < 1) {
        ControlBeep();
        return;
    }
    QString t2 = text, m2 = template_;
    const int caret = Edit()->hasSelectedText() ? Edit()->selectionStart() : Edit()->cursorPosition();
    t2.remove(caret, selLen > 0 ? selLen : 1);
    m2.remove(caret, selLen > 0 ? selLen : 1);
    if (!IsValidFieldText(f, FieldText(f, t2, m2), FormatFieldKind(f, activeFormat_))) {
        ControlBeep();
        return;
    }
    currentField_ = f;
    ApplyFieldText(t2, m2, caret);
    SetModified(true);
    SetBlank(false);
    if (AutoDropDown == adChanged)
        DropDown(ddsChanged);
}

void TCustomDateEditPlusNoBDE::Paste()
{
    // Pasted text is typed in character by character from an empty field
    // set, so it passes the same checks as typing; text that a keystroke
    // would refuse changes nothing.
    const QString pasted = QGuiApplication::clipboard()->text().trimmed();
    const int beeps = ControlBeepCount();
    if (pasted.isEmpty() || pasted.size() > 64) {
        ControlBeep();
        return;
    }
    const QString oldText = WindowText(), oldTmpl = template_;
    const uint16_t d = day_, m = month_, y = year_;
    const TDateTime date = date_;
    const bool blank = blank_, modified = modified_;
    const int field = currentField_;
    SelectAllText();
    currentField_ = 1;
    const TAutoDropDown autoDrop = AutoDropDown;
    AutoDropDown = adNever;
    for (QChar c : pasted) {
        TypeChar(c);
        if (ControlBeepCount() != beeps)
            break;
    }
    AutoDropDown = autoDrop;
    if (ControlBeepCount() != beeps) {
        day_ = d, month_ = m, year_ = y, date_ = date, blank_ = blank;
        template_ = oldTmpl;
        SetWindowText(oldText);
        modified_ = modified;
        currentField_ = field;
        SelectField(field < 1 ? 1 : field);
        if (calendar_)
            CalendarOptions()->ApplyTo();
        return;
    }
    SelectField(1);
    if (AutoDropDown == adChanged)
        DropDown(ddsChanged);
}

// ---- focus --------------------------------------------------------------------------------

bool TCustomDateEditPlusNoBDE::CanModify()
{
    auto* grid = dynamic_cast<TCustomGrid*>(Parent());
    if (!grid || readOnly_)
        return !readOnly_;
    // Over a grid the grid's own read-only state and editing option decide.
    if (auto* dk = dynamic_cast<TdkCustomDBGrid*>(grid))
        return !dk->ReadOnly() && dk->Options().Contains(dgEditing);
    return grid->TCustomGrid::Options().Contains(goEditing);
}

void TCustomDateEditPlusNoBDE::PassKeyToGrid(int key, Qt::KeyboardModifiers modifiers)
{
    auto* grid = dynamic_cast<TCustomGrid*>(Parent());
    if (!grid || !grid->Handle())
        return;
    if (grid->CanFocus())
        grid->SetFocus();
    QKeyEvent druck(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(grid->Handle(), &druck);
}

void TCustomDateEditPlusNoBDE::SaveEntryState()
{
    changeEnabled_ = true;
    modified_ = false;
    if (!refocus_) {
        savedMonth_ = month_, savedDay_ = day_, savedYear_ = year_;
        savedBlank_ = blank_;
    }
}

void TCustomDateEditPlusNoBDE::Revert()
{
    modTracking_ = false;
    SetBlank(savedBlank_);
    if (!savedBlank_) {
        SetMonth(savedMonth_);
        SetDay(savedDay_);
        SetYear(savedYear_);
    }
    modTracking_ = true;
    SelectAllText();
    modified_ = false;
    currentField_ = 1;
}

void TCustomDateEditPlusNoBDE::DoBadDate(TBadDateAction& action)
{
    if (OnBadDate)
        OnBadDate(this, action);
}

void TCustomDateEditPlusNoBDE::DoEnter()
{
    // A mouse press that brought the focus arrives right after this, before
    // any other event: it then selects the whole text (MouseUp).
    justEntered_ = true;
    enteredByMouse_ = false;
    QTimer::singleShot(0, Edit(), [this] { justEntered_ = false; });
    SaveEntryState();
    if (AutoDropDown == adFocused)
        DropDown(ddsFocused);
    UpdateButton();
    ApplyFormat(GetCustomEditFormat());
    SelectField(1);
    TWinControl::DoEnter();
}

TBadDateAction TCustomDateEditPlusNoBDE::ValidateOnExit()
{
    UpdateButton();
    if (WindowText().isEmpty() && CanBeBlank)
        return baRevert;
    TBadDateAction action = baRevert;
    if (!IsValid()) {
        DoBadDate(action);
        if (action == baKeepFocus) {
            // The focus comes back once the change of focus is over.
            refocus_ = true;
            QTimer::singleShot(0, Edit(), [this] {
                SetFocus();
                refocus_ = false;
            });
        } else if (!IsValid()) {
            Revert();
        }
    }
    return action;
}

void TCustomDateEditPlusNoBDE::FinishExit()
{
    buttonPressed_ = false;
    button_->Invalidate();
    TWinControl::DoExit();
    ApplyFormat(GetCustomDisplayFormat());
    SelectField(-1);
    // Over a grid the editor leaves the cell to the grid, which places it
    // again when it paints.
    if (InGrid())
        SetVisible(false);
}

void TCustomDateEditPlusNoBDE::DoExit()
{
    CloseUp();
    ValidateOnExit();
    FinishExit();
    modified_ = false;
}

// ---- drop-down ------------------------------------------------------------------------------

void TCustomDateEditPlusNoBDE::DropDown(TDropDownState state)
{
    if (!calendar_)
        CreateCalendar();
    if (calendar_ && !calendar_->Visible() && OnDropDown)
        OnDropDown(this, state);
    ShowCalendar();
}

void TCustomDateEditPlusNoBDE::CloseUp()
{
    if (calendar_ && calendar_->Visible()) {
        if (OnCloseUp)
            OnCloseUp(this);
        HideCalendar();
    }
}

void TCustomDateEditPlusNoBDE::CreateCalendar()
{
    if (calendar_)
        return;
    auto* cal = new TDropDownCalendar(this);
    calendar_ = cal;
    cal->BeginUpdate();
    cal->Hide();
    cal->SetParent(this);
    // A free-floating window above the others that is never activated, so
    // the edit keeps the focus (a tool-tip window: no window manager frame,
    // no activation).
    QWidget* w = cal->Handle();
    w->setParent(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    w->setFocusPolicy(Qt::NoFocus);
    calendarOptions_->ApplyTo();
    cal->EndUpdate();
}

void TCustomDateEditPlusNoBDE::ShowCalendar()
{
    if (!calendar_ || calendar_->Visible())
        return;
    calendar_->UpdateLayout();
    const QPoint origin = Edit()->mapToGlobal(QPoint(0, 0));
    const int x = origin.x(), y = origin.y();
    const int cw = calendar_->Width(), ch = calendar_->Height();
    QScreen* screen = Edit()->screen() ? Edit()->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const int above = y - ch - 1;
    const int below = y + Height();
    int top = below;
    if (calendarOptions_->AlignVertically == daTop && above >= area.top())
        top = above;
    if (top + ch > area.bottom() + 1 && above >= area.top())
        top = above;
    int left = x + Width() - cw;
    if (calendarOptions_->AlignHorizontally == daLeft && x + cw <= area.right() + 1)
        left = x;
    else if (calendarOptions_->AlignHorizontally == daRight && x + Width() - cw < area.left() + 1)
        left = x;
    calendar_->SetBounds(left, top, cw, ch);
    calendar_->Show();
    if (!canceller_)
        canceller_ = std::make_unique<TDropDownCanceller>(this);
    Edit()->window()->installEventFilter(canceller_.get());
    calendar_->Handle()->raise();
    if (!Focused())
        SetFocus();
}

void TCustomDateEditPlusNoBDE::HideCalendar()
{
    TDropDownCalendar* cal = calendar_;
    if (!cal)
        return;
    calendar_ = nullptr;
    forwardingToCalendar_ = false;
    if (canceller_)
        Edit()->window()->removeEventFilter(canceller_.get());
    ReleaseCalendar(cal);
}

void TCustomDateEditPlusNoBDE::ReleaseCalendar(TDropDownCalendar* cal)
{
    // The calendar may be inside its own mouse handler: it goes once the
    // event is over (or with the edit, its owner, if that goes first).
    cal->Hide();
    QTimer::singleShot(0, Edit(), [cal] { delete cal; });
}

// ---- button and mouse ---------------------------------------------------------------------------

bool TCustomDateEditPlusNoBDE::ButtonVisible() const
{
    switch (buttonDisplay_) {
    case bdAlways: return true;
    case bdNever: return false;
    // Over a grid the button belongs to the cell: it shows while the editor
    // stands there, only a painted copy goes without it.
    default: return InGrid() ? !PaintingCopy() : Focused();
    }
}

TRect TCustomDateEditPlusNoBDE::ButtonRect() const
{
    const int bw = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int frame = Edit()->hasFrame() ? 2 : 0;
    return Rect(Width() - frame - bw, frame, Width() - frame, Height() - frame);
}

void TCustomDateEditPlusNoBDE::UpdateButton()
{
    if (!button_)
        return;
    const bool visible = ButtonVisible();
    const TRect r = ButtonRect();
    button_->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    button_->SetVisible(visible);
    button_->Handle()->setCursor(CursorToQCursor(ButtonCursor));
    Edit()->setTextMargins(0, 0, visible ? r.Width() + 1 : 0, 0);
    button_->Invalidate();
}

void TCustomDateEditPlusNoBDE::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    UpdateButton();
}

void TCustomDateEditPlusNoBDE::SetButtonDisplay(TButtonDisplay v)
{
    buttonDisplay_ = v;
    UpdateButton();
}

void TCustomDateEditPlusNoBDE::SetButtonStyle(TDropDownButtonStyle v)
{
    if (v == bsComboAuto)
        v = bsComboNew;
    buttonStyle_ = v;
    switch (v) {
    case bsCalendar: LoadControlGlyphs("DateEditCalendar", buttonBitmap_); break;
    case bsComboNew: LoadControlGlyphs("DateEditComboNew", buttonBitmap_); break;
    case bsComboOld: LoadControlGlyphs("DateEditComboOld", buttonBitmap_); break;
    default: buttonBitmap_.SetImage(QImage()); break;
    }
    button_->Invalidate();
}

void TCustomDateEditPlusNoBDE::SetButtonBitmap(const TBitmap* b)
{
    // A form resource streams the style beside the bitmap; it stays.
    if (!Loading())
        buttonStyle_ = bsCustom;
    buttonBitmap_.Assign(b);
    button_->Invalidate();
}

void TCustomDateEditPlusNoBDE::SetReadOnly(bool v)
{
    readOnly_ = v;
    Invalidate();
}

void TCustomDateEditPlusNoBDE::SetCtl3D(bool v)
{
    ctl3D_ = v;
    if (calendarOptions_->ParentCtl3D())
        calendarOptions_->SetParentCtl3D(true);
}

void TCustomDateEditPlusNoBDE::FontChanged()
{
    TWinControl::FontChanged();
    if (calendarOptions_ && calendarOptions_->ParentFont())
        calendarOptions_->SetParentFont(true);
}

void TCustomDateEditPlusNoBDE::ColorChanged()
{
    TWinControl::ColorChanged();
    if (calendarOptions_ && calendarOptions_->ParentColor())
        calendarOptions_->SetParentColor(true);
}

void TCustomDateEditPlusNoBDE::EnabledChanged()
{
    TWinControl::EnabledChanged();
    if (button_)
        button_->Invalidate();
}

QString TCustomDateEditPlusNoBDE::GetDisplayText(bool paintingCopy) { return WindowText(); }

bool TCustomDateEditPlusNoBDE::InGrid() const { return dynamic_cast<TCustomGrid*>(Parent()) != nullptr; }

void TCustomDateEditPlusNoBDE::SetEditColors(TColor& back, TColor& text)
{
    back = Color();
    text = Font()->Color();
}

void TCustomDateEditPlusNoBDE::SelectPaintColors(TColor& back, TColor& text)
{
    if (InGrid() && !Focused() && !PaintingCopy()) {
        back = clHighlight;
        text = clHighlightText;
    } else {
        SetEditColors(back, text);
    }
}

void TCustomDateEditPlusNoBDE::ButtonMouseDown(int X, int Y)
{
    if (!ButtonVisible() || !Inside(ButtonRect(), X, Y))
        return;
    const bool wasShown = calendar_ && calendar_->Visible();
    buttonPressed_ = true;
    button_->Invalidate();
    if (!Focused())
        SetFocus();
    if (!Focused()) {
        buttonPressed_ = false;
        button_->Invalidate();
        return;
    }
    tracking_ = true;
    if (wasShown && calendar_ && calendar_->Visible())
        CloseUp();
    else
        DropDown(ddsButton);
}

void TCustomDateEditPlusNoBDE::ButtonMouseMove(int X, int Y)
{
    const QPoint global = Edit()->mapToGlobal(QPoint(X, Y));
    if (forwardingToCalendar_ && calendar_) {
        const QPoint p = calendar_->Handle()->mapFromGlobal(global);
        calendar_->MouseMove({ssLeft}, p.x(), p.y());
        return;
    }
    if (!tracking_)
        return;
    const bool pressed = Inside(ButtonRect(), X, Y);
    if (pressed != buttonPressed_) {
        buttonPressed_ = pressed;
        button_->Invalidate();
    }
    if (calendar_ && calendar_->Visible()) {
        const QPoint p = calendar_->Handle()->mapFromGlobal(global);
        if (Inside(calendar_->ClientRect(), p.x(), p.y())) {
            // A press on the button dragged into the calendar picks a day there.
            tracking_ = false;
            buttonPressed_ = false;
            button_->Invalidate();
            forwardingToCalendar_ = true;
            calendar_->MouseDown(mbLeft, {ssLeft}, p.x(), p.y());
        }
    }
}

void TCustomDateEditPlusNoBDE::ButtonMouseUp(int X, int Y)
{
    if (forwardingToCalendar_) {
        forwardingToCalendar_ = false;
        if (calendar_) {
            const QPoint p = calendar_->Handle()->mapFromGlobal(Edit()->mapToGlobal(QPoint(X, Y)));
            calendar_->MouseUp(mbLeft, {}, p.x(), p.y());
        }
        return;
    }
    if (tracking_) {
        tracking_ = false;
        buttonPressed_ = false;
        button_->Invalidate();
    }
}

void TCustomDateEditPlusNoBDE::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && justEntered_)
        enteredByMouse_ = true;
    justEntered_ = false;
    TWinControl::MouseDown(Button, Shift, X, Y);
}

void TCustomDateEditPlusNoBDE::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TWinControl::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft)
        return;
    if (enteredByMouse_) {
        // The click that brought the focus selects the whole text.
        enteredByMouse_ = false;
        if (AutoSelect) {
            SelectAllText();
            return;
        }
    }
    if (Edit()->hasSelectedText())
        currentField_ = FieldAtCaret();
    else
        SelectField(FieldAtCaret());
}

// ---- with grid settings ---------------------------------------------------------------------

TCustomDateEditPlus::TCustomDateEditPlus(TComponent* AOwner)
    : TCustomDateEditPlusNoBDE(AOwner), gridParent_(std::make_unique<TDateEditGridParent>(this))
{
    // A copy in another row's cell: that row's text, in the highlight
    // colours on the grid's selected cell.
    gridParent_->PaintCopy = [this](QPainter& p, const QRect& cell, bool selected) {
        const QColor grund = ColorToQColor(selected ? clHighlight : Color());
        const QColor schrift = ColorToQColor(selected ? clHighlightText : Font()->Color());
        p.fillRect(cell, grund);
        p.setPen(schrift);
        p.setFont(Font()->ToQFont());
        p.drawText(cell.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft, GetDisplayText(true));
    };
}

void TCustomDateEditPlus::Loaded()
{
    TCustomDateEditPlusNoBDE::Loaded();
    if (gridParent_->Grid() && !gridParent_->Field().isEmpty())
        gridParent_->SetAttached(true);
}

TCustomDateEditPlus::~TCustomDateEditPlus() { gridParent_.reset(); }

bool TCustomDateEditPlus::PaintingCopy() const
{
    return gridParent_ && gridParent_->Floater() && gridParent_->Floater()->Painting;
}

void TCustomDateEditPlus::SelectPaintColors(TColor& back, TColor& text)
{
    if (InGrid() && !Focused() && gridParent_ && gridParent_->IsSelectedCell()) {
        back = clHighlight;
        text = clHighlightText;
    } else {
        SetEditColors(back, text);
    }
}

void TCustomDateEditPlus::Notification(TComponent* AComponent, TOperation Operation)
{
    TCustomDateEditPlusNoBDE::Notification(AComponent, Operation);
    if (Operation == opRemove && gridParent_ && AComponent == static_cast<TComponent*>(gridParent_->Grid()))
        gridParent_->SetGrid(nullptr);
}
