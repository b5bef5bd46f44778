#pragma once
// The date edit: a single-line edit that holds one date and is changed
// field by field (day, month, year, weekday names, literals) by the date
// format in effect, with a drop-down calendar under a button at its right
// edge. It shows the edit format while focused and the display format
// otherwise; two-digit years are expanded by the century options.
//
// Every typed character is checked against its field and taken into the
// date at once; a refused keystroke beeps and changes nothing. A date that
// is not valid (31 April) is kept as parts but never stored in Date; on
// leaving the control it raises OnBadDate and reverts to the entry state.

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

#include "controls/calendar_options.h"
#include "controls/calendar_panel.h"
#include "controls/date_routines.h"
#include "controls/grid_parent.h"
#include "platform/core/exceptions.h"
#include "platform/ui/control.h"

class QLineEdit;
class TDateEditButton;
class TDropDownCanceller;
class TEditPainter;
class TCustomDateEditPlusNoBDE;

enum TAutoDropDown { adNever, adFocused, adChanged };
enum TButtonDisplay { bdNever, bdAlways, bdFocused };
enum TDropDownButtonStyle { bsCalendar, bsComboAuto, bsComboNew, bsComboOld, bsCustom };
enum TDisplayFormat { dfCustom, dfEditFormat, dfWindowsLong, dfWindowsShort };
enum TEditFormat { efCustom, efWindowsLong, efWindowsShort };
enum TCenturyMethod { cmCurrent, cmFixed, cmLookAhead };
enum TBadDateAction { baRevert, baKeepFocus };
enum TDropDownState { ddsChanged, ddsFocused, ddsButton };

using TBadDateEvent = std::function<void(TObject* Sender, TBadDateAction& Action)>;
using TDropDownEvent = std::function<void(TObject* Sender, TDropDownState State)>;

// The century of two-digit years.
class TCenturyOptions : public TPersistent {
public:
    int Fixed = 19;
    TCenturyMethod Method = cmCurrent;
    // The last year value parsed from the text.
    int TypedYear = 0;
    int YearsToLookAhead() const { return yearsToLookAhead_; }
    // 1..99, else EInvalidOperation and the old value stays.
    void SetYearsToLookAhead(int v);
    // The century a typed two-digit year belongs to, from today's date of
    // the program's clock.
    int GetCentury() const;

private:
    int yearsToLookAhead_ = 20;
};

// The calendar a date edit drops down; it writes a picked day into the edit.
class TDropDownCalendar : public TCustomCalendarEdit {
public:
    TDropDownCalendar(TCustomDateEditPlusNoBDE* edit);
    TCustomDateEditPlusNoBDE* Edit() const { return edit_; }

protected:
    void Change() override;
    bool DaySelectable() override;
    bool MouseEnabled() override;
    void EndDayTracking() override;

private:
    TCustomDateEditPlusNoBDE* edit_;
};

class TCustomDateEditPlusNoBDE : public TWinControl {
public:
    explicit TCustomDateEditPlusNoBDE(TComponent* AOwner);
    ~TCustomDateEditPlusNoBDE() override;

    QLineEdit* Edit() const;

    // ---- the date
    TDateTime Date() const { return date_; }
    void SetDate(TDateTime value);
    uint16_t Day() const { return day_; }
    uint16_t Month() const { return month_; }
    uint16_t Year() const { return year_; }
    void SetDay(uint16_t d);
    void SetMonth(uint16_t m);
    void SetYear(uint16_t y);
    bool Blank() const { return blank_; }
    void SetBlank(bool b);
    // The parts form a valid date.
    bool IsValid() const { return IsValidDate(year_, month_, day_); }
    bool Modified() const { return modified_; }
    virtual void SetModified(bool b);

    // ---- formats
    QString ActiveFormat() const { return activeFormat_; }
    QString Template() const { return template_; }
    virtual QString GetCustomDisplayFormat() const;
    virtual void SetCustomDisplayFormat(const QString& f);
    virtual QString GetCustomEditFormat() const;
    virtual void SetCustomEditFormat(const QString& f);
    QString CustomDisplayFormat() const { return GetCustomDisplayFormat(); }
    QString CustomEditFormat() const { return GetCustomEditFormat(); }
    TDisplayFormat DisplayFormat() const { return displayFormat_; }
    void SetDisplayFormat(TDisplayFormat v);
    TEditFormat EditFormat() const { return editFormat_; }
    void SetEditFormat(TEditFormat v);
    // Lays the text out in a format.
    void ApplyFormat(const QString& format);

    // ---- fields
    int CurrentField() const { return currentField_; }
    // -1: the whole text; 0: the last field; beyond the count: field 1.
    void SelectField(int k);
    virtual void SelectRange(int position, int length);

    // ---- options
    TAutoDropDown AutoDropDown = adNever;
    bool AutoSelect = true;
    bool CanBeBlank = false;
    TCursor ButtonCursor = crDefault;
    TButtonDisplay ButtonDisplay() const { return buttonDisplay_; }
    void SetButtonDisplay(TButtonDisplay v);
    TDropDownButtonStyle ButtonStyle() const { return buttonStyle_; }
    void SetButtonStyle(TDropDownButtonStyle v);
    const TBitmap* ButtonBitmap() const { return &buttonBitmap_; }
    void SetButtonBitmap(const TBitmap* b);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool v);
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool v);
    TCalendarOptions* CalendarOptions() const { return calendarOptions_.get(); }
    TCenturyOptions* CenturyOptions() const { return centuryOptions_.get(); }

    TBadDateEvent OnBadDate;
    TDropDownEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TNotifyEvent OnChange;

    // ---- the drop-down
    void DropDown(TDropDownState state);
    void CloseUp();
    TDropDownCalendar* GetCalendar() const { return calendar_; }
    bool ButtonVisible() const;
    bool ButtonPressed() const { return buttonPressed_; }
    // The button's rectangle in the edit's client coordinates.
    TRect ButtonRect() const;
    virtual bool ButtonEnabled() { return true; }
    // Not ReadOnly; over a grid also the grid's editing option and its own
    // read-only state decide.
    virtual bool CanModify();
    virtual void Revert();
    // The text painted when the edit shows a copy of itself.
    virtual QString GetDisplayText(bool paintingCopy);
    // The colours of the text area while the edit paints its own text
    // (unfocused): the highlight colours when it stands unfocused in a grid
    // and is not being painted as a copy, else those of SetEditColors.
    virtual void SelectPaintColors(TColor& back, TColor& text);
    // The edit's own colours: Color and the font colour.
    virtual void SetEditColors(TColor& back, TColor& text);
    // The parent is a grid (the edit floats over one of its cells).
    bool InGrid() const;
    // The edit is being painted as a copy into another cell.
    virtual bool PaintingCopy() const { return false; }

    // ---- framework
    void Loaded() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void DoEnter() override;
    void DoExit() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

    // The button's mouse (from its own widget), in edit coordinates.
    void ButtonMouseDown(int X, int Y);
    void ButtonMouseMove(int X, int Y);
    void ButtonMouseUp(int X, int Y);

protected:
    virtual void SaveEntryState();
    virtual void CreateCalendar();
    virtual void ShowCalendar();
    virtual void HideCalendar();
    virtual void DayChanged(QString& text, QString& tmpl, uint16_t d, const QString& format);
    virtual void MonthChanged(QString& text, QString& tmpl, uint16_t m, const QString& format);
    virtual void YearChanged(QString& text, QString& tmpl, uint16_t y, const QString& format);
    virtual void WeekdayChanged(QString& text, QString& tmpl, int weekday, const QString& format);
    virtual void CompleteName(int f, QString& text, int caret, QString& tmpl);
    virtual void ClearDate();
    virtual void DoBadDate(TBadDateAction& action);
    // Exit in two steps, as the data-aware edit needs them apart.
    TBadDateAction ValidateOnExit();
    void FinishExit();
    // The edit's change notification: OnChange once per real text change.
    virtual void Change();
    void FontChanged() override;
    void ColorChanged() override;
    void EnabledChanged() override;

    bool changeEnabled_ = true;
    bool modTracking_ = true;

private:
    friend class TDropDownCalendar;
    using PartChange = void (TCustomDateEditPlusNoBDE::*)(QString&, QString&, uint16_t, const QString&);
    // Renders one date part into the text through its change operation.
    void SetPart(PartChange change, uint16_t value);
    using FieldUpdate = void (*)(QString&, QString&, const QString&, uint16_t, uint16_t, uint16_t, int);
    // Takes new parts into Date (when valid) and re-renders their fields.
    void TakeParts(uint16_t y, uint16_t m, uint16_t d, QString& text, QString& tmpl, const QString& format,
                   FieldUpdate update);
    void SetWindowText(const QString& text);
    QString WindowText() const;
    int FieldCountNow() const;
    int FieldAtCaret() const;
    bool IsValidFieldText(int f, const QString& text, TDateFieldKind kind) const;
    int ParseField(int f, TDateFieldKind kind, const QString& text, const QString& tmpl);
    void ApplyFieldText(QString text, QString tmpl, int caret);
    void InsertTypedChar(QChar c, int f, QString& text, QString& tmpl, int& caret, int selStart, int selLength);
    void TypeChar(QChar c);
    void DeleteKey();
    void Backspace();
    void Paste();
    void UpdateFormatFlags();
    void UpdateButton();
    void ReleaseCalendar(TDropDownCalendar* cal);
    void SelectAllText();
    TCustomForm* DialogForm() const;
    // The grid under the edit takes the focus and gets the key.
    void PassKeyToGrid(int key, Qt::KeyboardModifiers modifiers);

    TDropDownCalendar* calendar_ = nullptr;
    TDateEditButton* button_ = nullptr;
    QString activeFormat_;
    int currentField_ = 1;
    bool blank_ = true;
    uint16_t month_ = 0, day_ = 0, year_ = 0;
    TDateTime date_ = 0;
    bool tracking_ = false;
    bool forwardingToCalendar_ = false;
    int editingField_ = 0;
    bool hasMonth_ = false, hasDay_ = false, hasYear_ = false;
    bool refocus_ = false;
    bool justEntered_ = false;
    bool enteredByMouse_ = false;
    bool buttonPressed_ = false;
    bool modified_ = false;
    uint16_t savedMonth_ = 0, savedDay_ = 0, savedYear_ = 0;
    bool savedBlank_ = true;
    QString lastText_;
    QString template_;
    QString customDisplayFormat_, customEditFormat_;
    TDisplayFormat displayFormat_ = dfEditFormat;
    TEditFormat editFormat_ = efWindowsShort;
    TButtonDisplay buttonDisplay_ = bdAlways;
    TDropDownButtonStyle buttonStyle_ = bsCalendar;
    TBitmap buttonBitmap_;
    bool readOnly_ = false;
    bool ctl3D_ = true;
    std::unique_ptr<TCalendarOptions> calendarOptions_;
    std::unique_ptr<TCenturyOptions> centuryOptions_;
    std::unique_ptr<TDropDownCanceller> canceller_;
    std::unique_ptr<TEditPainter> painter_;
};

// The date edit with its grid-hosting settings.
class TCustomDateEditPlus : public TCustomDateEditPlusNoBDE {
public:
    explicit TCustomDateEditPlus(TComponent* AOwner);
    ~TCustomDateEditPlus() override;
    TDateEditGridParent* GridParent() const { return gridParent_.get(); }
    // Unfocused in a grid the highlight colours stand on the grid's selected
    // cell, also in a copy.
    void SelectPaintColors(TColor& back, TColor& text) override;
    bool PaintingCopy() const override;
    // Attaches to the grid when the grid settings name a grid and a field.
    void Loaded() override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    std::unique_ptr<TDateEditGridParent> gridParent_;
};

class TDateEditPlus : public TCustomDateEditPlus {
public:
    using TCustomDateEditPlus::TCustomDateEditPlus;
};
