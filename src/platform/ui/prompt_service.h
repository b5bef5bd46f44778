#pragma once
// The one way every message box, question, input box, common dialog and
// modal form of the program reaches the user. The program shows real
// dialogs; a test installs a scripted answerer (prompt_script.h) that
// records each prompt and answers it from its script, so nothing waits for
// a person.

#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "platform/ui/framework_types.h"

class TCustomForm;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
inline constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

enum class TPromptKind {
    Message,       // ShowMessage: OK only; answer mrOk
    Dialog,        // MessageDlg: answer a modal result (mrYes ...)
    Box,           // Application->MessageBox: MB_ flags, answer IDOK ... IDNO
    Input,         // InputBox / InputQuery: answer mrOk or mrCancel, value = the text
    Exception,     // the application's exception box; answer mrOk
    OpenFile,      // file dialogs: value = chosen path(s), one a line
    SaveFile,
    Folder,        // folder choice: value = the folder
    Color,         // value = the colour as a decimal TColor
    Font,          // value = QFont::toString of the chosen font
    PrinterSetup,  // answer mrOk or mrCancel
    Modal,         // a form shown with ShowModal
};

// The program speaks of Windows-form paths ("C:\\Bilder"), Qt's file
// dialogs of Linux ones: the folder a dialog starts in (empty when the path
// does not resolve) and the program's form of what the user chose.
QString DialogStart(const QString& winPath);
QString ProgramPath(const QString& linuxPath);

// Name of a kind for messages ("Dialog", "Box" ...).
QString PromptKindName(TPromptKind kind);

class QFileDialog;
class QInputDialog;
// The input box the dialog service shows for an Input prompt: caption, prompt
// and default text, at least as wide as its title needs in the title bar
// (InputTitleWidth), so the window manager never cuts the title short.
std::unique_ptr<QInputDialog> MakeInputDialog(const QString& caption, const QString& prompt, const QString& value);

// The open dialog for a file that may not be there yet (the caller creates
// it or reports it missing), started in `start`: a folder, or a file whose
// name is preset.
std::unique_ptr<QFileDialog> MakeOpenAnyFileDialog(const QString& caption, const QString& start, const QString& filter);
// The width every input and message box keeps for `caption` in its title bar:
// the title, bold and a quarter larger, beside the window icon and four buttons.
int InputTitleWidth(const QString& caption);

struct TPrompt {
    TPromptKind Kind = TPromptKind::Message;
    QString Caption;
    QString Text;
    TMsgDlgType DlgType = mtCustom;
    TMsgDlgButtons Buttons;
    int Flags = 0;       // MB_ flags of a Box
    QString Value;       // default text, file name, folder, colour
    QString Filter;      // file dialogs, in the framework's "Text|*.ext|..." form
    QString InitialDir;
    QString DefaultExt;
    bool MultiSelect = false;
    // An open dialog also takes the name of a file that is not there yet
    // (the caller creates it or says it is missing).
    bool NeueDateiErlaubt = false;
    // A message dialog's Help button asks Application->HelpContext for this
    // topic and leaves the dialog open.
    int HelpContext = 0;
    TCustomForm* Form = nullptr;
};

class TPromptService {
public:
    virtual ~TPromptService() = default;
    // Shows the prompt and gives its answer; value receives the text of
    // input boxes and the choice of common dialogs.
    virtual int Show(const TPrompt& prompt, QString* value) = 0;
    // Runs a modal form and gives its modal result.
    virtual TModalResult ShowModal(TCustomForm& form) = 0;
};

// The service in use: the installed one, else the real dialogs.
TPromptService* PromptService();
// Installs a service (nullptr: the real dialogs) and gives the one before.
TPromptService* SetPromptService(TPromptService* service);

// The real dialogs. Under the offscreen platform, where nobody could answer,
// a prompt raises std::runtime_error naming its text instead of waiting.
class TDialogPromptService : public TPromptService {
public:
    int Show(const TPrompt& prompt, QString* value) override;
    TModalResult ShowModal(TCustomForm& form) override;
};

// Captions the framework gives message dialogs and their buttons.
QString MsgDlgCaption(TMsgDlgType type);
QString MsgDlgButtonCaption(TMsgDlgBtn button);
TModalResult MsgDlgButtonResult(TMsgDlgBtn button);
// The buttons of a message box's MB_ flags, in order, with their ID results.
std::vector<std::pair<QString, int>> MessageBoxButtons(int flags);
