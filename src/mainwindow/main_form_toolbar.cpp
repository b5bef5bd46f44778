// The album toolbar: a dockable toolbar in the dock areas on the window's
// four edges, holding the command buttons of the vocabulary, and its place
// in the program's ini file.

#include "mainwindow/main_form.h"

#include "controls/xtoolbar.h"
#include "mainwindow/main_commands.h"
#include "platform/ui/graphics.h"
#include "platform/ui/menus.h"
#include "shared/qk_auto_button.h"
#include "shared/qk_ini.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {

// The toolbar's buttons: the class-wide control height, wide enough for
// the longest caption.
constexpr int kKnopfBreite = 72;

// The picture a button shows in a vertical dock, where its caption does not
// fit: a desktop icon on the button's face colour, which is also the key
// colour the button leaves out (its bottom-left pixel), so the icon's soft
// edges blend into the face.
QImage KnopfBild(const char* name, const QColor& grund)
{
    static const std::pair<const char*, QStyle::StandardPixmap> kBilder[] = {
        {"QKAutoButtonVollbild", QStyle::SP_TitleBarMaxButton},
        {"QKAutoButtonSlideshow", QStyle::SP_MediaPlay},
        {"QKAutoButtonBilderHinzufuegen", QStyle::SP_FileDialogNewFolder},
        {"QKAutoButtonLoeschen", QStyle::SP_TrashIcon},
        {"QKAutoButtonBilderKopieren", QStyle::SP_ArrowForward},
        {"QKAutoButtonUploaden", QStyle::SP_ArrowDown},
        {"QKAutoButtonBilderEnde", QStyle::SP_DialogCloseButton},
        {"QKAutoButtonBilderOptionen", QStyle::SP_FileDialogDetailedView},
        {"QKAutoButtonBilderDrucken", QStyle::SP_FileIcon},
        {"QKAutoButtonBilderDatenbankManager", QStyle::SP_DirOpenIcon}};
    QImage bild(16, 16, QImage::Format_RGB32);
    bild.fill(grund);
    for (const auto& [knopf, pixmap] : kBilder)
        if (qstrcmp(knopf, name) == 0) {
            QPainter p(&bild);
            p.drawPixmap(0, 0, QApplication::style()->standardIcon(pixmap).pixmap(16, 16));
        }
    bild.setPixelColor(0, 15, grund);
    return bild;
}

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
    // In a vertical dock the buttons show their picture alone, a control
    // wide; in a horizontal dock or floating, their caption.
    XToolBarBilderVerwaltung->OnVerticalDock = [this](TObject*, bool vertikal) {
        for (TQKAutoButton* b : buttons_) {
            const TBefehl* befehl = BefehlSuchen(b->Name.toLatin1().constData());
            b->SetCaption(vertikal || !befehl ? QString() : QString::fromUtf8(befehl->Caption));
            TBitmap bild;
            if (vertikal)
                bild.SetImage(KnopfBild(befehl ? befehl->Name : "", ColorToQColor(b->Color())));
            b->SetGlyph(&bild);
            b->SetWidth(vertikal ? TDockControl::ControlWidth() : kKnopfBreite);
        }
        XToolBarBilderVerwaltung->Auslegen();
        if (TDocks* dock = XToolBarBilderVerwaltung->DockedTo()) {
            dock->LayoutLines();
        } else {
            // Floated out of a vertical dock: its window takes the widest
            // shape of the captioned buttons (one line).
            const TRect r = XToolBarBilderVerwaltung->FloatRect();
            XToolBarBilderVerwaltung->SetFloatRect(Bounds(r.Left, r.Top, 4096, r.Height()));
        }
    };
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
