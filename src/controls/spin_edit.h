#pragma once
// Spin edits for whole numbers: a speed button that repeats while held, a
// spin button of two such halves, the integer edit with a spin button at
// its right, and the one bound to an integer field that can also be
// dragged, resized and made to flee the mouse at run time, with its
// position kept in an ini file.

#include <QString>

#include <cstdint>
#include <memory>

#include "platform/data/data_source.h"
#include "platform/ui/buttons.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/std_ctrls.h"

class TswTimerSpeedButton : public TSpeedButton {
public:
    explicit TswTimerSpeedButton(TComponent* AOwner);
    // The button repeats its click while held.
    bool Repeating = false;
    // The button shows a dotted focus rectangle.
    bool FocusRect() const { return focusRect_; }
    void SetFocusRect(bool v);
    // The repeat timer (nullptr before the first press).
    TTimer* RepeatTimer() const { return timer_; }

    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    void TimerTick();
    TTimer* timer_ = nullptr;
    bool focusRect_ = false;
};

class TswSpinButton : public TCustomControl {
public:
    explicit TswSpinButton(TComponent* AOwner);
    TswTimerSpeedButton* UpButton() const { return up_; }
    TswTimerSpeedButton* DownButton() const { return down_; }
    TswTimerSpeedButton* FocusedButton() const { return focused_; }
    TWinControl* FocusControl = nullptr;
    TNotifyEvent OnUpClick;
    TNotifyEvent OnDownClick;
    const TBitmap* UpGlyph() const { return up_->Glyph(); }
    const TBitmap* DownGlyph() const { return down_->Glyph(); }
    // nullptr loads the default arrow.
    void SetUpGlyph(const TBitmap* b);
    void SetDownGlyph(const TBitmap* b);

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void DoEnter() override;
    void DoExit() override;
    void SetFocusBtn(TswTimerSpeedButton* btn);

private:
    void AdjustButtonSize();
    void BtnMouseDown(TswTimerSpeedButton* btn);
    void BtnClick(TswTimerSpeedButton* btn);
    TswTimerSpeedButton* up_ = nullptr;
    TswTimerSpeedButton* down_ = nullptr;
    TswTimerSpeedButton* focused_ = nullptr;
};

class TswSpinEdit : public TEdit {
public:
    explicit TswSpinEdit(TComponent* AOwner);
    TswSpinButton* Button() const { return button_; }
    int MinValue = 0;
    int MaxValue = 0;
    int Increment = 1;
    bool EditorEnabled = true;
    // The text as a number; text that is not one reads as MinValue.
    int Value() const;
    void SetValue(int v);
    // v within the limits (no limits while MinValue equals MaxValue).
    int CheckValue(int v) const;

    virtual bool IsValidChar(QChar c) const;
    virtual void UpClick(TObject* Sender);
    virtual void DownClick(TObject* Sender);

    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void DoEnter() override;
    void DoExit() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    // The least height that shows the text in the edit's font.
    int MinimumHeight() const;

protected:
    // Paste and cut keys; false when they are refused.
    bool ClipboardAllowed() const { return EditorEnabled && !ReadOnly(); }

private:
    void PlaceButton();
    TswSpinButton* button_ = nullptr;
};

class TswDBSpinEdit : public TswSpinEdit {
public:
    explicit TswDBSpinEdit(TComponent* AOwner);
    ~TswDBSpinEdit() override;

    TDataSource* DataSource() const { return link_->DataSource(); }
    void SetDataSource(TDataSource* source);
    QString DataField() const { return link_->FieldName(); }
    void SetDataField(const QString& name);
    TField* Field() const { return link_->Field(); }
    TFieldDataLink* DataLink() const { return link_.get(); }

    bool AllowResize = false;
    bool AllowDrag = false;
    bool AlwaysOnTopDuringDrag = true;
    bool Avoidance = false;
    // Its own flag: entering the control does not start editing.
    bool ReadOnlyData = false;
    TNotifyEvent OnResize;
    TNotifyEvent OnSizeChanged;
    TNotifyEvent OnComponentDragging;
    TNotifyEvent OnComponentPositionChanged;

    bool IniAutoLoad = false;
    bool IniAutoSave = false;
    QString IniFileName() const { return iniFileName_; }
    // A name without an extension gets ".INI".
    void SetIniFileName(const QString& name);
    virtual bool LoadFromIni(const QString& fileName);
    virtual bool SaveToIni(const QString& fileName);
    virtual void MoveWithinParent(int dx, int dy);
    void AvoidMouse(int X, int Y);

    void Loaded() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void UpClick(TObject* Sender) override;
    void DownClick(TObject* Sender) override;
    void DoEnter() override;
    void DoExit() override;

private:
    void DataChange();
    void UpdateData();
    void StartEdit();

    std::unique_ptr<TFieldDataLink> link_;
    bool resized_ = false, resizing_ = false;
    int widthOffset_ = 0, heightOffset_ = 0;
    TCursor savedCursor_ = crDefault;
    int grabX_ = 0, grabY_ = 0;
    bool dragging_ = false, moved_ = false;
    QString iniFileName_;
};
