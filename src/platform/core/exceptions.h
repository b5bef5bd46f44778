#pragma once
// The exception types the program throws and catches, after the framework's
// family: Exception carries a Message (German text shown to the user); the
// derived types let callers catch one kind of failure.

#include <QString>

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(const QString& message) : Message(message), utf8_(message.toStdString()) {}
    const char* what() const noexcept override { return utf8_.c_str(); }

    QString Message;

private:
    std::string utf8_;
};

// A text is not a valid number, date or time (StrToInt, StrToDate, ...).
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Text holds characters that Windows-1252 cannot store; Text is the offending text.
class EEncodingError : public Exception {
public:
    EEncodingError(const QString& message, const QString& text) : Exception(message), Text(text) {}
    QString Text;
};

// Input/output failure; ErrorCode is the errno value when known (0 otherwise).
class EInOutError : public Exception {
public:
    explicit EInOutError(const QString& message, int errorCode = 0)
        : Exception(message), ErrorCode(errorCode) {}
    int ErrorCode;
};

class EStreamError : public Exception {
public:
    using Exception::Exception;
};
class EFileStreamError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFOpenError : public EFileStreamError {
public:
    using EFileStreamError::EFileStreamError;
};
class EFCreateError : public EFileStreamError {
public:
    using EFileStreamError::EFileStreamError;
};
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// Index out of range, duplicates in a list that forbids them, ...
class EListError : public Exception {
public:
    using Exception::Exception;
};
class EStringListError : public EListError {
public:
    using EListError::EListError;
};

// The ini file cannot be written (folder missing, disk full, bad key text).
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

// A Windows-form path cannot be mapped (unknown drive, bad form).
class EPathError : public Exception {
public:
    using Exception::Exception;
};

// An operation that is not allowed in the object's state (misuse of a
// component, the framework's invalid-operation error).
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

// An operation was cancelled by the user (the framework's silent exception).
class EAbort : public Exception {
public:
    using Exception::Exception;
};
