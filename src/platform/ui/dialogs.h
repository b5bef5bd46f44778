#pragma once
// Message dialogs, input boxes and the common dialogs; all go through the
// prompt service.

#include <QStringList>

#include "platform/ui/component.h"
#include "platform/ui/graphics.h"
#include "platform/ui/prompt_service.h"

class QPrinter;

void ShowMessage(const QString& Msg);
TModalResult MessageDlg(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx = 0);
TModalResult MessageDlgPos(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X, int Y);
QString InputBox(const QString& ACaption, const QString& APrompt, const QString& ADefault);
bool InputQuery(const QString& ACaption, const QString& APrompt, QString& Value);
// Lets the user choose a folder; true and the folder in Directory on OK.
bool SelectDirectory(const QString& Caption, const QString& Root, QString& Directory);

enum TOpenOption { ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofAllowMultiSelect,
                   ofPathMustExist, ofFileMustExist, ofCreatePrompt, ofNoValidate };
using TOpenOptions = TSet<TOpenOption>;

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}
    QString FileName;
    QStringList Files;
    QString Filter;
    int FilterIndex = 1;
    QString InitialDir;
    QString Title;
    QString DefaultExt;
    TOpenOptions Options{ofHideReadOnly};
    virtual bool Execute();

protected:
    bool Run(TPromptKind kind);
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
    bool Execute() override;
};

class TColorDialog : public TComponent {
public:
    explicit TColorDialog(TComponent* AOwner) : TComponent(AOwner) {}
    TColor Color = clBlack;
    bool Execute();
};

class TFontDialog : public TComponent {
public:
    explicit TFontDialog(TComponent* AOwner) : TComponent(AOwner) {}
    TFont* Font() { return &font_; }
    bool Execute();

private:
    TFont font_;
};

// The program's printer: the printer, paper and orientation that printing
// uses, chosen with TPrinterSetupDialog.
QPrinter* Printer();
// The printer's settings as the print setup prompt carries them, one
// "Key=value" a line: Printer (name, empty: the default), Paper (Qt's page
// size key, "A4"), Orientation ("Portrait" or "Landscape").
QString PrinterSetupText(const QPrinter& printer);
// Takes such a text; unknown printers, papers and keys are left alone.
void ApplyPrinterSetupText(QPrinter& printer, const QString& text);

// The print setup dialog: Execute shows the printer choice for Printer()
// (answer mrOk with the settings text, or mrCancel) and takes the choice.
class TPrinterSetupDialog : public TComponent {
public:
    explicit TPrinterSetupDialog(TComponent* AOwner) : TComponent(AOwner) {}
    bool Execute();
};
