#include "storage/tdbe_env.h"

#include "platform/core/sys_utils.h"
#include "platform/dbf/dbe.h"

QChar DbeDateSeparator(TDbeDateFrmt format)
{
    switch (format) {
    case dfAnsi:
    case dfGerman: return u'.';
    case dfItalian:
    case dfSpanish: return u'-';
    default: return u'/';
    }
}

QString DbeShortDateFormat(TDbeDateFrmt format, bool century)
{
    const QString year = century ? QStringLiteral("yyyy") : QStringLiteral("yy");
    const QString sep = DbeDateSeparator(format);
    switch (format) {
    case dfAmerican: return "mm" + sep + "dd" + sep + year;
    case dfAnsi: return year + sep + "mm" + sep + "dd";
    default: return "dd" + sep + "mm" + sep + year;
    }
}

TDbeEnv::TDbeEnv(TComponent* AOwner) : TComponent(AOwner) {}

void TDbeEnv::SetExact(bool on)
{
    dbe_SetExact(on ? 1 : 0);
    exact_ = on;
}

void TDbeEnv::SetSoftSeek(bool on)
{
    dbe_SetSoftSeek(on ? 1 : 0);
    softSeek_ = on;
}

void TDbeEnv::SetDeleted(bool on)
{
    dbe_SetDeleted(on ? 1 : 0);
    deleted_ = on;
}

void TDbeEnv::SetLockTimeout(int seconds)
{
    dbe_SetLockTimeout(seconds);
    lockTimeout_ = seconds;
}

void TDbeEnv::SetMemoBlockSize(int size)
{
    dbe_SetMemoBlockSize(size);
    memoBlockSize_ = size;
}

void TDbeEnv::SetDateFormat(TDbeDateFrmt format)
{
    dbe_SetDateFormat(static_cast<int>(format));
    dateFormat_ = format;
    FormatSettings().DateSeparator = DbeDateSeparator(format);
    FormatSettings().ShortDateFormat = DbeShortDateFormat(format, false);
    if (century_)
        SetCentury(true);
}

void TDbeEnv::SetCentury(bool on)
{
    dbe_SetCentury(on ? 1 : 0);
    century_ = on;
    FormatSettings().ShortDateFormat = DbeShortDateFormat(dateFormat_, on);
}
