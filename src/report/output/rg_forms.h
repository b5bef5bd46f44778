#pragma once
// The engine's forms. The engine never names its concrete dialogs: it knows
// abstract form classes with the data it exchanges with them, and asks the
// form registry which concrete form was registered for one. The concrete
// forms (preview, cancel dialog, print dialog, template dialogs) register
// themselves at start-up; tests register their own in their place.

#include <QString>

#include <functional>
#include <memory>

#include "platform/core/string_list.h"
#include "platform/ui/ext_ctrls.h"
#include "platform/ui/forms.h"
#include "report/output/rg_device.h"
#include "report/output/rg_types.h"

class TrgPrinter;
class TrgPrinterSetup;
class TrgPublisher;
class TrgViewer;

// What the engine's forms and the viewer ask of the report that runs them
// (the producer implements it).
class TrgFormReport {
public:
    virtual ~TrgFormReport() = default;
    // The publisher the screen device joins; nullptr while there is none.
    virtual TrgPublisher* FormPublisher() = 0;
    // Asks the running job to stop.
    virtual void Cancel() = 0;
    virtual TrgDeviceType Device() const = 0;
    virtual void SetDevice(TrgDeviceType Value) = 0;
    // The page the print dialog offers as "Current Page".
    virtual void SetCurrentPage(int Value) = 0;
    // Prints on the device chosen by Device.
    virtual void PrintToDevice() = 0;
    // The report's printer setup; the blank preview sheet takes its paper.
    virtual const TrgPrinterSetup* FormPrinterSetup() const = 0;
};

// The base of every engine form: the report it serves, the language block
// its texts come from, and hooks through which the producer follows it.
class TrgForm : public TForm {
public:
    explicit TrgForm(TComponent* AOwner);
    ~TrgForm() override;

    using TFormHook = std::function<void(TrgForm* Form)>;
    TFormHook OnActivateHook;
    TFormHook OnDestroyHook1;
    TFormHook OnDestroyHook2;

    int LanguageIndex() const { return languageIndex_; }
    // Stores the index and reloads the texts (LanguageChanged).
    void SetLanguageIndex(int Value);
    TComponent* Report() const { return report_; }
    // Stores the report and connects the controls (ReportAssigned).
    void SetReport(TComponent* Value);
    // The report as the forms use it; nullptr when it is not one.
    TrgFormReport* FormReport() const { return dynamic_cast<TrgFormReport*>(report_); }

    // The form's text at Offset in its language block.
    QString LanguageString(int Offset) const;

    // Runs the activation: OnActivate, then the activate hook.
    virtual void Activate();

protected:
    virtual void LanguageChanged() {}
    virtual void ReportAssigned() {}

private:
    int languageIndex_ = 43000;
    TComponent* report_ = nullptr;
};

class TrgCustomPreviewer : public TrgForm {
public:
    using TrgForm::TrgForm;
    // The form's viewer; nullptr in the base.
    virtual TrgViewer* GetViewer() { return nullptr; }
};

// The progress window of a print: the message shown, the cancel button and
// a timer that ends a modal display once the job is done.
class TrgCustomCancelDialog : public TrgForm, public TrgProgressView {
public:
    explicit TrgCustomCancelDialog(TComponent* AOwner);
    ~TrgCustomCancelDialog() override;

    bool CancelEnabled = false;
    std::function<void(TrgCustomCancelDialog* Dialog)> OnCancelHook;
    // How long a job runs before the window shows (milliseconds): the job
    // runs while the dialog is being shown, so a print that is over at once
    // shows nothing, a longer one shows its progress and its cancel button
    // once it has run that long (the job lets events through as it goes).
    int ShowDelay = 500;

    QString Message() const override { return message_; }
    // Stores the text and shows it (MessageChanged).
    void SetMessage(const QString& Value) override;
    // A second line under the message that the program fills while a page
    // is made (the entry it is at); empty: none.
    QString Detail() const { return detail_; }
    void SetDetail(const QString& Value);
    // Starts the close timer; its first tick ends a modal display with OK.
    void EnableTimer();
    TTimer* CloseTimer() const { return closeTimer_; }
    bool ModalShown() const { return modal_; }
    // Shows the dialog modally and returns when it closes.
    TModalResult ShowModalDialog();
    // The user cancels: the cancel hook.
    void DoCancel();
    // The form that was disabled while the dialog showed; nullptr when none.
    TCustomForm* DisabledForm() const { return disabledForm_; }

protected:
    virtual void MessageChanged() {}
    void ApplyVisible() override;
    // Forgets the disabled form when it is freed first.
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void DisableActiveForm();
    void EnableDisabledForm();

    // Shows the window now, while the job that runs inside its showing goes on.
    void ShowDuringJob();

    TCustomForm* disabledForm_ = nullptr;
    bool modal_ = false;
    QString message_;
    QString detail_;
    TTimer* closeTimer_ = nullptr;
    TTimer* showTimer_ = nullptr;
};

// The choices of the print dialog, as the producer fills and reads them.
class TrgCustomPrintDialog : public TrgForm {
public:
    using TrgForm::TrgForm;

    bool AllowPrintToArchive = false;
    bool AllowPrintToFile = false;
    QString ArchiveFileName;
    TStringList PageList;
    int PageRequested = 1;
    TrgPageSettingType PageSetting = psAll;
    bool PrinterSetupChanged = false;
    QString TextFileName;
    TrgPrinter* Printer = nullptr;
    bool PrintToArchive = false;
    bool PrintToTextFile = false;
};

// Abstract forms whose concrete dialogs belong to the template and design
// side of the engine; they are keys of the registry here.
class TrgCustomRTFEditor : public TrgForm { public: using TrgForm::TrgForm; };
class TrgCustomFormatDialog : public TrgForm { public: using TrgForm::TrgForm; };
class TrgCustomMemoDialog : public TrgForm { public: using TrgForm::TrgForm; };
class TrgCustomPictureDialog : public TrgForm { public: using TrgForm::TrgForm; };
class TrgCustomDBCalcDialog : public TrgForm { public: using TrgForm::TrgForm; };
class TrgCustomShiftDialog : public TrgForm { public: using TrgForm::TrgForm; };
class TrgCustomDrillDownDialog : public TrgForm { public: using TrgForm::TrgForm; };
// Shown for each error met while a template is read: Ignore, Cancel or
// Ignore All (modal results mrIgnore, mrCancel, mrAll).
class TrgCustomTemplateErrorDialog : public TrgForm {
public:
    using TrgForm::TrgForm;
    virtual QString GetMessage() const = 0;
    virtual void SetMessage(const QString& Value) = 0;
};
// Lets a user pick a template by name from a list (templates kept in a
// database), to open one or to save under a name.
class TrgCustomTemplateDialog : public TrgForm {
public:
    using TrgForm::TrgForm;
    static constexpr uint8_t ModeOpen = 0;
    static constexpr uint8_t ModeSave = 1;
    uint8_t Mode = ModeOpen;
    virtual QString GetTemplateName() const = 0;
    virtual TStringList GetTemplateNames() const = 0;
    virtual void SetTemplateNames(const TStringList& Names) = 0;
};
class TrgCustomPositionDialog : public TrgForm { public: using TrgForm::TrgForm; };
class TrgCustomBandPositionDialog : public TrgForm { public: using TrgForm::TrgForm; };
// The configuration of a bar code: the values it shows when it opens and,
// after OK, the ones chosen. The bar width is in the report's units.
class TrgCustomBarCodeDialog : public TrgForm {
public:
    using TrgForm::TrgForm;
    TrgLanguageType Language = lgEnglish;
    TrgBarCodeType BarCodeType = bcCode39;
    TrgBarCodeOrientation Orientation = orLeftToRight;
    float BarWidth = 0;
    float WideBarRatio = 3.0f;
    QString AddOnCode;
    bool BearerBars = false;
    bool CalcCheckDigit = true;
};

// ---- the form registry --------------------------------------------------------

// A concrete form class: its name and how to make one.
struct TrgFormClass {
    QString ClassName;
    std::function<TrgForm*(TComponent* Owner)> Create;
};

// Registers FormClass for the abstract class named AbstractName; an earlier
// registration for that name is replaced.
void rgRegisterFormClass(const QString& AbstractName, const TrgFormClass& FormClass);
// The form class registered for AbstractName; nullptr when none is.
const TrgFormClass* rgGetFormClass(const QString& AbstractName);
// Forgets every registration.
void rgClearFormClasses();

// The registry keyed by the abstract class's own name.
template <typename Abstract>
QString rgAbstractFormName();

#define RG_ABSTRACT_FORM_NAME(Class) \
    template <> inline QString rgAbstractFormName<Class>() { return QStringLiteral(#Class); }
RG_ABSTRACT_FORM_NAME(TrgCustomPreviewer)
RG_ABSTRACT_FORM_NAME(TrgCustomCancelDialog)
RG_ABSTRACT_FORM_NAME(TrgCustomPrintDialog)
RG_ABSTRACT_FORM_NAME(TrgCustomRTFEditor)
RG_ABSTRACT_FORM_NAME(TrgCustomFormatDialog)
RG_ABSTRACT_FORM_NAME(TrgCustomMemoDialog)
RG_ABSTRACT_FORM_NAME(TrgCustomPictureDialog)
RG_ABSTRACT_FORM_NAME(TrgCustomDBCalcDialog)
RG_ABSTRACT_FORM_NAME(TrgCustomShiftDialog)
RG_ABSTRACT_FORM_NAME(TrgCustomDrillDownDialog)
RG_ABSTRACT_FORM_NAME(TrgCustomTemplateErrorDialog)
RG_ABSTRACT_FORM_NAME(TrgCustomTemplateDialog)
RG_ABSTRACT_FORM_NAME(TrgCustomPositionDialog)
RG_ABSTRACT_FORM_NAME(TrgCustomBandPositionDialog)
RG_ABSTRACT_FORM_NAME(TrgCustomBarCodeDialog)
#undef RG_ABSTRACT_FORM_NAME

// Registers Concrete (named ConcreteName) for Abstract.
template <typename Abstract, typename Concrete>
void rgRegisterFormClass(const QString& ConcreteName)
{
    static_assert(std::is_base_of_v<Abstract, Concrete>);
    rgRegisterFormClass(rgAbstractFormName<Abstract>(),
                        {ConcreteName, [](TComponent* Owner) -> TrgForm* { return new Concrete(Owner); }});
}

// A new form of the class registered for Abstract; nullptr when none is.
template <typename Abstract>
Abstract* rgCreateForm(TComponent* Owner)
{
    const TrgFormClass* formClass = rgGetFormClass(rgAbstractFormName<Abstract>());
    if (!formClass)
        return nullptr;
    TrgForm* form = formClass->Create(Owner);
    if (auto* typed = dynamic_cast<Abstract*>(form))
        return typed;
    delete form;
    return nullptr;
}
