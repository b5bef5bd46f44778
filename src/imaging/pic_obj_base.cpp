#include "imaging/pic_obj_base.h"

#include "platform/picture/picture_io.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/std_ctrls.h"

QString TPicObjError::OperationText() const
{
    static const char* const names[] = {"New", "Del", "Access", "Assign", "Invoke", "Copy"};
    const int op = record_.Operation;
    if (op >= 1 && op <= 6)
        return names[op - 1];
    if (op >= 101)
        return QString::number(op);
    return QString();
}

QString TPicObjError::ParameterText() const
{
    if (record_.ParameterIsAddress)
        return "Ptr or String";
    return record_.Parameter == 0 ? QString() : QString::number(record_.Parameter);
}

QString TPicObjError::ApplicationText() const
{
    return record_.Raiser ? record_.Raiser->ApplicationName() : QString();
}

QString TPicObjError::FamilyText() const
{
    const QString hex = QString("%1").arg(record_.Property >> 24, 2, 16, QChar('0')).toUpper();
    if (hex == "00") return "Object";
    if (hex == "01") return "Images";
    if (hex == "02") return "Business";
    if (hex == "03") return "MultiMedia";
    return QString();
}

QString TPicObjError::ClassText() const
{
    const QString hex = QString("%1").arg(record_.Property >> 16, 4, 16, QChar('0')).toUpper();
    static const std::pair<const char*, const char*> classes[] = {
        {"0000", "Context"}, {"0001", "Abstract"}, {"0002", "Error"}, {"0003", "Application"},
        {"0100", "Application"}, {"0101", "Image"}, {"0200", "Application"}, {"0201", "Graph"},
        {"0202", "Column"}, {"0203", "Axis X"}, {"0204", "Axis Y"}, {"0205", "Legend"}, {"0206", "Font"},
        {"0300", "Application"}, {"0301", "WAVE"}, {"0302", "AVI"}, {"0303", "MIDI"},
    };
    for (const auto& [code, text] : classes)
        if (hex == code)
            return text;
    return "Unknown";
}

TDlgError::TDlgError(TComponent* AOwner) : TForm(AOwner)
{
    SetCaption("Picture Objects Error Handler");
    SetBorderStyle(bsDialog);
    SetClientWidth(420);
    SetClientHeight(260);
    Location = new TGroupBox(this);
    Location->SetParent(this);
    Location->SetCaption("Location");
    Location->SetBounds(8, 8, 404, 206);
    static const char* const captions[] = {"Application :", "Picture Objects :", "Action :", "Property :",
                                           "Property # :", "Class :", "Parameter :", "Message :"};
    for (int i = 0; i < 8; ++i) {
        captions_[size_t(i)] = new TLabel(this);
        captions_[size_t(i)]->SetParent(Location);
        captions_[size_t(i)]->SetCaption(captions[i]);
        captions_[size_t(i)]->SetBounds(10, 22 + i * 22, 110, 16);
        values_[size_t(i)] = new TLabel(this);
        values_[size_t(i)]->SetParent(Location);
        values_[size_t(i)]->SetAutoSize(false);
        values_[size_t(i)]->SetBounds(124, 22 + i * 22, 270, 16);
        values_[size_t(i)]->SetCaption(QString());
    }
    OkButton = new TButton(this);
    OkButton->SetParent(this);
    OkButton->SetCaption("OK");
    OkButton->ModalResult = mrOk;
    OkButton->SetDefault(true);
    OkButton->SetBounds(172, 224, 75, 25);
    Loaded();
}

void TDlgError::Fill(const TPicObjError& error)
{
    const QString texts[] = {
        error.ApplicationText(), error.FamilyText(), error.OperationText(), error.PropertyName(),
        QString("%1").arg(error.PropertyNumber(), 8, 16, QChar('0')).toUpper(), error.ClassText(),
        error.ParameterText(), error.GetLLErrorText(),
    };
    for (int i = 0; i < 8; ++i)
        values_[size_t(i)]->SetCaption(texts[i]);
}

TPicObjBase::TPicObjBase(TComponent* AOwner) : TCustomControl(AOwner)
{
    PicLibraryInit();
    library_ = std::make_unique<TPicLibraryObject>("MyApp");
    library_->Status = 0;
    library_->ErrorCallback = [this](const TPicErrorRecord& r) { HandleLibraryError(r); };
    library_->UserData = this;
    SetErrorDialogEnabled(true);
}

TPicObjBase::~TPicObjBase()
{
    if (library_)
        library_->ErrorCallback = nullptr;
}

void TPicObjBase::SetErrorDialogEnabled(bool v)
{
    errorDialogEnabled_ = v;
    if (library_)
        library_->ErrorDialogMode = v ? 2 : 0;
}

void TPicObjBase::ReportError(int code, const QString& text, int operation, uint32_t property,
                              const QString& propertyName, int64_t parameter, bool parameterIsAddress)
{
    if (!library_)
        return;
    TPicErrorRecord r;
    r.Code = code;
    r.Text = text.isEmpty() ? PicErrorText(code) : text;
    r.Operation = operation;
    r.Property = property;
    r.PropertyName = propertyName;
    r.Parameter = parameter;
    r.ParameterIsAddress = parameterIsAddress;
    library_->RaiseError(r);
}

void TPicObjBase::HandleLibraryError(const TPicErrorRecord& record)
{
    auto* control = record.Raiser ? static_cast<TPicObjBase*>(record.Raiser->UserData) : nullptr;
    if (!control || !control->ErrorDialogEnabled())
        return;
    TPicObjError error(record);
    bool callStd = true;
    if (control->OnLLError)
        control->OnLLError(control, callStd, &error);
    if (!callStd)
        return;
    if (record.Code == peTwain) {
        Application->MessageBox(
            "Error attempting to acquire an image.No TWAIN device available or scan operation aborted",
            "Fehler", MB_OK | MB_ICONERROR);
        return;
    }
    TDlgError dlg(Application);
    dlg.Fill(error);
    dlg.ShowModal();
}
