#include "imaging/scan_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

#include "imaging/form_place.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/std_ctrls.h"

namespace {

QString UnitText(int unit)
{
    switch (unit) {
    case 1: return " Pixel";
    case 2: return " Bit";
    case 3: return " mm";
    case 4: return " dpi";
    case 5: return " %";
    case 6: return " µs";
    default: return QString();
    }
}

QWidget* MakeEditor(const TScanOption& o, QWidget* parent)
{
    QWidget* w = nullptr;
    if (o.Kind == TScanOption::soBool) {
        auto* box = new QCheckBox(o.Title, parent);
        box->setChecked(o.Value == "1");
        w = box;
    } else if (!o.Choices.isEmpty() && o.Kind != TScanOption::soButton) {
        auto* combo = new QComboBox(parent);
        combo->addItems(o.Choices);
        int at = int(o.Choices.indexOf(o.Value));
        if (at < 0 && o.Kind != TScanOption::soString)  // "300" against "300.0"
            for (int i = 0; i < o.Choices.size() && at < 0; ++i)
                if (o.Choices[i].toDouble() == o.Value.toDouble())
                    at = i;
        combo->setCurrentIndex(at);
        w = combo;
    } else if (o.Kind == TScanOption::soInt && o.HasRange) {
        auto* spin = new QSpinBox(parent);
        spin->setRange(int(o.Min), int(o.Max));
        spin->setSingleStep(std::max(1, int(o.Quant)));
        spin->setValue(o.Value.toInt());
        spin->setSuffix(UnitText(o.Unit));
        w = spin;
    } else if (o.Kind == TScanOption::soFixed && o.HasRange) {
        auto* spin = new QDoubleSpinBox(parent);
        spin->setDecimals(2);
        spin->setRange(o.Min, o.Max);
        spin->setSingleStep(o.Quant > 0 ? o.Quant : 1.0);
        spin->setValue(o.Value.toDouble());
        spin->setSuffix(UnitText(o.Unit));
        w = spin;
    } else if (o.Kind == TScanOption::soButton) {
        w = new QPushButton(o.Title, parent);
    } else {
        w = new QLineEdit(o.Value, parent);
    }
    w->setObjectName(o.Name);
    w->setToolTip(o.Description);
    w->setEnabled(o.Active && o.Settable);
    return w;
}

}  // namespace

TDlgScanSettings::TDlgScanSettings(TComponent* AOwner, TScanSession& session)
    : TForm(AOwner), session_(session), options_(session.Options())
{
    Name = "DlgScanSettings";
    SetCaption("Scannereinstellungen - " + session.Source());
    SetBorderStyle(bsDialog);
    SetClientWidth(460);
    SetClientHeight(480);

    auto* scroll = new QScrollArea(Handle());
    scroll->setGeometry(8, 8, 444, 426);
    scroll->setWidgetResizable(true);
    auto* inhalt = new QWidget;
    auto* spalte = new QVBoxLayout(inhalt);
    QFormLayout* zeilen = nullptr;
    auto gruppe = [&](const QString& titel) {
        auto* box = new QGroupBox(titel, inhalt);
        zeilen = new QFormLayout(box);
        spalte->addWidget(box);
    };
    for (const TScanOption& o : options_) {
        if (o.Kind == TScanOption::soGroup) {
            gruppe(o.Title);
            continue;
        }
        if (!zeilen)
            gruppe("Allgemein");
        QWidget* editor = MakeEditor(o, inhalt);
        editors_.insert(o.Name, editor);
        if (o.Kind == TScanOption::soBool || o.Kind == TScanOption::soButton)
            zeilen->addRow(editor);
        else
            zeilen->addRow(o.Title + ":", editor);
        if (auto* knopf = qobject_cast<QPushButton*>(editor))
            QObject::connect(knopf, &QPushButton::clicked, knopf, [this, name = o.Name] {
                TPicError err;
                if (!session_.PressButton(name, err))
                    ShowMessage(err.Text);
            });
    }
    spalte->addStretch();
    scroll->setWidget(inhalt);

    OkButton = Place<TButton>(this, this, 286, 444, 80, 25, "OK");
    OkButton->SetDefault(true);
    OkButton->OnClick = [this](TObject*) {
        if (Apply())
            ModalResult = mrOk;
    };
    CancelButton = Place<TButton>(this, this, 372, 444, 80, 25, "Abbrechen");
    CancelButton->ModalResult = mrCancel;
    CancelButton->Cancel = true;
    Loaded();
}

QString TDlgScanSettings::EditorValue(const QString& name) const
{
    QWidget* w = editors_.value(name);
    if (auto* box = qobject_cast<QCheckBox*>(w))
        return box->isChecked() ? "1" : "0";
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return combo->currentText();
    if (auto* spin = qobject_cast<QSpinBox*>(w))
        return QString::number(spin->value());
    if (auto* spin = qobject_cast<QDoubleSpinBox*>(w))
        return QString::number(spin->value());
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    return QString();
}

bool TDlgScanSettings::Apply()
{
    for (const TScanOption& o : options_) {
        if (o.Kind == TScanOption::soGroup || o.Kind == TScanOption::soButton || !o.Active || !o.Settable)
            continue;
        const QString wert = EditorValue(o.Name);
        const bool gleich = o.Kind == TScanOption::soFixed || (o.Kind == TScanOption::soInt && !wert.isEmpty())
                                ? std::fabs(wert.toDouble() - o.Value.toDouble()) < 1e-6
                                : wert == o.Value;
        if (gleich)
            continue;
        // Setting one option can switch others on or off: they take what
        // the window shows only while they may.
        if (!session_.OptionWritable(o.Name))
            continue;
        TPicError err;
        if (!session_.SetOption(o.Name, wert, err)) {
            ShowMessage(err.Text);
            return false;
        }
    }
    return true;
}

bool ShowScanSettings(TScanSession& session)
{
    TDlgScanSettings dlg(Application, session);
    return dlg.ShowModal() == mrOk;
}
