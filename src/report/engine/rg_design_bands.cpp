#include "report/engine/rg_design_bands.h"

#include <algorithm>
#include <map>
#include <memory>

#include "platform/ui/menus.h"
#include "report/engine/rg_bands.h"
#include "report/engine/rg_design_components.h"
#include "report/engine/rg_groups.h"
#include "report/engine/rg_region.h"
#include "report/engine/rg_report.h"
#include "report/output/rg_units.h"

namespace {

// Forgets the designer of a report that goes away while it is attached.
class TrgDesignLink : public TComponent {
public:
    explicit TrgDesignLink(TrgCustomReport* Report, TrgDesignWindow* Window)
        : TComponent(nullptr), report(Report), window(Window)
    {
        Report->FreeNotification(this);
    }
    ~TrgDesignLink() override
    {
        if (report)
            report->RemoveFreeNotification(this);
    }
    TrgCustomReport* report;
    TrgDesignWindow* window;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
};

std::map<const TrgCustomReport*, std::unique_ptr<TrgDesignLink>>& Designers()
{
    static std::map<const TrgCustomReport*, std::unique_ptr<TrgDesignLink>> designers;
    return designers;
}

// The engine reaches the designer only through its hooks; this module
// installs them at start-up.
const bool kDesignHooksInstalled = [] {
    TrgDesignHooks& hooks = rgDesignHooks();
    hooks.BandJoinedReport = rgBandJoinedReport;
    hooks.BandLeavingReport = rgBandLeavingReport;
    hooks.SendMessage = rgSendDesignMessage;
    return true;
}();

std::map<const TrgBand*, TrgBandDesignStrip*>& Strips()
{
    static std::map<const TrgBand*, TrgBandDesignStrip*> strips;
    return strips;
}

void TrgDesignLink::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || AComponent != report)
        return;
    const TrgCustomReport* key = report;
    report = nullptr;
    // The map entry owns this link: erasing it frees the link, so nothing
    // may touch it afterwards.
    Designers().erase(key);
}

}  // namespace

// ---- designer attachment -----------------------------------------------------------

void rgAttachDesigner(TrgCustomReport* Report, TrgDesignWindow* Window)
{
    rgDetachDesigner(Report);
    if (!Window)
        return;
    Designers()[Report] = std::make_unique<TrgDesignLink>(Report, Window);
    for (int i = 0; i < Report->GetBandCount(); ++i)
        rgBandJoinedReport(Report->GetBandAt(i));
}

void rgDetachDesigner(TrgCustomReport* Report)
{
    if (!rgReportDesigner(Report))
        return;
    for (int i = 0; i < Report->GetBandCount(); ++i)
        rgBandLeavingReport(Report->GetBandAt(i));
    Designers().erase(Report);
}

TrgDesignWindow* rgReportDesigner(const TrgCustomReport* Report)
{
    if (!Report)
        return nullptr;
    auto it = Designers().find(Report);
    return it == Designers().end() ? nullptr : it->second->window;
}

void rgSendDesignMessage(const TrgCustomReport* Report, int Message, int Code, TObject* Param)
{
    if (TrgDesignWindow* window = rgReportDesigner(Report))
        window->DesignMessage(Message, Code, Param);
}

void rgBandJoinedReport(TrgBand* Band)
{
    TrgDesignWindow* window = rgReportDesigner(Band->Report());
    if (!window || Strips().count(Band))
        return;
    Strips()[Band] = new TrgBandDesignStrip(Band, window->DesignSurface());
    window->DesignMessage(rgDesignMsgBandCreated, rgDesignCodeBand, Band);
}

void rgBandLeavingReport(TrgBand* Band)
{
    auto it = Strips().find(Band);
    if (it == Strips().end())
        return;
    TrgBandDesignStrip* strip = it->second;
    Strips().erase(it);
    delete strip;
    rgSendDesignMessage(Band->Report(), rgDesignMsgBandDestroyed, rgDesignCodeBand, Band);
}

TrgBandDesignStrip* rgBandDesignStrip(const TrgBand* Band)
{
    auto it = Strips().find(Band);
    return it == Strips().end() ? nullptr : it->second;
}

// ---- band menu ------------------------------------------------------------------------

TrgDesignMenu rgBandDesignMenu(TrgBand* Band, TrgDesignWindow* Window)
{
    const TrgBandKind kind = Band->Kind();
    const bool fixedHeight = kind == bkFooter || kind == bkColumnFooter;
    TrgDesignMenu menu;
    for (auto [name, stringNo, height] : {std::tuple{"mniDynamicHeight", 232, phDynamic},
                                          std::tuple{"mniStaticHeight", 242, phStatic}}) {
        TrgDesignMenuItem item =
            rgMenuCommand(name, stringNo, [Band, height = height] { Band->SetPrintHeight(height); });
        item.Checked = [Band, height = height] { return Band->PrintHeight() == height; };
        item.Enabled = [fixedHeight] { return !fixedHeight; };
        menu.push_back(item);
    }
    menu.push_back(rgMenuLine("mniLine1"));
    menu.push_back(rgMenuCommand("mniPosition", 386, [Band] { rgEditBandPosition(Band); }));
    menu.push_back(rgMenuToggle(
        "mniVisible", 247, [Band] { return Band->Visible(); }, [Band](bool v) { Band->SetVisible(v); }));

    if (auto* pageBand = dynamic_cast<TrgPageBand*>(Band)) {
        menu.push_back(rgMenuLine("mniLine2"));
        menu.push_back(rgMenuToggle(
            "mniPrintOnFirstPage", 236, [pageBand] { return pageBand->PrintOnFirstPage(); },
            [pageBand](bool v) { pageBand->SetPrintOnFirstPage(v); }));
        menu.push_back(rgMenuToggle(
            "mniPrintOnLastPage", 237, [pageBand] { return pageBand->PrintOnLastPage(); },
            [pageBand](bool v) { pageBand->SetPrintOnLastPage(v); }));
    } else if (auto* reportBand = dynamic_cast<TrgReportBand*>(Band)) {
        menu.push_back(rgMenuLine("mniLine2"));
        menu.push_back(rgMenuToggle(
            "mniNewPage", 234, [reportBand] { return reportBand->NewPage(); },
            [reportBand](bool v) { reportBand->SetNewPage(v); }));
    } else if (kind == bkGroupHeader || kind == bkGroupFooter) {
        menu.push_back(rgMenuCommand("mniGroups", 146, [Window] {
            if (Window)
                Window->ShowGroupsDialog();
        }));
    }
    return menu;
}

// ---- design strip -----------------------------------------------------------------------

TrgBandDesignStrip::TrgBandDesignStrip(TrgBand* Band, TWinControl* Surface)
    : TCustomControl(Surface), band_(Band)
{
    SetParent(Surface);
    SetColor(clWhite);
    menu_ = new TPopupMenu(this);
    const TrgDesignMenu items = rgBandDesignMenu(Band, rgReportDesigner(Band->Report()));
    rgBuildDesignMenu(menu_, items, Band->GetLanguageIndex());
    rgAssignDesignMenuHandlers(menu_, items, [this] { SetDesignWidth(); });
    SetPopupMenu(menu_);
    SetDesignWidth();
    RefreshComponents();
}

TrgBandDesignStrip::~TrgBandDesignStrip() { FreeDesignControls(); }

QString TrgBandDesignStrip::DescriptionCaption() const
{
    // A group band names its group's place, its kind and what the group breaks on.
    auto* groupBand = dynamic_cast<TrgGroupBand*>(band_);
    if (!groupBand || !groupBand->Group())
        return band_->GetDescription();
    const TrgGroup* group = groupBand->Group();
    QString breakName = group->BreakName();
    if (breakName.isEmpty())
        breakName = group->BreakType() == btCustomField ? QStringLiteral("No CustomField Assigned.")
                                                        : QStringLiteral("No DataField Assigned.");
    return QStringLiteral("%1. %2: %3").arg(group->GetGroupIndex() + 1).arg(band_->GetDescription(), breakName);
}

void TrgBandDesignStrip::SetDesignWidth()
{
    const TObject* printer = band_->GetPrinter();
    const int width = qRound(rgFromMMThousandths(band_->GetSpaceWidth(), utScreenPixels, rgHorizontal, printer));
    const int height = qRound(rgFromMMThousandths(band_->mmHeight(), utScreenPixels, rgVertical, printer));
    SetBounds(Left(), Top(), width, height);
    Invalidate();
}

void TrgBandDesignStrip::FreeDesignControls()
{
    for (TrgDesignControl* control : controls_)
        delete control;
    controls_.clear();
}

void TrgBandDesignStrip::RefreshComponents()
{
    FreeDesignControls();
    designList_.clear();
    for (int i = 0; i < band_->GetComponentCount(); ++i) {
        TrgComponent* component = band_->GetComponentAt(i);
        designList_.push_back(
            {QString::asprintf("%8d", component->mmTop() + component->mmHeight()), component});
    }
    std::stable_sort(designList_.begin(), designList_.end(),
                     [](const TDesignEntry& a, const TDesignEntry& b) { return a.Key < b.Key; });
    for (const TDesignEntry& entry : designList_)
        controls_.push_back(new TrgDesignControl(entry.Component, this));
    // A region stands behind the components it holds.
    for (TrgDesignControl* control : controls_)
        if (dynamic_cast<TrgCustomRegion*>(control->Printable()))
            control->SendToBack();
}

TrgDesignControl* TrgBandDesignStrip::DesignControlOf(const TrgComponent* Component) const
{
    for (TrgDesignControl* control : controls_)
        if (control->Printable() == Component)
            return control;
    return nullptr;
}

void TrgBandDesignStrip::Paint()
{
    TCanvas* canvas = Canvas();
    canvas->Brush.Style = bsSolid;
    canvas->Brush.Color = clWhite;
    canvas->FillRect(ClientRect());
    // The caption sits at the bottom left, where components cover it least.
    canvas->Font.SetColor(clGray);
    canvas->TextOut(2, Height() - 1 - canvas->TextHeight(DescriptionCaption()), DescriptionCaption());
    canvas->Pen.Color = clGray;
    canvas->Pen.Style = psSolid;
    canvas->MoveTo(0, Height() - 1);
    canvas->LineTo(Width(), Height() - 1);
}
