#pragma once
// A database API for tests that passes every call to the installed one and
// marks index tags by their names: a tag ending in "_D" is descending, one
// ending in "_I" case-insensitive (the DBF engine keeps no such flags
// apart from the key).

#include "platform/data/dbi_forwarder.h"

#include <cstring>

class TIndexFlagsDbi : public TDbiForwarder {
public:
    TIndexFlagsDbi() : TDbiForwarder(Dbi()) { SetDbi(this); }
    ~TIndexFlagsDbi() override { SetDbi(inner_); }
    TIndexFlagsDbi(const TIndexFlagsDbi&) = delete;
    TIndexFlagsDbi& operator=(const TIndexFlagsDbi&) = delete;

    DBIResult DbiGetIndexDesc(hDBICur cursor, int number, IDXDesc& desc) override
    {
        const DBIResult r = inner_->DbiGetIndexDesc(cursor, number, desc);
        const size_t n = std::strlen(desc.szTagName);
        if (r == DBIERR_NONE && n > 2 && desc.szTagName[n - 2] == '_') {
            desc.bDescending = desc.szTagName[n - 1] == 'D';
            desc.bCaseInsensitive = desc.szTagName[n - 1] == 'I';
        }
        return r;
    }
};
