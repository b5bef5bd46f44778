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

// A typical album entry: umlauts in the description, a German date, a
// reachable picture that carries the user mark.
inline TestRecord SampleAlbumRecord()
{
    TestRecord r = AlbumRecord();
    r.Set("SHORTDESC", "Urlaub am Bodensee \xE4\xF6\xFC\xDF")  // äöüß
        .Set("OWNER", "Anna M\xFCller")
        .Set("AUFNDATUM", "20240315")
        .Set("BYTES", "123456")
        .Set("BREITE", "800")
        .Set("HOEHE", "600")
        .Set("SERIE", "Sommer")
        .Set("QUELLE", "1")
        .Set("DATEI", "IMG_0001.JPG")
        .Set("PFAD", "C:\\Bilder\\Urlaub\\img_0001.jpg")
        .Set("SHORTNAME", "A1B2C3D4E5F")
        .Set("LABEL", "URLAUB 2024")
        .Set("LABELKENNU", "-123456789")
        .Set("TYPE", "1")
        .Set("PLAYLIST", "12")
        .Set("QUALITAET", "4")
        .Set("MOTIV", "5")
        .Set("MARKIERT", "T")
        .Set("ZUGRIFF", "T")
        .Set("PRIVAT", "F")
        .Set("ANYWHERE", "F")
        .Set("FILEDATE", "20240401")
        .Set("ZOOMFACTOR", "1.50")
        .Set("RESERVE1", "Erste Reise")
        .Set("RESERVE2", "")
        .Set("RESERVE3", "X");
    return r;
}

}  // namespace exprtest
