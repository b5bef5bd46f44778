#pragma once
// The image window's dialogs switch the application's help file to the
// picture help while they are open and restore the previous one when they
// close: a member of this type does both. Their help buttons ask for the
// help file's contents, as every help button without a topic does.

#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"

class TPicUserHelp {
public:
    TPicUserHelp() : previous_(Application->HelpFile) { Application->HelpFile = "PICUSER.HLP"; }
    ~TPicUserHelp() { Application->HelpFile = previous_; }
    TPicUserHelp(const TPicUserHelp&) = delete;
    TPicUserHelp& operator=(const TPicUserHelp&) = delete;

    // Makes the button a help button of the dialog.
    static void Button(TButton* button)
    {
        button->OnClick = [](TObject*) { Application->HelpCommand(HELP_CONTENTS, 0); };
    }

private:
    QString previous_;
};
