#pragma once
// The scanner's settings window: SANE sources bring no window of their own,
// so this one is built from the source's option descriptors. Each SANE group
// is a group box; a number with a range is a spin box, a list of strings or
// numbers a drop-down list, a switch a check box, a button a push button
// (pressed at once), other texts an edit; options the source marks inactive
// or read-only are shown disabled. OK sets the values that were changed, in
// the source's order.

#include <QList>
#include <QMap>

#include "platform/picture/picture_scanner.h"
#include "platform/ui/forms.h"

class QWidget;
class TButton;

class TDlgScanSettings : public TForm {
public:
    TDlgScanSettings(TComponent* AOwner, TScanSession& session);
    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;

    // The editor of an option (its object name is the option's name).
    QWidget* Editor(const QString& name) const { return editors_.value(name); }
    // The value an editor shows, as the session takes it.
    QString EditorValue(const QString& name) const;
    // Sets every changed value; false (after saying why) when one fails.
    bool Apply();

private:
    TScanSession& session_;
    QList<TScanOption> options_;
    QMap<QString, QWidget*> editors_;
};

// Shows the settings window for the open session; false when cancelled.
bool ShowScanSettings(TScanSession& session);
