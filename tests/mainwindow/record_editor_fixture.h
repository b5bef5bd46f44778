#pragma once
// Opens the main window's record editor as a user does, for the tests that
// work in it.

#include "datacontrols/dk_record_view.h"
#include "mainwindow/main_form.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"

#include <QApplication>

// Opens the record editor through its menu command, as the active window;
// null when it did not open.
inline TdkRecordViewForm* SatzeditorOeffnen(TMainForm& form)
{
    form.SatzeditorBilderClick(form.MenuItem("SatzeditorBilder"));
    TdkRecordViewForm* editor = form.RecordViewDialogBilder->Form();
    if (!editor)
        return nullptr;
    editor->Handle()->activateWindow();
    QApplication::setActiveWindow(editor->Handle());
    Application->ProcessMessages();
    return editor;
}
