#pragma once
// The image window's dialogs switch the application's help file to the
// picture help while they are open and restore the previous one when they
// close: a member of this type does both.

#include "platform/ui/forms.h"

class TPicUserHelp {
public:
    TPicUserHelp() : previous_(Application->HelpFile) { Application->HelpFile = "PICUSER.HLP"; }
    ~TPicUserHelp() { Application->HelpFile = previous_; }
    TPicUserHelp(const TPicUserHelp&) = delete;
    TPicUserHelp& operator=(const TPicUserHelp&) = delete;

private:
    QString previous_;
};
