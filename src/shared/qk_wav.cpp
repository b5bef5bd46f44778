#include "shared/qk_wav.h"

#include <QFile>
#include <QtEndian>

#include "platform/core/file_utils.h"
#include "platform/core/win_path.h"
#include "platform/os/sound.h"

namespace {

struct TChunk {
    int64_t DataStart = 0;  // first byte after the chunk header
    uint32_t Size = 0;
    int64_t End() const { return DataStart + Size + (Size & 1); }  // chunks are word-aligned
};

uint32_t Le32(const char* p) { return qFromLittleEndian<uint32_t>(p); }
uint16_t Le16(const char* p) { return qFromLittleEndian<uint16_t>(p); }

// Walks the chunks from pos up to end for the first one with the id (and,
// for "RIFF", the form type); false when none lies wholly in reach of its
// header.
bool FindChunk(QFile& f, int64_t pos, int64_t end, const char* id, const char* form, TChunk& chunk)
{
    char head[12];
    const int headSize = form ? 12 : 8;
    while (pos + headSize <= end) {
        if (!f.seek(pos) || f.read(head, headSize) != headSize)
            return false;
        chunk.DataStart = pos + 8;
        chunk.Size = Le32(head + 4);
        if (memcmp(head, id, 4) == 0 && (!form || memcmp(head + 8, form, 4) == 0))
            return true;
        pos = chunk.End();
    }
    return false;
}

}  // namespace

TWaveFormat ReadWaveFormat(const QString& linuxPath)
{
    QFile f(linuxPath);
    if (!f.open(QIODevice::ReadOnly))
        throw EWaveError("Failed to open file.");
    const int64_t fileSize = f.size();

    TChunk riff;
    if (!FindChunk(f, 0, fileSize, "RIFF", "WAVE", riff))
        throw EWaveError("This is not a WAVE file.");
    const int64_t riffEnd = std::min<int64_t>(riff.DataStart + riff.Size, fileSize);

    TChunk fmt;
    if (!FindChunk(f, riff.DataStart + 4, riffEnd, "fmt ", nullptr, fmt))
        throw EWaveError(R"(WAVE file has no \"fmt\" chunk)");  // the backslashes belong to the message
    // The fields used lie in bytes 0-11; a chunk that is shorter, or that
    // the file cuts short, cannot be read.
    char fields[12];
    if (fmt.Size < sizeof fields || fmt.DataStart + fmt.Size > fileSize || !f.seek(fmt.DataStart) ||
        f.read(fields, sizeof fields) != qint64(sizeof fields))
        throw EWaveError("Failed to read format chunk.");

    TChunk data;
    if (!FindChunk(f, fmt.End(), riffEnd, "data", nullptr, data))
        throw EWaveError("WAVE file has no data chunk.");
    if (data.Size == 0)
        throw EWaveError("The data chunk contains no data.");

    TWaveFormat w;
    w.FormatTag = Le16(fields);
    w.Channels = Le16(fields + 2);
    w.SamplesPerSec = int32_t(Le32(fields + 4));
    w.AvgBytesPerSec = Le32(fields + 8);
    w.DataSize = int32_t(data.Size);
    return w;
}

TQKWAV::TQKWAV(TComponent* AOwner) : TCustomControl(AOwner)
{
    SetColor(clBlack);
    SetBounds(Left(), Top(), 25, 25);
}

void TQKWAV::SetFileName(const QString& v)
{
    fileName_ = v;
    format_ = {};
    playTime_ = 0;
    try {
        if (FileExists(v)) {
            format_ = ReadWaveFormat(WinToLinux(v).value_or(v));
            if (format_.AvgBytesPerSec != 0)
                playTime_ = float(format_.DataSize) / float(format_.AvgBytesPerSec);
        }
    } catch (...) {
        Invalidate();
        throw;
    }
    Invalidate();
}

unsigned TQKWAV::SoundFlags(TwFlags flags)
{
    unsigned f = SND_SYNC;
    if (flags.Contains(ASYNC)) f |= SND_ASYNC;
    if (flags.Contains(NODEFAULT)) f |= SND_NODEFAULT;
    if (flags.Contains(LOOP)) f |= SND_LOOP;
    if (flags.Contains(NOSTOP)) f |= SND_NOSTOP;
    return f;
}

bool TQKWAV::Play()
{
    return !silence_ && PlaySound(fileName_, SoundFlags(sndFlags_));
}

void TQKWAV::Beep()
{
    // "#" names no file, so the default sound plays.
    if (!silence_)
        PlaySound(QStringLiteral("#"), SND_ASYNC);
}

bool TQKWAV::PlayWAV(const QString& Name, TwFlags Flags)
{
    if (silence_)
        return false;
    return Name.isEmpty() ? PlaySound(QString(), 0) : PlaySound(Name, SoundFlags(Flags));
}

bool TQKWAV::StartLoop(const QString& Name)
{
    return PlayWAV(Name, {ASYNC, NODEFAULT, LOOP});
}

bool TQKWAV::StopWav()
{
    return PlayWAV(QString(), {});
}

void TQKWAV::Paint()
{
    TCanvas* c = Canvas();
    const int w = ClientWidth(), h = ClientHeight();
    c->Brush.Color = Color();
    c->Brush.Style = bsSolid;
    c->FillRect(ClientRect());
    if (!FileExists(fileName_))
        return;
    c->TextOut(0, 0, fileName_);
    if (w <= 0)
        return;

    QFile f(WinToLinux(fileName_).value_or(fileName_));
    if (!f.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = f.readAll();
    const qsizetype step = bytes.size() / w;
    const int middle = h / 2;

    c->Pen.Color = clRed;
    c->MoveTo(0, middle);
    c->LineTo(w, middle);
    // The samples are read as 8-bit unsigned after a 44-byte header; one
    // column each, never past the control's width (a file smaller than the
    // width gives a step of 0).
    c->Pen.Color = clLime;
    c->MoveTo(0, middle);
    for (int x = 0; x < w; ++x) {
        const qsizetype pos = 45 + x * step;
        if (pos >= bytes.size())
            break;
        int sample = uint8_t(bytes[pos]);
        c->LineTo(x, middle + ((sample - 128) * h) / 256);
    }
}
