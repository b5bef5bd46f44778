#pragma once
// TDbeEnv: the engine-wide settings of the DBF engine (exact key matching,
// soft seek, hidden deleted records, date format and century, lock timeout,
// memo block size). Writing a property hands the value to the engine; the
// date format and century also keep the program's date separator and short
// date format in step with the engine's date texts.

#include "platform/ui/component.h"

#include <QChar>
#include <QString>

// Engine codes 0 to 6 in this order.
enum TDbeDateFrmt { dfAmerican, dfAnsi, dfBritish, dfFrench, dfGerman, dfItalian, dfSpanish };

// Date separator and short date format of a date format, with four-digit
// years when century is on ("dd.mm.yyyy" for German with century).
QChar DbeDateSeparator(TDbeDateFrmt format);
QString DbeShortDateFormat(TDbeDateFrmt format, bool century);

class TDbeEnv : public TComponent {
public:
    explicit TDbeEnv(TComponent* AOwner);

    bool Exact() const { return exact_; }
    void SetExact(bool on);
    bool Century() const { return century_; }
    void SetCentury(bool on);
    TDbeDateFrmt DateFormat() const { return dateFormat_; }
    void SetDateFormat(TDbeDateFrmt format);
    int LockTimeout() const { return lockTimeout_; }
    void SetLockTimeout(int seconds);
    int MemoBlockSize() const { return memoBlockSize_; }
    void SetMemoBlockSize(int size);
    bool SoftSeek() const { return softSeek_; }
    void SetSoftSeek(bool on);
    bool Deleted() const { return deleted_; }
    void SetDeleted(bool on);

private:
    bool exact_ = false;
    bool century_ = false;
    TDbeDateFrmt dateFormat_ = dfAmerican;
    int lockTimeout_ = 1;
    int memoBlockSize_ = 64;
    bool softSeek_ = false;
    bool deleted_ = false;
};
