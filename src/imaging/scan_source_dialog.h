#pragma once
// The source selection: the scanners and cameras SANE finds, one chosen
// with OK.

#include <QList>

#include "platform/picture/picture_scanner.h"
#include "platform/ui/forms.h"

class TListBox;
class TLabel;
class TButton;

class TDlgScanSource : public TForm {
public:
    TDlgScanSource(TComponent* AOwner, const QList<TScanSource>& sources, const QString& current);
    TLabel* Prompt = nullptr;
    TListBox* Sources = nullptr;
    TButton* OkButton = nullptr;
    TButton* CancelButton = nullptr;
    // The device name of the entry chosen; empty without one.
    QString Chosen() const;

private:
    QList<TScanSource> sources_;
};

// Shows the dialog; true and the device name in `chosen` after OK with an
// entry chosen.
bool ChooseScanSource(const QList<TScanSource>& sources, QString& chosen);
