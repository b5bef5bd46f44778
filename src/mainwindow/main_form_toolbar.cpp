// The album toolbar: a dockable toolbar in the dock areas on the window's
// four edges, holding the command buttons of the vocabulary, and its place
// in the program's ini file.

#include "mainwindow/main_form.h"

#include "controls/xtoolbar.h"
#include "mainwindow/main_commands.h"
#include "platform/os/folders.h"
#include "platform/ui/graphics.h"
#include "platform/ui/menus.h"
#include "shared/qk_auto_button.h"
#include "shared/qk_ini.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <QStyle>

namespace {

// The picture of a button: the desktop icon theme's icon of that meaning,
// else the program's own drawing (resources/icons, copied into the program
// folder), else Qt's built-in picture. It is drawn on the button's face
// colour, which is also the key colour the button leaves out (its
// bottom-left pixel), so the icon's soft edges blend into the face.
QImage KnopfBild(const char* name, const QColor& grund)
{
    struct TBild {
        const char* Knopf;
        const char* Thema;  // freedesktop icon name
        QStyle::StandardPixmap Notfall;
    };
    static const TBild kBilder[] = {
        {"QKAutoButtonVollbild", "view-fullscreen", QStyle::SP_TitleBarMaxButton},
        {"QKAutoButtonSlideshow", "media-playback-start", QStyle::SP_MediaPlay},
        {"QKAutoButtonBilderHinzufuegen", "list-add", QStyle::SP_FileDialogNewFolder},
        {"QKAutoButtonLoeschen", "edit-delete", QStyle::SP_TrashIcon},
        {"QKAutoButtonBilderKopieren", "edit-copy", QStyle::SP_ArrowForward},
        {"QKAutoButtonUploaden", "go-up", QStyle::SP_ArrowUp},
        {"QKAutoButtonBilderEnde", "application-exit", QStyle::SP_DialogCloseButton},
        {"QKAutoButtonBilderOptionen", "preferences-system", QStyle::SP_FileDialogDetailedView},
        {"QKAutoButtonBilderDrucken", "document-print", QStyle::SP_FileIcon},
        {"QKAutoButtonBilderDatenbankManager", "folder-open", QStyle::SP_DirOpenIcon}};
    QImage bild(16, 16, QImage::Format_RGB32);
    bild.fill(grund);
    for (const TBild& b : kBilder)
        if (qstrcmp(b.Knopf, name) == 0) {
            const QString thema = QString::fromLatin1(b.Thema);
            QPixmap pixmap;
            const QIcon icon = QIcon::fromTheme(thema);
            if (!icon.isNull()) {
                pixmap = icon.pixmap(16, 16);
            } else if (const QString datei = ProgramFolderLinux() + QStringLiteral("/icons/") + thema + QStringLiteral(".png");
                       QFileInfo::exists(datei)) {
                // The program's own PNG, read as PNG: Qt would otherwise ask
                // every image-format plug-in whether it reads the file.
                QImageReader leser(datei, "png");
                leser.setAutoDetectImageFormat(false);
                const QImage bild = leser.read();
                if (!bild.isNull())
                    pixmap = QPixmap::fromImage(bild.size() == QSize(16, 16)
                                                    ? bild
                                                    : bild.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation));
            }
            if (pixmap.isNull())
                pixmap = QApplication::style()->standardIcon(b.Notfall).pixmap(16, 16);
            QPainter p(&bild);
            p.drawPixmap(0, 0, pixmap);
        }
    bild.setPixelColor(0, 15, grund);
    return bild;
}

// Just wide enough for the picture beside the caption, so the ten buttons
// fit the window's first width.
int KnopfBreite(TQKAutoButton* b)
{
    TCanvas* c = b->Canvas();
    c->Font.Assign(b->Font());
    return c->TextWidth(b->Caption()) + 16 + b->Spacing() + 8;
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
        TBitmap bild;
        bild.SetImage(KnopfBild(b.Name, ColorToQColor(button->Color())));
        button->SetGlyph(&bild);
        button->SetStretch(false);  // the picture keeps its size beside the caption
        const int breite = KnopfBreite(button);
        button->SetBounds(x, TDockControl::VerticalSpacing(), breite, TDockControl::ControlHeight());
        x += breite;
        button->OnClick = Handler(b.Handler);
        buttons_.push_back(button);
    }
    if (TQKAutoButton* drucken = ToolbarButton(QStringLiteral("QKAutoButtonBilderDrucken")))
        drucken->SetPopupMenu(PopupMenu(QStringLiteral("PopupMenuDrucken")));
    XToolBarBilderVerwaltung->Loaded();
    // In a vertical dock the buttons show their picture alone, a control
    // wide; in a horizontal dock or floating, the picture and their caption.
    XToolBarBilderVerwaltung->OnVerticalDock = [this](TObject*, bool vertikal) {
        for (TQKAutoButton* b : buttons_) {
            const TBefehl* befehl = BefehlSuchen(b->Name.toLatin1().constData());
            b->SetCaption(vertikal || !befehl ? QString() : QString::fromUtf8(befehl->Caption));
            b->SetStretch(vertikal);
            b->SetWidth(vertikal ? TDockControl::ControlWidth() : KnopfBreite(b));
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
