// The prompt service: every message box, question and input box is recorded
// with its exact texts and answered by the script; nothing blocks.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"
#include "platform/ui/prompt_script.h"
#include "platform/ui/message_box.h"
#include "platform/ui/prompt_service.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QPainter>
#include "platform/ui/test_input.h"

TEST(PromptService, RecordsAndAnswersEveryKind)
{
    Application->SetTitle("QV-Lumadex v1.50");
    TPromptScript script;
    script.Answer(TPromptKind::Message, mrOk)
        .Answer(TPromptKind::Dialog, mrYes, "löschen")
        .Answer(TPromptKind::Box, IDNO)
        .AnswerValue("C:\\Lumadex", "Zielverzeichnis")
        .Answer(TPromptKind::Input, mrCancel);
    ShowMessage("Fertig");
    EXPECT_EQ(MessageDlg("Einträge wirklich löschen ?", mtConfirmation, {mbYes, mbNo}), mrYes);
    EXPECT_EQ(Application->MessageBox("Verzeichnis konnte nicht erstellt werden", "Problem", MB_YESNO | MB_ICONSTOP), IDNO);
    EXPECT_EQ(InputBox("QV-Lumadex kopieren", "Zielverzeichnis für die Bilderdateienverwaltung angeben:", "C:\\Lumadex"),
              "C:\\Lumadex");
    QString value = "alt";
    EXPECT_FALSE(InputQuery("Frage", "Name:", value));
    EXPECT_EQ(value, "alt");  // cancel leaves the value

    const auto& r = script.Records();
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0].Caption, "QV-Lumadex v1.50");
    EXPECT_EQ(r[0].Text, "Fertig");
    EXPECT_EQ(r[1].Caption, "Bestätigen");
    EXPECT_EQ(r[1].DlgType, mtConfirmation);
    EXPECT_TRUE(r[1].Buttons.Contains(mbNo));
    EXPECT_EQ(r[2].Caption, "Problem");
    EXPECT_EQ(r[2].Flags, MB_YESNO | MB_ICONSTOP);
    EXPECT_EQ(r[3].Value, "C:\\Lumadex");
    EXPECT_EQ(r[4].Text, "Name:");
}

TEST(PromptService, UnexpectedPromptFailsWithItsTextAndGetsACancellingAnswer)
{
    int result = -1;
    EXPECT_NONFATAL_FAILURE(
        {
            TPromptScript script;
            result = Application->MessageBox("Datei überschreiben ?", "Frage", MB_YESNOCANCEL);
        },
        "Datei überschreiben ?");
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_NONFATAL_FAILURE(
        {
            TPromptScript script;
            script.Answer(mrYes, "anderer Text");
            result = MessageDlg("Weiter ?", mtConfirmation, {mbYes, mbNo});
            script.Answer(mrOk);  // keeps the destructor from adding a second failure
            ShowMessage("x");
        },
        "Weiter ?");
    EXPECT_EQ(result, mrNo);
    EXPECT_NONFATAL_FAILURE({ TPromptScript script; script.Answer(mrOk, "Fertig"); }, "kam nicht");
}

TEST(PromptService, WithoutAScriptAnOffscreenPromptRaisesInsteadOfWaiting)
{
    try {
        MessageDlg("Niemand antwortet", mtWarning, {mbOK});
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Niemand antwortet"), std::string::npos);
    }
}

TEST(PromptService, CommonDialogsGoThroughTheService)
{
    TComponent owner(nullptr);
    TPromptScript script;
    script.AnswerValue("/tmp/a.jpg\n/tmp/b.jpg").Answer(TPromptKind::SaveFile, mrCancel).AnswerValue("255");
    auto* open = new TOpenDialog(&owner);
    open->Filter = "Bilder|*.jpg;*.bmp|Alle Dateien|*.*";
    open->Options.Include(ofAllowMultiSelect);
    ASSERT_TRUE(open->Execute());
    EXPECT_EQ(open->Files, (QStringList{"/tmp/a.jpg", "/tmp/b.jpg"}));
    EXPECT_EQ(open->FileName, "/tmp/a.jpg");
    auto* save = new TSaveDialog(&owner);
    EXPECT_FALSE(save->Execute());
    auto* color = new TColorDialog(&owner);
    ASSERT_TRUE(color->Execute());
    EXPECT_EQ(color->Color, clRed);
    EXPECT_EQ(script.Records()[0].Kind, TPromptKind::OpenFile);
    EXPECT_EQ(script.Records()[1].Kind, TPromptKind::SaveFile);
}

#include "test_environment.h"

#include <filesystem>

TEST(PromptService, FileDialogsStartInTheLinuxFolderAndGiveTheWindowsForm)
{
    lxtest::TempDir dir;
    lxtest::WriteDriveTable({{"C", "/", "HD", "SYSTEM", "1A2B3C4D", 1ull << 34}});
    std::filesystem::create_directories(dir / "Bilder");
    const QString linux = QString::fromStdString((dir / "Bilder").string());
    const QString windows = "C:" + QString(linux).replace('/', '\\');
    struct Fall {
        QString Programm, Dialog;
    };
    for (const Fall& f : {Fall{windows, linux}, Fall{windows.toUpper(), linux}, Fall{linux, linux}, Fall{"", ""},
                          Fall{"Q:\\gibt\\es\\nicht", ""}})
        EXPECT_EQ(DialogStart(f.Programm), f.Dialog) << f.Programm.toStdString();
    EXPECT_EQ(ProgramPath(linux), windows);
    EXPECT_EQ(ProgramPath(linux + "/a.jpg"), windows + "\\a.jpg");
    EXPECT_EQ(ProgramPath(""), "");
}

// The input box is wide enough for its title: the frame's title bar would
// otherwise cut "Eingabedialogfenster" to "Einga... enster". Typed text and
// Enter give the value back.
TEST(PromptService, InputBoxIsWideEnoughForItsTitle)
{
    struct Fall {
        const char* Titel;
        const char* Frage;
    };
    for (const Fall& f : {Fall{"Eingabedialogfenster", "Geben sie einen Namen für den Datenträger ein"},
                          Fall{"Eingabedialogfenster", "Name:"},
                          Fall{"Zielverzeichnis für die Bilderdateienverwaltung angeben", "Pfad:"}}) {
        const QString titel = QString::fromUtf8(f.Titel), frage = QString::fromUtf8(f.Frage);
        SCOPED_TRACE(f.Titel);
        const std::unique_ptr<QInputDialog> d = MakeInputDialog(titel, frage, "alt");
        d->show();
        QCoreApplication::processEvents();
        EXPECT_EQ(d->windowTitle(), titel);
        EXPECT_GE(d->width(), InputTitleWidth(titel));
        // The width the title needs grows with the title.
        EXPECT_GT(InputTitleWidth(titel + "xxxxxxxxxx"), InputTitleWidth(titel));

        auto* edit = d->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->selectAll();
        edit->setFocus();
        for (const QChar c : QString("MEDIUM 7"))
            lxui_test::SendKey(edit, c == ' ' ? Qt::Key_Space : c.isDigit() ? Qt::Key_0 + c.digitValue() : Qt::Key_A + (c.unicode() - 'A'), QString(c));
        lxui_test::SendKey(edit, Qt::Key_Return, "\r");
        EXPECT_EQ(d->result(), QDialog::Accepted);
        EXPECT_EQ(d->textValue(), "MEDIUM 7");
    }
    // The screenshot draws the title bar as a window manager would: the
    // title elided to the room beside the icon and the buttons.
    const QString titel = "Eingabedialogfenster";
    const std::unique_ptr<QInputDialog> d = MakeInputDialog(titel, "Geben sie einen Namen für den Datenträger ein", "");
    d->show();
    QCoreApplication::processEvents();
    const QImage inhalt = d->grab().toImage();
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const QFontMetrics fm(font);
    const int hoehe = fm.height() + 8;
    QImage bild(inhalt.width(), inhalt.height() + hoehe, QImage::Format_RGB32);
    bild.fill(QColor(60, 60, 90));
    QPainter p(&bild);
    p.drawImage(0, hoehe, inhalt);
    p.setFont(font);
    p.setPen(Qt::white);
    const int rand = 3 * fm.height();
    const QString gezeigt = fm.elidedText(titel, Qt::ElideMiddle, inhalt.width() - 2 * rand);
    p.drawText(QRect(rand, 0, inhalt.width() - 2 * rand, hoehe), Qt::AlignCenter, gezeigt);
    p.end();
    EXPECT_EQ(gezeigt, titel);
    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    EXPECT_TRUE(bild.save(ordner + "/input_box.png"));
}

namespace {

// What a window manager's title bar leaves for the title, judged without the
// program's own rule: a bold title font a fifth larger than the program's,
// four frame buttons of 24 pixels and a margin of 10 on either side.
QFont FremderTitelFont()
{
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    return font;
}
int TitelRaum(int fensterBreite) { return fensterBreite - 4 * 24 - 2 * 10; }

// The window with such a title bar drawn above it, the title elided to the
// room it leaves; gives the title as shown.
QString MitTitelleiste(QWidget& fenster, QImage& bild)
{
    const QImage inhalt = fenster.grab().toImage();
    const QFontMetrics fm(FremderTitelFont());
    const int hoehe = fm.height() + 10;
    bild = QImage(inhalt.width(), inhalt.height() + hoehe, QImage::Format_RGB32);
    bild.fill(QColor(60, 60, 90));
    QPainter p(&bild);
    p.drawImage(0, hoehe, inhalt);
    p.setFont(FremderTitelFont());
    p.setPen(Qt::white);
    for (int i = 0; i < 4; ++i)
        p.drawRect(inhalt.width() - 10 - 24 * (i + 1) + 3, 5, 18, hoehe - 10);
    const QString gezeigt = fm.elidedText(fenster.windowTitle(), Qt::ElideMiddle, TitelRaum(inhalt.width()));
    p.drawText(QRect(10, 0, TitelRaum(inhalt.width()), hoehe), Qt::AlignVCenter | Qt::AlignLeft, gezeigt);
    p.end();
    return gezeigt;
}

// Shows the box and checks from its width that the whole title fits such a
// title bar; the screenshot (name.png) shows it so.
void TitelGanzGezeigt(QWidget& fenster, const char* name)
{
    fenster.show();
    QCoreApplication::processEvents();
    const QString titel = fenster.windowTitle();
    EXPECT_GE(TitelRaum(fenster.width()), QFontMetrics(FremderTitelFont()).horizontalAdvance(titel)) << fenster.width();
    QImage bild;
    EXPECT_EQ(MitTitelleiste(fenster, bild), titel);
    const QString ordner = QCoreApplication::applicationDirPath() + "/screenshots";
    QDir().mkpath(ordner);
    EXPECT_TRUE(bild.save(ordner + "/" + name + ".png"));
}

}  // namespace

// Every input box and message box is wide enough for its whole title, also
// where the window manager's title font is larger than the program's: the
// short prompts and messages that made boxes too narrow ("Eingabed…gfenster",
// "QV-… .50"). Each box still answers its keys.
TEST(PromptService, EveryInputAndMessageBoxShowsItsTitleWhole)
{
    struct Eingabe {
        const char* Titel;
        const char* Frage;
        const char* Bild;
    };
    for (const Eingabe& e : {Eingabe{"Eingabedialogfenster", "Geben Sie eine SatzNr. ein", "input_box_satznr"},
                             Eingabe{"Eingabedialogfenster", "Geben Sie eine Kurzbeschreibung ein", "input_box_kurz"}}) {
        SCOPED_TRACE(e.Frage);
        const QString titel = QString::fromUtf8(e.Titel);
        const std::unique_ptr<QInputDialog> d = MakeInputDialog(titel, QString::fromUtf8(e.Frage), "");
        TitelGanzGezeigt(*d, e.Bild);
        auto* edit = d->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        lxui_test::SendKey(edit, Qt::Key_7, "7");
        lxui_test::SendKey(edit, Qt::Key_Return, "\r");
        EXPECT_EQ(d->result(), QDialog::Accepted);
        EXPECT_EQ(d->textValue(), "7");
    }

    struct Meldung {
        const char* Titel;
        const char* Text;
        std::vector<std::pair<QString, int>> Knoepfe;
        int Enter;  // the result Enter gives
        const char* Bild;
    };
    const Meldung meldungen[] = {
        {"QV-Lumadex v1.50", "Fertig !", {{"OK", mrOk}}, mrOk, "message_box_fertig"},
        {"Bestätigen", "Jetzt?", {{"&Ja", mrYes}, {"&Nein", mrNo}}, mrYes, "message_box_frage"},
        {"Hinweis", "OK", {{"OK", mrOk}}, mrOk, "message_box_hinweis"},
    };
    for (const Meldung& m : meldungen) {
        SCOPED_TRACE(m.Text);
        const QString titel = QString::fromUtf8(m.Titel);
        const std::unique_ptr<QMessageBox> box =
            MakeMessageBox(titel, QString::fromUtf8(m.Text), QMessageBox::NoIcon, m.Knoepfe, 0, m.Knoepfe.back().second);
        TitelGanzGezeigt(*box, m.Bild);
        lxui_test::SendKey(box.get(), Qt::Key_Return, "\r");
        ASSERT_NE(box->clickedButton(), nullptr);
        EXPECT_EQ(box->clickedButton()->property("lumadexErgebnis").toInt(), m.Enter);
    }
}

// An open dialog whose caller creates a missing file (a new album) takes a
// name not there yet; the plain open dialog insists on an existing file.
TEST(PromptService, AnOpenDialogForANewFileTakesANameNotThereYet)
{
    lxtest::TempDir dir;
    const QString ordner = QString::fromStdString(dir.path().string());
    const std::unique_ptr<QFileDialog> dialog = MakeOpenAnyFileDialog("Öffnen", ordner + "/Bilder1.dbf", "*.dbf");
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->show();
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "Bilder1.dbf");
    name->setText("NEU.DBF");
    lxui_test::SendKey(name, Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    ASSERT_EQ(dialog->selectedFiles().size(), 1);
    EXPECT_EQ(dialog->selectedFiles().front(), ordner + "/NEU.DBF");

    // The same typed into a dialog whose file must exist stays open.
    QFileDialog vorhanden(nullptr, "Öffnen", ordner, "*.dbf");
    vorhanden.setOption(QFileDialog::DontUseNativeDialog);
    vorhanden.setFileMode(QFileDialog::ExistingFile);
    vorhanden.show();
    auto* name2 = vorhanden.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name2, nullptr);
    name2->setText("NEU.DBF");
    QTimer::singleShot(0, [] {
        if (QWidget* warnung = QApplication::activeModalWidget(); qobject_cast<QMessageBox*>(warnung))
            warnung->close();
    });
    lxui_test::SendKey(name2, Qt::Key_Return);
    EXPECT_NE(vorhanden.result(), QDialog::Accepted);
}

TEST(PromptService, OnlyAnOpenDialogWithoutMustExistTakesANewName)
{
    TComponent owner(nullptr);
    for (const bool mussDa : {false, true}) {
        TPromptScript script;
        script.AnswerValue("/tmp/x.dbf");
        auto* open = new TOpenDialog(&owner);
        if (mussDa)
            open->Options.Include(ofFileMustExist);
        ASSERT_TRUE(open->Execute());
        ASSERT_EQ(script.Records().size(), 1u);
        EXPECT_EQ(script.Records()[0].NeueDateiErlaubt, !mussDa);
    }
}
