#include "shared/routine_prompts.h"

#include "platform/core/exceptions.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/forms.h"

void RoutineMeldung(const QString& text)
{
    ShowMessage(text);
}

void RoutineWarnung(const QString& text)
{
    MessageDlg(text, mtWarning, {mbOK});
}

void RoutineBestaetigung(const QString& text)
{
    MessageDlg(text, mtConfirmation, {mbOK});
}

bool RoutineFrage(const QString& text)
{
    return MessageDlg(text, mtInformation, {mbYes, mbNo}) == mrYes;
}

void RoutineFehler(const QString& text)
{
    Application->ShowException(Exception(text));
}
