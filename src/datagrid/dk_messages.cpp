#include "datagrid/dk_messages.h"

void dkShowMessage(TMsgDlgType type, const QString& text)
{
    TPrompt p;
    p.Kind = TPromptKind::Dialog;
    p.DlgType = type;
    p.Buttons = TMsgDlgButtons{mbOK};
    p.Caption = MsgDlgCaption(type);
    p.Text = text;
    PromptService()->Show(p, nullptr);
}

void dkShowWarning(const QString& text) { dkShowMessage(mtWarning, text); }
