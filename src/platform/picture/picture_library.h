#pragma once
// The objects of the image object library: one library object per image
// control, which carries the control's error callback and its error dialog
// mode, and the error record the library hands to that callback when one of
// its calls fails.

#include <QString>

#include <cstdint>
#include <functional>

// Error record attributes, read through Attribute().
inline constexpr int kErrAttrCode = 0x20005;
inline constexpr int kErrAttrText = 0x20006;
inline constexpr int kErrAttrOperation = 0x20002;
inline constexpr int kErrAttrProperty = 0x20003;
inline constexpr int kErrAttrPropertyName = 0x20004;
inline constexpr int kErrAttrParameter = 0x20007;

// Operations a record can name (1 "New" ... 6 "Copy").
enum TPicOperation : int { poNew = 1, poDel = 2, poAccess = 3, poAssign = 4, poInvoke = 5, poCopy = 6 };

class TPicLibraryObject;

struct TPicErrorRecord {
    int Code = 0;
    QString Text;
    int Operation = 0;
    uint32_t Property = 0;      // e.g. 0x01010001 for the image width
    QString PropertyName;
    int64_t Parameter = 0;
    bool ParameterIsAddress = false;  // the parameter was a readable address (a name, a buffer)
    const TPicLibraryObject* Raiser = nullptr;
};

class TPicLibraryObject {
public:
    explicit TPicLibraryObject(const QString& applicationName) : application_(applicationName) {}

    const QString& ApplicationName() const { return application_; }
    // 2: the library's own error dialog would be shown; 0: errors are silent
    // (the callback still hears of them).
    int ErrorDialogMode = 2;
    int Status = 0;
    std::function<void(const TPicErrorRecord&)> ErrorCallback;
    void* UserData = nullptr;

    // Reports a failed call: fills in the raiser and calls the callback.
    void RaiseError(TPicErrorRecord record) const;

private:
    QString application_;
};
