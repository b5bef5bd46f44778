#pragma once
// A small stream family after the framework's: TStream with Read/Write/Seek,
// TMemoryStream and TFileStream (Windows-form or Linux path).

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

enum TSeekOrigin { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream {
public:
    virtual ~TStream() = default;
    // Read/Write return the bytes moved; ReadBuffer/WriteBuffer throw
    // EReadError/EWriteError when not all could be moved.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size() = 0;
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, soFromCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, soFromBeginning); }
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source (all of it from its start when count is 0).
    int64_t CopyFrom(TStream& source, int64_t count);
    QByteArray ReadAll();  // from the position to the end
};

class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return data_.size(); }
    void SetSize(int64_t size) override;
    void Clear();
    void LoadFromFile(const QString& fileName);  // throws EFOpenError
    void SaveToFile(const QString& fileName);    // atomic; throws EFCreateError / EWriteError
    void LoadFromStream(TStream& s);
    void SaveToStream(TStream& s);
    const QByteArray& Bytes() const { return data_; }
    QByteArray& Bytes() { return data_; }

private:
    QByteArray data_;
    int64_t pos_ = 0;
};

// Open modes of the framework.
constexpr int fmCreate = 0xFF00;  // create or truncate, read and write
constexpr int fmOpenRead = 0x0000;
constexpr int fmOpenWrite = 0x0001;
constexpr int fmOpenReadWrite = 0x0002;
constexpr int fmShareDenyNone = 0x0040;  // sharing flags are accepted and ignored
constexpr int fmShareDenyWrite = 0x0020;
constexpr int fmShareExclusive = 0x0010;

// A read or write the device refused (a scratched disc, a pulled stick, an
// I/O error) raises EReadError / EWriteError naming the file: it is never
// taken for the end of the file.
class TFileStream : public TStream {
public:
    // Throws EFOpenError (or EFCreateError with fmCreate) naming the file.
    TFileStream(const QString& fileName, int mode);
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override;
    void SetSize(int64_t size) override;
    QString FileName() const { return fileName_; }

private:
    QString fileName_;
    QFile file_;
};

// Fault seam for tests: when set, it is asked before every read of a file
// stream with the file's name and the read position; true makes that read
// fail as a device error would. An empty function turns the seam off.
using TStreamReadFault = std::function<bool(const QString& fileName, int64_t position)>;
void SetStreamReadFault(TStreamReadFault fault);
