#include "platform/core/streams.h"

#include "platform/core/exceptions.h"
#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"

#include <cstring>

void TStream::ReadBuffer(void* buffer, int64_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError(QStringLiteral("Stream-Lesefehler"));
}

void TStream::WriteBuffer(const void* buffer, int64_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError(QStringLiteral("Stream-Schreibfehler"));
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    int64_t done = 0;
    char buf[1 << 16];
    while (done < count) {
        int64_t n = std::min<int64_t>(count - done, sizeof buf);
        source.ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        done += n;
    }
    return done;
}

QByteArray TStream::ReadAll()
{
    int64_t n = Size() - Position();
    QByteArray out;
    if (n <= 0)
        return out;
    out.resize(n);
    out.resize(Read(out.data(), n));
    return out;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count)
{
    int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, data_.size() - pos_));
    if (n > 0)
        std::memcpy(buffer, data_.constData() + pos_, n);
    pos_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    if (pos_ + count > data_.size())
        data_.resize(pos_ + count);
    std::memcpy(data_.data() + pos_, buffer, count);
    pos_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = origin == soFromBeginning ? 0 : origin == soFromCurrent ? pos_ : data_.size();
    pos_ = std::max<int64_t>(0, base + offset);
    return pos_;
}

void TMemoryStream::SetSize(int64_t size)
{
    data_.resize(std::max<int64_t>(0, size));
    if (pos_ > data_.size())
        pos_ = data_.size();
}

void TMemoryStream::Clear()
{
    data_.clear();
    pos_ = 0;
}

void TMemoryStream::LoadFromFile(const QString& fileName)
{
    QByteArray bytes;
    if (!ReadFileBytes(fileName, bytes))
        throw EFOpenError(QStringLiteral("Datei \"%1\" kann nicht geöffnet werden").arg(fileName));
    data_ = bytes;
    pos_ = 0;
}

void TMemoryStream::SaveToFile(const QString& fileName)
{
    WriteFileAtomic(fileName, data_);
}

void TMemoryStream::LoadFromStream(TStream& s)
{
    s.SetPosition(0);
    data_ = s.ReadAll();
    pos_ = 0;
}

void TMemoryStream::SaveToStream(TStream& s)
{
    s.WriteBuffer(data_.constData(), data_.size());
}

TFileStream::TFileStream(const QString& fileName, int mode) : fileName_(fileName)
{
    const auto linux = WinToLinux(fileName);
    const bool create = (mode & 0xFF00) == fmCreate;
    QIODevice::OpenMode m;
    if (create)
        m = QIODevice::ReadWrite | QIODevice::Truncate;
    else if ((mode & 3) == fmOpenWrite)
        m = QIODevice::WriteOnly | QIODevice::ExistingOnly;
    else if ((mode & 3) == fmOpenReadWrite)
        m = QIODevice::ReadWrite | QIODevice::ExistingOnly;
    else
        m = QIODevice::ReadOnly;
    if (linux)
        file_.setFileName(*linux);
    if (!linux || !file_.open(m)) {
        const QString why = linux ? file_.errorString() : QStringLiteral("Laufwerk nicht vorhanden");
        if (create)
            throw EFCreateError(QStringLiteral("Datei \"%1\" kann nicht erstellt werden: %2").arg(fileName, why));
        throw EFOpenError(QStringLiteral("Datei \"%1\" kann nicht geöffnet werden: %2").arg(fileName, why));
    }
}

namespace {
TStreamReadFault gReadFault;
}

void SetStreamReadFault(TStreamReadFault fault)
{
    gReadFault = std::move(fault);
}

int64_t TFileStream::Read(void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    const bool fault = gReadFault && gReadFault(fileName_, file_.pos());
    const int64_t n = fault ? -1 : file_.read(static_cast<char*>(buffer), count);
    if (n < 0)
        throw EReadError(QStringLiteral("Fehler beim Lesen von \"%1\": %2")
                             .arg(fileName_, fault ? QStringLiteral("E/A-Fehler") : file_.errorString()));
    return n;
}

int64_t TFileStream::Write(const void* buffer, int64_t count)
{
    if (count <= 0)
        return 0;
    const int64_t n = file_.write(static_cast<const char*>(buffer), count);
    if (n < 0)
        throw EWriteError(QStringLiteral("Fehler beim Schreiben von \"%1\": %2").arg(fileName_, file_.errorString()));
    return n;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = origin == soFromBeginning ? 0 : origin == soFromCurrent ? file_.pos() : file_.size();
    file_.seek(std::max<int64_t>(0, base + offset));
    return file_.pos();
}

int64_t TFileStream::Size()
{
    return file_.size();
}

void TFileStream::SetSize(int64_t size)
{
    if (!file_.resize(size))
        throw EWriteError(QStringLiteral("Größe von \"%1\" kann nicht geändert werden").arg(fileName_));
}
