#pragma once
// TAppException: the program's last-chance exception handler. Every
// exception that escapes an event or command handler is appended to the
// error log ("User: " line, date and time, message, empty line; CR LF,
// Windows-1252) and then shown as the framework shows exceptions.

#include <exception>

#include "platform/ui/component.h"

class TAppException : public TComponent {
public:
    explicit TAppException(TComponent* AOwner) : TComponent(AOwner) {}
    ~TAppException() override;

    QString ErrorLog() const { return errorLog_; }
    void SetErrorLog(const QString& v);
    QString UserName() const { return userName_; }
    void SetUserName(const QString& v);

    // The handler, of the form of the application's exception event.
    void HandleException(TObject* Sender, const std::exception& E);
    // Makes HandleException the application's exception event; it is taken
    // off again when the component goes.
    void Install();
    // Appends an entry to the error log without showing it; false when the
    // file can be neither appended to nor created (passed over in silence).
    bool WriteEntry(const QString& message);

private:
    QString errorLog_;
    QString userName_;
    bool installed_ = false;
};

// The error log of the program: program folder + "LumadexLog.txt".
QString DefaultErrorLogName();
