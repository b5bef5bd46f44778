#include "platform/ui/dialogs.h"

#include <QFileInfo>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/ui/forms.h"

void ShowMessage(const QString& Msg)
{
    TPrompt p;
    p.Kind = TPromptKind::Message;
    p.Caption = Application->Title();
    p.Text = Msg;
    p.Buttons = {mbOK};
    PromptService()->Show(p, nullptr);
}

TModalResult MessageDlg(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx)
{
    TPrompt p;
    p.Kind = TPromptKind::Dialog;
    p.Caption = MsgDlgCaption(DlgType);
    p.Text = Msg;
    p.DlgType = DlgType;
    p.Buttons = Buttons;
    p.HelpContext = HelpCtx;
    return PromptService()->Show(p, nullptr);
}

TModalResult MessageDlgPos(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int, int)
{
    return MessageDlg(Msg, DlgType, Buttons, HelpCtx);
}

bool InputQuery(const QString& ACaption, const QString& APrompt, QString& Value)
{
    TPrompt p;
    p.Kind = TPromptKind::Input;
    p.Caption = ACaption;
    p.Text = APrompt;
    p.Value = Value;
    QString answer = Value;
    if (PromptService()->Show(p, &answer) != mrOk)
        return false;
    Value = answer;
    return true;
}

QString InputBox(const QString& ACaption, const QString& APrompt, const QString& ADefault)
{
    QString value = ADefault;
    InputQuery(ACaption, APrompt, value);
    return value;
}

bool SelectDirectory(const QString& Caption, const QString& Root, QString& Directory)
{
    TPrompt p;
    p.Kind = TPromptKind::Folder;
    p.Caption = Caption;
    p.Value = Directory.isEmpty() ? Root : Directory;
    QString chosen;
    if (PromptService()->Show(p, &chosen) != mrOk || chosen.isEmpty())
        return false;
    Directory = chosen;
    return true;
}

bool TOpenDialog::Run(TPromptKind kind)
{
    TPrompt p;
    p.Kind = kind;
    p.Caption = Title.isEmpty() ? (kind == TPromptKind::SaveFile ? "Speichern unter" : QString::fromUtf8("Öffnen")) : Title;
    p.Value = FileName;
    p.Filter = Filter;
    p.InitialDir = InitialDir;
    p.DefaultExt = DefaultExt;
    p.MultiSelect = Options.Contains(ofAllowMultiSelect);
    p.NeueDateiErlaubt = !Options.Contains(ofFileMustExist);
    QString chosen;
    if (PromptService()->Show(p, &chosen) != mrOk || chosen.isEmpty())
        return false;
    Files = chosen.split('\n', Qt::SkipEmptyParts);
    FileName = Files.isEmpty() ? QString() : Files.front();
    if (!DefaultExt.isEmpty() && QFileInfo(FileName).suffix().isEmpty())
        FileName += "." + DefaultExt;
    return true;
}

bool TOpenDialog::Execute() { return Run(TPromptKind::OpenFile); }
bool TSaveDialog::Execute() { return Run(TPromptKind::SaveFile); }

bool TColorDialog::Execute()
{
    TPrompt p;
    p.Kind = TPromptKind::Color;
    p.Caption = "Farbe";
    p.Value = QString::number(Color);
    QString chosen;
    if (PromptService()->Show(p, &chosen) != mrOk)
        return false;
    bool ok = false;
    int c = chosen.toInt(&ok);
    if (ok)
        Color = c;
    return ok;
}

bool TFontDialog::Execute()
{
    TPrompt p;
    p.Kind = TPromptKind::Font;
    p.Caption = "Schriftart";
    p.Value = font_.ToQFont().toString();
    QString chosen;
    if (PromptService()->Show(p, &chosen) != mrOk)
        return false;
    QFont f;
    if (!f.fromString(chosen))
        return false;
    font_.SetName(f.family());
    if (f.pixelSize() > 0)
        font_.SetHeight(-f.pixelSize());
    else
        font_.SetSize(int(f.pointSizeF() + 0.5));
    TFontStyles st;
    if (f.bold()) st.Include(fsBold);
    if (f.italic()) st.Include(fsItalic);
    if (f.underline()) st.Include(fsUnderline);
    if (f.strikeOut()) st.Include(fsStrikeOut);
    font_.SetStyle(st);
    return true;
}

QPrinter* Printer()
{
    static QPrinter* printer = new QPrinter(QPrinter::HighResolution);
    return printer;
}

QString PrinterSetupText(const QPrinter& printer)
{
    const QPageLayout layout = printer.pageLayout();
    return QString("Printer=%1\nPaper=%2\nOrientation=%3")
        .arg(printer.outputFormat() == QPrinter::NativeFormat ? printer.printerName() : QString(),
             layout.pageSize().key(),
             layout.orientation() == QPageLayout::Landscape ? "Landscape" : "Portrait");
}

void ApplyPrinterSetupText(QPrinter& printer, const QString& text)
{
    for (const QString& line : text.split('\n')) {
        const QString key = line.section('=', 0, 0).trimmed(), value = line.section('=', 1).trimmed();
        if (key == "Printer" && !value.isEmpty() && QPrinterInfo::availablePrinterNames().contains(value)) {
            printer.setPrinterName(value);
        } else if (key == "Paper") {
            for (int id = 0; id <= int(QPageSize::LastPageSize); ++id)
                if (QPageSize::key(QPageSize::PageSizeId(id)).compare(value, Qt::CaseInsensitive) == 0) {
                    printer.setPageSize(QPageSize(QPageSize::PageSizeId(id)));
                    break;
                }
        } else if (key == "Orientation" && (value == "Portrait" || value == "Landscape")) {
            printer.setPageOrientation(value == "Landscape" ? QPageLayout::Landscape : QPageLayout::Portrait);
        }
    }
}

bool TPrinterSetupDialog::Execute()
{
    TPrompt p;
    p.Kind = TPromptKind::PrinterSetup;
    p.Caption = "Druckereinrichtung";
    p.Value = PrinterSetupText(*Printer());
    QString chosen;
    if (PromptService()->Show(p, &chosen) != mrOk)
        return false;
    ApplyPrinterSetupText(*Printer(), chosen);
    return true;
}
