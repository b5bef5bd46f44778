#pragma once
// A report designer attached to a report: each band shows a design strip
// with its caption and its components' design controls and offers a
// context menu; the designer window is told when strips come and go. While
// no designer is attached, every notification is skipped and no strip exists.

#include <QString>

#include <vector>

#include "platform/ui/control.h"
#include "report/engine/rg_design_hooks.h"
#include "report/engine/rg_design_menus.h"

class TPopupMenu;
class TrgBand;
class TrgComponent;
class TrgCustomReport;
class TrgDesignControl;

// What the engine needs of a report designer's window.
class TrgDesignWindow {
public:
    virtual ~TrgDesignWindow() = default;
    // The windowed control the band strips stand on.
    virtual TWinControl* DesignSurface() = 0;
    virtual void DesignMessage(int Message, int Code, TObject* Param) = 0;
    // The designer's own groups dialog.
    virtual void ShowGroupsDialog() = 0;
};

// Attaching makes a strip for every band of the report; detaching frees them.
void rgAttachDesigner(TrgCustomReport* Report, TrgDesignWindow* Window);
void rgDetachDesigner(TrgCustomReport* Report);
// nullptr while no designer is attached.
TrgDesignWindow* rgReportDesigner(const TrgCustomReport* Report);
// Sends a message to the report's designer window; nothing without one.
void rgSendDesignMessage(const TrgCustomReport* Report, int Message, int Code, TObject* Param);

// A band has joined a report / is about to leave one (the engine calls them
// through its design hooks, installed at start-up).
void rgBandJoinedReport(TrgBand* Band);
void rgBandLeavingReport(TrgBand* Band);

// The design strip of one band.
class TrgBandDesignStrip : public TCustomControl {
public:
    TrgBandDesignStrip(TrgBand* Band, TWinControl* Surface);
    // Leaves design mode for the components (frees their design controls)
    // before the strip goes.
    ~TrgBandDesignStrip() override;

    TrgBand* Band() const { return band_; }
    TPopupMenu* Menu() const { return menu_; }
    QString DescriptionCaption() const;

    // Width of the band's space and height of the band in screen pixels.
    void SetDesignWidth();
    // The band's components keyed by "%8d" of their bottom edge, in key order.
    struct TDesignEntry {
        QString Key;
        TrgComponent* Component;
    };
    const std::vector<TDesignEntry>& DesignList() const { return designList_; }
    // Rebuilds the design list and the components' design controls.
    void RefreshComponents();
    TrgDesignControl* DesignControlOf(const TrgComponent* Component) const;
    int DesignControlCount() const { return int(controls_.size()); }

    void Paint() override;

private:
    void FreeDesignControls();

    TrgBand* band_;
    TPopupMenu* menu_;
    std::vector<TDesignEntry> designList_;
    std::vector<TrgDesignControl*> controls_;
};

// nullptr when the band has no strip.
TrgBandDesignStrip* rgBandDesignStrip(const TrgBand* Band);

// The band's context menu: the height and position items, Visible, and
// the additions of its kind. Window serves the groups item.
TrgDesignMenu rgBandDesignMenu(TrgBand* Band, TrgDesignWindow* Window);
