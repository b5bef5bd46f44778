#pragma once
// The base of every image control: it owns one object of the image object
// library, hears of that object's errors and offers them to the program
// through OnLLError or the details dialog "Picture Objects Error Handler".

#include <array>
#include <functional>
#include <memory>

#include "platform/picture/picture_library.h"
#include "platform/ui/control.h"
#include "platform/ui/forms.h"

class TLabel;
class TGroupBox;
class TButton;

// One error of the library, as the error handlers see it.
class TPicObjError : public TObject {
public:
    explicit TPicObjError(const TPicErrorRecord& record) : record_(record) {}
    int ErrorCode() const { return record_.Code; }
    QString GetLLErrorText() const { return record_.Text; }
    // "New", "Del", "Access", "Assign", "Invoke", "Copy"; from 101 on the
    // number; anything else empty.
    QString OperationText() const;
    uint32_t PropertyNumber() const { return record_.Property; }
    QString PropertyName() const { return record_.PropertyName; }
    // "Ptr or String" for an address; else the value (empty when 0).
    QString ParameterText() const;
    // The application name of the library object that raised the error.
    QString ApplicationText() const;
    // "Object", "Images", "Business", "MultiMedia" by the property's family.
    QString FamilyText() const;
    // "Context", "Abstract", "Error", "Application", "Image", ... by its
    // class; "Unknown" for any other.
    QString ClassText() const;
    const TPicErrorRecord& Record() const { return record_; }

private:
    TPicErrorRecord record_;
};

// The details dialog of a library error.
class TDlgError : public TForm {
public:
    explicit TDlgError(TComponent* AOwner);
    // Fills the eight values from the error.
    void Fill(const TPicObjError& error);
    // The value label of row i (0 "Application :" ... 7 "Message :").
    TLabel* ValueLabel(int i) const { return values_[size_t(i)]; }
    TLabel* CaptionLabel(int i) const { return captions_[size_t(i)]; }
    TGroupBox* Location = nullptr;
    TButton* OkButton = nullptr;

private:
    std::array<TLabel*, 8> captions_{};
    std::array<TLabel*, 8> values_{};
};

class TPicObjBase;
using TLLErrorEvent = std::function<void(TPicObjBase* Sender, bool& CallStd, TPicObjError* Error)>;

class TPicObjBase : public TCustomControl {
public:
    explicit TPicObjBase(TComponent* AOwner);
    ~TPicObjBase() override;

    bool ErrorDialogEnabled() const { return errorDialogEnabled_; }
    void SetErrorDialogEnabled(bool v);
    TLLErrorEvent OnLLError;
    // The library object of the control (null when the library refused it).
    TPicLibraryObject* LibraryObject() const { return library_.get(); }

    // The library reports a failed call of this control's object.
    void ReportError(int code, const QString& text, int operation = poInvoke, uint32_t property = 0,
                     const QString& propertyName = QString(), int64_t parameter = 0, bool parameterIsAddress = false);

private:
    void HandleLibraryError(const TPicErrorRecord& record);
    std::unique_ptr<TPicLibraryObject> library_;
    bool errorDialogEnabled_ = true;
};
