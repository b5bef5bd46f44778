#include "platform/ui/prompt_service.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <stdexcept>
#include <vector>

#include "platform/core/event_wait.h"
#include "platform/core/win_path.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"
#include "platform/ui/message_box.h"

namespace {

TPromptService* g_service = nullptr;

// The result a message box's button stands for.
const char* const kErgebnis = "lumadexErgebnis";

TDialogPromptService& DialogService()
{
    static TDialogPromptService service;
    return service;
}

// "Bilder|*.jpg;*.bmp|Alle Dateien|*.*" -> "Bilder (*.jpg *.bmp);;Alle Dateien (*.*)"
QString QtFilter(const QString& filter)
{
    QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
    return out.join(";;");
}

QMessageBox::Icon IconOf(TMsgDlgType t)
{
    switch (t) {
    case mtWarning: return QMessageBox::Warning;
    case mtError: return QMessageBox::Critical;
    case mtInformation: return QMessageBox::Information;
    case mtConfirmation: return QMessageBox::Question;
    default: return QMessageBox::NoIcon;
    }
}

QMessageBox::Icon IconOfFlags(int flags)
{
    switch (flags & 0xF0) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int RunBox(const QString& caption, const QString& text, QMessageBox::Icon icon,
           const std::vector<std::pair<QString, int>>& buttons, int defaultIndex, int escapeResult)
{
    const std::unique_ptr<QMessageBox> box = MakeMessageBox(caption, text, icon, buttons, defaultIndex, escapeResult);
    box->exec();
    for (QAbstractButton* b : box->buttons())
        if (box->clickedButton() == b)
            return b->property(kErgebnis).toInt();
    return escapeResult;
}

}  // namespace

QString DialogStart(const QString& winPath)
{
    if (winPath.isEmpty() || winPath.startsWith(u'/'))
        return winPath;
    const std::optional<QString> linux = WinToLinux(winPath);
    return linux ? *linux : QString();
}

std::unique_ptr<QFileDialog> MakeOpenAnyFileDialog(const QString& caption, const QString& start, const QString& filter)
{
    auto dialog = std::make_unique<QFileDialog>(nullptr, caption, QString(), filter);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::AnyFile);
    const QFileInfo info(start);
    if (info.isDir()) {
        dialog->setDirectory(start);
    } else {
        dialog->setDirectory(info.absolutePath());
        dialog->selectFile(info.fileName());
    }
    return dialog;
}

QString ProgramPath(const QString& linuxPath) { return linuxPath.isEmpty() ? linuxPath : LinuxToWinOrSelf(linuxPath); }

int InputTitleWidth(const QString& caption)
{
    // The window manager draws the title in a font of its own, often
    // larger than the program's and bold: measured a quarter larger.
    QFont titel = QApplication::font("QMdiSubWindowTitleBar");
    titel.setBold(true);
    if (titel.pointSizeF() > 0)
        titel.setPointSizeF(titel.pointSizeF() * 1.25);
    else
        titel.setPixelSize(titel.pixelSize() * 5 / 4);
    const QFontMetrics fm(titel);
    // Beside it the window icon and up to four frame buttons (menu,
    // minimise, maximise, close), each about a title line high with its
    // spacing, and a margin on either side of the title.
    return fm.horizontalAdvance(caption) + 8 * fm.height();
}

std::unique_ptr<QMessageBox> MakeMessageBox(const QString& caption, const QString& text, QMessageBox::Icon icon,
                                            const std::vector<std::pair<QString, int>>& buttons, int defaultIndex,
                                            int escapeResult)
{
    auto box = std::make_unique<QMessageBox>(icon, caption, text);
    for (size_t i = 0; i < buttons.size(); ++i) {
        QPushButton* b = box->addButton(buttons[i].first, QMessageBox::ActionRole);
        b->setProperty(kErgebnis, buttons[i].second);
        if (int(i) == defaultIndex)
            box->setDefaultButton(b);
        if (buttons[i].second == escapeResult)
            box->setEscapeButton(b);
    }
    // The box sizes itself from its layout when shown: a row as wide as the
    // title needs (less the layout's margins) keeps it from getting smaller.
    if (auto* raster = qobject_cast<QGridLayout*>(box->layout())) {
        const QMargins r = raster->contentsMargins();
        raster->addItem(new QSpacerItem(std::max(0, InputTitleWidth(caption) - r.left() - r.right()), 0,
                                        QSizePolicy::Fixed, QSizePolicy::Minimum),
                        raster->rowCount(), 0, 1, raster->columnCount());
    }
    return box;
}

std::unique_ptr<QInputDialog> MakeInputDialog(const QString& caption, const QString& prompt, const QString& value)
{
    auto dialog = std::make_unique<QInputDialog>();
    dialog->setWindowTitle(caption);
    dialog->setLabelText(prompt);
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setTextEchoMode(QLineEdit::Normal);
    dialog->setTextValue(value);
    // The dialog's layout sets the window's minimum size from its widgets,
    // so the room goes to the text field, less the layout's side margins.
    if (auto* edit = dialog->findChild<QLineEdit*>()) {
        const QStyle* stil = dialog->style();
        const int raender = stil->pixelMetric(QStyle::PM_LayoutLeftMargin) + stil->pixelMetric(QStyle::PM_LayoutRightMargin);
        edit->setMinimumWidth(std::max(0, InputTitleWidth(caption) - raender));
    }
    return dialog;
}

QString PromptKindName(TPromptKind kind)
{
    static const char* names[] = {"Message", "Dialog", "Box", "Input", "Exception", "OpenFile",
                                  "SaveFile", "Folder", "Color", "Font", "PrinterSetup", "Modal"};
    return names[int(kind)];
}

TPromptService* PromptService() { return g_service ? g_service : &DialogService(); }

TPromptService* SetPromptService(TPromptService* service)
{
    TPromptService* before = g_service;
    g_service = service;
    return before;
}

QString MsgDlgCaption(TMsgDlgType type)
{
    switch (type) {
    case mtWarning: return "Warnung";
    case mtError: return "Fehler";
    case mtInformation: return "Information";
    case mtConfirmation: return QString::fromUtf8("Bestätigen");
    default: return Application->Title();
    }
}

QString MsgDlgButtonCaption(TMsgDlgBtn button)
{
    static const char* captions[] = {"&Ja", "&Nein", "OK", "Abbrechen", "&Abbrechen", "&Wiederholen",
                                     "&Ignorieren", "&Alle", "N&ein für alle", "J&a für alle", "&Hilfe"};
    return QString::fromUtf8(captions[button]);
}

TModalResult MsgDlgButtonResult(TMsgDlgBtn button)
{
    static const TModalResult results[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry,
                                           mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone};
    return results[button];
}

std::vector<std::pair<QString, int>> MessageBoxButtons(int flags)
{
    switch (flags & 0x0F) {
    case MB_OKCANCEL: return {{"OK", IDOK}, {"Abbrechen", IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{"&Abbrechen", IDABORT}, {"&Wiederholen", IDRETRY}, {"&Ignorieren", IDIGNORE}};
    case MB_YESNOCANCEL: return {{"&Ja", IDYES}, {"&Nein", IDNO}, {"Abbrechen", IDCANCEL}};
    case MB_YESNO: return {{"&Ja", IDYES}, {"&Nein", IDNO}};
    case MB_RETRYCANCEL: return {{"&Wiederholen", IDRETRY}, {"Abbrechen", IDCANCEL}};
    default: return {{"OK", IDOK}};
    }
}

namespace {

// While one of Qt's dialogs runs its own loop (a wait, so an end asked for
// meanwhile does not run under it): the end closes it as its Cancel (or its
// only button) would, so the code that asked goes on and control comes back
// to the main loop.
class TEndClosesDialog {
public:
    TEndClosesDialog()
    {
        timer_.setInterval(50);
        QObject::connect(&timer_, &QTimer::timeout, [] {
            if (Application->EndRequested())
                if (QWidget* dialog = QApplication::activeModalWidget())
                    dialog->close();
        });
        timer_.start();
    }

private:
    const TEventWait wait_;
    QTimer timer_;
};

}  // namespace

int TDialogPromptService::Show(const TPrompt& p, QString* value)
{
    if (QGuiApplication::platformName() == "offscreen")
        throw std::runtime_error(("Abfrage ohne Antwort im Test (" + PromptKindName(p.Kind) + "): " + p.Caption +
                                  " / " + p.Text).toStdString());
    const TEndClosesDialog endCloses;
    switch (p.Kind) {
    case TPromptKind::Message:
    case TPromptKind::Exception:
        RunBox(p.Caption, p.Text, p.Kind == TPromptKind::Exception ? QMessageBox::Critical : QMessageBox::NoIcon,
               {{"OK", mrOk}}, 0, mrOk);
        return mrOk;
    case TPromptKind::Dialog: {
        std::vector<std::pair<QString, int>> buttons;
        int defaultIndex = -1, escape = mrCancel;
        for (int b = mbYes; b <= mbHelp; ++b)
            if (p.Buttons.Contains(TMsgDlgBtn(b)) && b != mbHelp)
                buttons.emplace_back(MsgDlgButtonCaption(TMsgDlgBtn(b)), MsgDlgButtonResult(TMsgDlgBtn(b)));
        // Help asks for the dialog's topic; the dialog comes back for the answer.
        const int helpResult = -1;
        if (p.Buttons.Contains(mbHelp))
            buttons.emplace_back(MsgDlgButtonCaption(mbHelp), helpResult);
        // The framework's default is OK, else Yes; Esc gives Cancel, else No, else OK.
        for (size_t i = 0; i < buttons.size(); ++i)
            if (buttons[i].second == mrOk || (buttons[i].second == mrYes && defaultIndex < 0))
                defaultIndex = int(i);
        if (!p.Buttons.Contains(mbCancel))
            escape = p.Buttons.Contains(mbNo) ? mrNo : mrOk;
        for (;;) {
            int result = RunBox(p.Caption, p.Text, IconOf(p.DlgType), buttons, std::max(0, defaultIndex), escape);
            if (result != helpResult)
                return result;
            Application->HelpContext(p.HelpContext);
        }
    }
    case TPromptKind::Box: {
        auto buttons = MessageBoxButtons(p.Flags);
        int defaultIndex = std::min(int(buttons.size()) - 1, (p.Flags >> 8) & 0x0F);
        int escape = IDCANCEL;
        if ((p.Flags & 0x0F) == MB_OK)
            escape = IDOK;
        return RunBox(p.Caption, p.Text, IconOfFlags(p.Flags), buttons, defaultIndex, escape);
    }
    case TPromptKind::Input: {
        const std::unique_ptr<QInputDialog> dialog = MakeInputDialog(p.Caption, p.Text, p.Value);
        const bool ok = dialog->exec() == QDialog::Accepted;
        if (ok && value)
            *value = dialog->textValue();
        return ok ? mrOk : mrCancel;
    }
    case TPromptKind::OpenFile:
    case TPromptKind::SaveFile: {
        // A bare file name opens in the initial folder.
        QString dir = DialogStart(p.InitialDir);
        if (!p.Value.isEmpty()) {
            const int slash = std::max(p.Value.lastIndexOf(u'\\'), p.Value.lastIndexOf(u'/'));
            dir = slash < 0 ? (dir.isEmpty() ? p.Value : dir + u'/' + p.Value)
                            : DialogStart(p.Value.left(slash + 1)) + u'/' + p.Value.mid(slash + 1);
        }
        QStringList chosen;
        if (p.Kind == TPromptKind::SaveFile)
            chosen << QFileDialog::getSaveFileName(nullptr, p.Caption, dir, QtFilter(p.Filter));
        else if (p.MultiSelect)
            chosen = QFileDialog::getOpenFileNames(nullptr, p.Caption, dir, QtFilter(p.Filter));
        else if (p.NeueDateiErlaubt) {
            const std::unique_ptr<QFileDialog> dialog = MakeOpenAnyFileDialog(p.Caption, dir, QtFilter(p.Filter));
            if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
                chosen << dialog->selectedFiles().front();
        }
        else
            chosen << QFileDialog::getOpenFileName(nullptr, p.Caption, dir, QtFilter(p.Filter));
        chosen.removeAll(QString());
        if (chosen.isEmpty())
            return mrCancel;
        for (QString& c : chosen)
            c = ProgramPath(c);
        if (value)
            *value = chosen.join('\n');
        return mrOk;
    }
    case TPromptKind::Folder: {
        QString chosen = QFileDialog::getExistingDirectory(nullptr, p.Caption, DialogStart(p.Value));
        if (chosen.isEmpty())
            return mrCancel;
        if (value)
            *value = ProgramPath(chosen);
        return mrOk;
    }
    case TPromptKind::Color: {
        QColor c = QColorDialog::getColor(ColorToQColor(p.Value.toInt()), nullptr, p.Caption);
        if (!c.isValid())
            return mrCancel;
        if (value)
            *value = QString::number(QColorToColor(c));
        return mrOk;
    }
    case TPromptKind::Font: {
        bool ok = false;
        QFont initial;
        initial.fromString(p.Value);
        QFont f = QFontDialog::getFont(&ok, initial, nullptr, p.Caption);
        if (ok && value)
            *value = f.toString();
        return ok ? mrOk : mrCancel;
    }
    case TPromptKind::PrinterSetup: {
        // The print dialog on a copy of the settings, without the choices of
        // one print run (pages, copies, file): printer, paper, orientation.
        QPrinter printer(QPrinter::HighResolution);
        ApplyPrinterSetupText(printer, p.Value);
        QPrintDialog dialog(&printer);
        dialog.setWindowTitle(p.Caption);
        dialog.setOptions(QAbstractPrintDialog::PrintDialogOptions());
        if (dialog.exec() != QDialog::Accepted)
            return mrCancel;
        if (value)
            *value = PrinterSetupText(printer);
        return mrOk;
    }
    case TPromptKind::Modal:
        break;
    }
    return mrCancel;
}

TModalResult TDialogPromptService::ShowModal(TCustomForm& form)
{
    if (QGuiApplication::platformName() == "offscreen")
        throw std::runtime_error(("Modales Fenster ohne Antwort im Test: " + form.Name + " / " + form.Caption()).toStdString());
    form.BeginModal();
    form.ModalLoop(-1);
    TModalResult result = form.ModalResult;
    form.EndModal();
    return result;
}
