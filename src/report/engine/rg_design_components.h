#pragma once
// What a report designer shows of a printable component: its design control
// (a windowed control that paints the component and carries its popup
// menu), the frame drawn around it, and the handles that mark it when it
// is selected. None of this exists while a report only prints.

#include <array>

#include "platform/ui/ext_ctrls.h"
#include "platform/ui/menus.h"

class TrgPrintable;
class TrgSelectionObject;

// The frame around a component's design control.
class TrgBoundsRect : public TShape {
public:
    explicit TrgBoundsRect(TComponent* AOwner);
};

// The design control of one printable: bounds in screen pixels from the
// printable, anchored right and bottom when it follows its parent's width
// and height, painted by rgPaintDesignControl.
class TrgDesignControl : public TCustomControl {
public:
    TrgDesignControl(TrgPrintable* Printable, TWinControl* AParent);
    ~TrgDesignControl() override;

    // nullptr once the printable has gone.
    TrgPrintable* Printable() const { return printable_; }
    TPopupMenu* Menu() const { return menu_; }
    TrgBoundsRect* Frame() const { return frame_; }
    TrgSelectionObject* Selection() const { return selection_; }

    // Bounds, anchors, frame and handles from the printable's current values.
    void UpdateFromPrintable();
    void Paint() override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TrgPrintable* printable_;
    TPopupMenu* menu_;
    TrgBoundsRect* frame_;
    TrgSelectionObject* selection_;
};

// The printable's design control; nullptr when it has none.
TrgDesignControl* rgDesignControlOf(const TrgPrintable* Printable);

// Refreshes the printable's design control, if it has one (the printable's
// change notification).
void rgInvalidateDesignControl(const TrgPrintable* Printable);

// The designer's way to set a data text's field: with a design control, not
// printing and without AutoSize, the width becomes the field's display width
// in characters times the pixel width of "0" in the component's font.
void rgSetDesignDataField(TrgPrintable* Printable, const QString& DataField);

// The designer's rename: a stretchable whose caption equals its old name
// takes the new name as its caption too.
void rgRenameDesignComponent(TrgPrintable* Printable, const QString& NewName);

// The design picture of a printable on Canvas over Rect (screen pixels).
void rgPaintDesignControl(TrgPrintable* Printable, TCanvas* Canvas, const TRect& Rect);

// The four corner marks of a selected component that cannot be sized.
class TrgSelectionHandles : public TComponent {
public:
    TrgSelectionHandles(TComponent* AOwner, TControl* Control, TWinControl* ParentWindow);
    void Position();
    void SetVisible(bool Value);
    TShape* Handle(int Index) const { return handles_.at(size_t(Index)); }
    static constexpr int Count = 4;

private:
    TControl* control_;
    std::array<TShape*, Count> handles_{};
};

// Eight sizing handles around a control: top-left, top-centre, top-right,
// middle-left, middle-right, bottom-left, bottom-centre, bottom-right, each
// with the sizing cursor of its direction.
class TrgSizingHandles : public TComponent {
public:
    TrgSizingHandles(TComponent* AOwner, TControl* Control, TWinControl* ParentWindow);
    // Each handle's top-left corner 2 pixels left of and above its anchor on
    // the control's edge.
    void Position();
    void SetVisible(bool Value);
    TShape* Handle(int Index) const { return handles_.at(size_t(Index)); }
    static constexpr int Count = 8;
    static constexpr int HandleSize = 5;

private:
    TControl* control_;
    std::array<TShape*, Count> handles_{};
};

// The selection of one printable's design control.
class TrgSelectionObject : public TComponent {
public:
    TrgSelectionObject(TComponent* AOwner, TrgDesignControl* Control);

    bool Selected() const { return selected_; }
    // Selected: hides the control's frame and shows the sizing handles, or the
    // selection handles for a control that cannot be sized. Deselected:
    // removes the handles and shows the frame again.
    void SetSelected(bool Value);
    // Moves the control to the printable's left and top in screen pixels,
    // keeping its size, and the handles with it.
    void UpdateBounds();
    // A component sized by its content (AutoSize) cannot be sized by hand.
    bool CanSize() const;

    TrgSizingHandles* SizingHandles() const { return sizing_; }
    TrgSelectionHandles* SelectionHandles() const { return selection_; }

private:
    TrgDesignControl* control_;
    TrgSizingHandles* sizing_ = nullptr;
    TrgSelectionHandles* selection_ = nullptr;
    bool selected_ = false;
};
