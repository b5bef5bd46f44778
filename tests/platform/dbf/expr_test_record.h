// Test helper: a field list with offsets and a record buffer filled field by
// field, as the engine lays records out (deletion flag byte, then fields).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dbf/expr_types.h"

namespace exprtest {

class TestRecord {
public:
    TestRecord& Add(const std::string& name, char type, std::uint32_t width, std::uint8_t decimals = 0)
    {
        dbfexpr::ExprField f;
        f.name = name;
        f.type = type;
        f.offset = size_;
        f.width = width;
        f.decimals = decimals;
        fields_.push_back(f);
        size_ += width;
        bytes_.resize(size_, ' ');
        return *this;
    }

    // Stores the text left-aligned (character) or right-aligned (numeric),
    // blank-padded to the field width.
    TestRecord& Set(const std::string& name, const std::string& text)
    {
        const dbfexpr::ExprField& f = Field(name);
        if (text.size() > f.width)
            throw std::runtime_error("value too wide for " + name);
        std::string v = f.type == 'N' || f.type == 'F' ? std::string(f.width - text.size(), ' ') + text
                                                       : text + std::string(f.width - text.size(), ' ');
        for (std::size_t i = 0; i < v.size(); ++i)
            bytes_[f.offset + i] = static_cast<std::uint8_t>(v[i]);
        return *this;
    }

    TestRecord& SetRaw(const std::string& name, const std::vector<std::uint8_t>& raw)
    {
        const dbfexpr::ExprField& f = Field(name);
        for (std::size_t i = 0; i < raw.size() && i < f.width; ++i)
            bytes_[f.offset + i] = raw[i];
        return *this;
    }

    void SetDeleted(bool deleted) { bytes_[0] = deleted ? '*' : ' '; }

    const dbfexpr::ExprField& Field(const std::string& name) const
    {
        for (const auto& f : fields_)
            if (f.name == name)
                return f;
        throw std::runtime_error("no field " + name);
    }

    const std::vector<dbfexpr::ExprField>& Fields() const { return fields_; }
    const std::uint8_t* Data() const { return bytes_.data(); }
    std::uint8_t* MutableData() { return bytes_.data(); }
    std::size_t Size() const { return bytes_.size(); }

private:
    std::vector<dbfexpr::ExprField> fields_;
    std::uint32_t size_ = 1;
    std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(1, ' ');
};

// The album layout: 29 fields in their order, names as the file keeps them.
inline TestRecord AlbumRecord()
{
    TestRecord r;
    r.Add("SHORTDESC", 'C', 100).Add("OWNER", 'C', 15).Add("AUFNDATUM", 'D', 8).Add("BYTES", 'N', 10)
        .Add("BREITE", 'N', 4).Add("HOEHE", 'N', 4).Add("SERIE", 'C', 10).Add("QUELLE", 'C', 10)
        .Add("DATEI", 'C', 15).Add("PFAD", 'C', 239).Add("SHORTNAME", 'C', 11).Add("LABEL", 'C', 30)
        .Add("LABELKENNU", 'C', 14).Add("TYPE", 'C', 1).Add("PLAYLIST", 'C', 2).Add("QUALITAET", 'C', 3)
        .Add("MOTIV", 'C', 3).Add("MARKIERT", 'L', 1).Add("ZUGRIFF", 'L', 1).Add("PRIVAT", 'L', 1)
        .Add("ANYWHERE", 'L', 1).Add("NOTIZ", 'M', 10).Add("VORSCHAU", 'M', 10).Add("FLAGS", 'C', 10)
        .Add("FILEDATE", 'D', 8).Add("ZOOMFACTOR", 'N', 4, 2).Add("RESERVE1", 'C', 15)
        .Add("RESERVE2", 'C', 15).Add("RESERVE3", 'C', 15);
    return r;
}

}  // namespace exprtest
