// Printing from the main window: the current entry's picture through the
// single-picture layout of QKPicPrinter1, the print button's menu, the
// large-picture flags that the template choice sets, and the crop of the
// big picture into "PrintPic.BMP". Picture lists print through report
// templates; this version has no report engine, so the list commands say
// that they are not available.

#include "mainwindow/main_form.h"

#include "datagrid/dk_table.h"
#include "imaging/image_window.h"
#include "imaging/pic_printer.h"
#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/picture/picture_io.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/menus.h"
#include "shared/qk_auto_button.h"
#include "shared/qk_ini.h"

#include <QCursor>
#include <QImage>

namespace {

const QString kListeNichtVerfuegbar = QStringLiteral("Diese Funktion ist noch nicht verfügbar.");

// zaehler / nenner rounded to the nearest integer, halves to the even one
// (both positive).
int GeradeGerundet(int64_t zaehler, int64_t nenner)
{
    int64_t q = zaehler / nenner;
    const int64_t rest2 = 2 * (zaehler % nenner);
    if (rest2 > nenner || (rest2 == nenner && q % 2 != 0))
        ++q;
    return int(q);
}

}  // namespace

void TMainForm::DruckenAufbauen()
{
    QKPicPrinter1 = new TQKPicPrinter(this);
    QKPicPrinter1->Name = QStringLiteral("QKPicPrinter1");
}

QString TMainForm::PrintPicDatei() const
{
    return IncludeTrailingBackslash(VorschauTempOrdner()) + QStringLiteral("PrintPic.BMP");
}

TRect TMainForm::DruckAusschnitt(int breite, int hoehe, bool grossBild8, bool grossBild10)
{
    // The large-picture layouts take a 36:25 section from the top left: a
    // landscape one of the full width, or a portrait one of the full height.
    if (grossBild8)
        return Rect(0, 0, breite, GeradeGerundet(int64_t(breite) * 25, 36));
    if (grossBild10)
        return Rect(0, 0, GeradeGerundet(int64_t(hoehe) * 25, 36), hoehe);
    return Rect(0, 0, breite, hoehe);
}

bool TMainForm::Beschneiden(int Left, int Top, int Right, int Bottom)
{
    const QImage teil = ImageWindow1->ImageInWindow()->GetBitmapOfRect(Rect(Left, Top, Right, Bottom));
    const QString ziel = PrintPicDatei();
    return !teil.isNull() && teil.save(WinToLinux(ziel).value_or(ziel), "BMP");
}

void TMainForm::Einzelbilddrucken2Click(TObject* Sender)
{
    if (BilderDBFOffen() == 0)
        return;
    Ton(Sender);
    if (TableBilder->IsEmpty())
        return;
    const QString datei = BildDateiErmitteln(true, QStringLiteral("Großbilddruck"));
    if (datei.isEmpty())
        return;
    const QString ziel = PrintPicDatei();
    try {
        Screen->SetCursor(crHourGlass);
        // A file that is no readable picture would leave ImageWindow1 with
        // a blank page (after the library's own message) to be printed.
        TPicInfo info;
        TPicError fehler;
        if (!PicPing(WinToLinux(datei).value_or(datei), info, fehler))
            throw Exception(fehler.Text);
        ImageWindow1->LoadFromFile(datei, 0, 0);
        TImageInWindow* bild = ImageWindow1->ImageInWindow();
        if (!bild->HasImage() || !bild->SaveImageToFile(ziel, 100, 0))
            throw Exception(QStringLiteral("Bild kann nicht gespeichert werden: ") + ziel);
        QKPicPrinter1->Picture()->LoadFromFile(WinToLinux(ziel).value_or(ziel));
        Screen->SetCursor(crDefault);
    } catch (const std::exception&) {
        // The error log names the album and the entry; the message the place.
        Screen->SetCursor(crDefault);
        FehlerKontextSetzen();
        throw Exception(QStringLiteral("Fehler beim Drucken eines Einzelbildes !"));
    }
    QKPicPrinter1->INIFileName = QKINI_Prog->INIFileName();
    QKPicPrinter1->Execute();
}

void TMainForm::QKAutoButtonBilderDruckenClick(TObject* Sender)
{
    GrossBild8 = false;
    GrossBild10 = false;
    Ton(Sender);
    TPopupMenu* menu = PopupMenu(QStringLiteral("PopupMenuDrucken"));
    // The toolbar button drops its own menu on the click before this runs.
    if (auto* knopf = dynamic_cast<TQKAutoButton*>(Sender); !menu || (knopf && knopf->PopupMenu() == menu))
        return;
    const QPoint maus = QCursor::pos();
    menu->Popup(maus.x(), maus.y());
}

void TMainForm::Drucken2Click(TObject* Sender) { QKAutoButtonBilderDruckenClick(Sender); }

void TMainForm::GrossBildFlagsSetzen(const QString& vorlage)
{
    const QString name = ExtractFileName(vorlage);
    GrossBild8 = name.compare(QStringLiteral("BilderListe_GrossesBild8.RTM"), Qt::CaseInsensitive) == 0;
    GrossBild10 = name.compare(QStringLiteral("BilderListe_GrossesBild10.RTM"), Qt::CaseInsensitive) == 0;
}

void TMainForm::DruckeBilderListe(const QString&)
{
    // Lists print through a report template, and the report engine is not
    // part of this version.
    ShowMessage(kListeNichtVerfuegbar);
}

void TMainForm::DruckeBilderListe2(const QString& TemplateFile)
{
    GrossBildFlagsSetzen(TemplateFile);
    ShowMessage(kListeNichtVerfuegbar);
}
