// The album toolbar: a dockable toolbar in the dock areas on the window's
// four edges, holding the command buttons of the vocabulary, and its place
// in the program's ini file.

#include "mainwindow/main_form.h"

#include "controls/xtoolbar.h"
#include "mainwindow/main_commands.h"
#include "platform/ui/menus.h"
#include "shared/qk_auto_button.h"
#include "shared/qk_ini.h"

namespace {

// The toolbar's buttons: the class-wide control height, wide enough for
// the longest caption.
constexpr int kKnopfBreite = 72;

}  // namespace

void TMainForm::ToolbarAufbauen()
{
    const std::pair<TDocks**, const char*> docks[] = {
        {&DocksTop, "DocksTop"}, {&DocksBottom, "DocksBottom"}, {&DocksLeft, "DocksLeft"}, {&DocksRight, "DocksRight"}};
    const TDockPos lagen[] = {dpTop, dpBottom, dpLeft, dpRight};
    for (size_t i = 0; i < std::size(docks); ++i) {
        auto* dock = new TDocks(this);
        dock->Name = QString::fromLatin1(docks[i].second);
        dock->SetParent(this);
        dock->SetPosition(lagen[i]);
        *docks[i].first = dock;
    }

    XToolBarBilderVerwaltung = new TXToolBar(this);
    XToolBarBilderVerwaltung->Name = QString::fromLatin1(kToolbar);
    XToolBarBilderVerwaltung->SetCaption(QStringLiteral("Fotoalbum"));
    XToolBarBilderVerwaltung->DockBase = DocksTop;
    XToolBarBilderVerwaltung->AutoSavePosition = true;
    int x = TDockControl::HorizontalSpacing();
    for (const TBefehl& b : BefehlsTabelle()) {
        if (qstrcmp(b.Menue, kToolbar) != 0)
            continue;
        auto* button = new TQKAutoButton(this);
        button->Name = QString::fromLatin1(b.Name);
        button->SetParent(XToolBarBilderVerwaltung);
        button->SetCaption(QString::fromUtf8(b.Caption));
        button->SetHint(QString::fromUtf8(b.Hint));
        button->SetShowHint(true);
        button->SetBounds(x, TDockControl::VerticalSpacing(), kKnopfBreite, TDockControl::ControlHeight());
        x += kKnopfBreite;
        button->OnClick = Handler(b.Handler);
        buttons_.push_back(button);
    }
    if (TQKAutoButton* drucken = ToolbarButton(QStringLiteral("QKAutoButtonBilderDrucken")))
        drucken->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuDrucken")));
    XToolBarBilderVerwaltung->Loaded();
    XToolBarBilderVerwaltung->SetDockedTo(DocksTop);
    XToolBarBilderVerwaltung->OnVisibleChanged = [this](TObject* s) { XToolBarBilderVerwaltungVisibleChanged(s); };
}

void TMainForm::ToolbarPositionLaden()
{
    XToolBarBilderVerwaltung->INIFileName = QKINI_Prog->IniPath();
    ToolbarPositionenLaden(this);
}

void TMainForm::ToolbarPositionSpeichern()
{
    XToolBarBilderVerwaltung->INIFileName = QKINI_Prog->IniPath();
    ToolbarPositionenSpeichern(this);
}

void TMainForm::XToolBarBilderVerwaltungVisibleChanged(TObject* Sender)
{
    (void)Sender;
    if (TMenuItem* item = MenuItem(QStringLiteral("BilderToolBarAnzeigen")))
        item->SetChecked(XToolBarBilderVerwaltung->Visible());
}
