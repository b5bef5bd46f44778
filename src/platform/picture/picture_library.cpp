#include "platform/picture/picture_library.h"

void TPicLibraryObject::RaiseError(TPicErrorRecord record) const
{
    record.Raiser = this;
    if (ErrorCallback)
        ErrorCallback(record);
}
