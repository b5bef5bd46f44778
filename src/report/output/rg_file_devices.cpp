#include "report/output/rg_file_devices.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include "platform/core/exceptions.h"
#include "platform/core/win1252.h"
#include "platform/stream/class_registry.h"
#include "platform/stream/component_reader.h"
#include "platform/stream/component_writer.h"
#include "report/output/rg_draw_commands.h"
#include "report/output/rg_page.h"
#include "report/output/rg_printer_device.h"
#include "report/output/rg_strings.h"
#include "report/output/rg_utils.h"

namespace {

void WriteInt32(TStream& Stream, int64_t Value)
{
    QByteArray bytes;
    TByteEncoder(bytes).LE(Value, 4);
    Stream.WriteBuffer(bytes.constData(), bytes.size());
}

// The record in Windows-1252. A character the code page cannot hold
// becomes "?" (one per UTF-16 unit, so fixed-length fields keep their
// width) and the export goes on.
QByteArray TextFileBytes(const QString& Record)
{
    QByteArray bytes;
    bytes.reserve(Record.size());
    for (const QChar c : Record) {
        const std::optional<unsigned char> b = Win1252EncodeChar(c.unicode());
        bytes.append(b ? char(*b) : '?');
    }
    return bytes;
}

}  // namespace

// ---- TrgFileDevice ----------------------------------------------------------------

TrgFileDevice::TrgFileDevice(TComponent* AOwner) : TrgDevice(AOwner) {}

TrgFileDevice::~TrgFileDevice()
{
    if (!output_)
        return;
    try {
        TrgFileDevice::EndJob();
    } catch (const Exception&) {
        // Nothing can be reported from a destructor; the file is closed.
    }
}

void TrgFileDevice::SetFileName(const QString& Value)
{
    if (!Busy())
        fileName_ = Value;
}

void TrgFileDevice::StartJob()
{
    TrgDevice::StartJob();
    ShowProgressMessage(rgLoadString(LanguageIndex + 2));
    output_ = std::make_unique<TFileStream>(fileName_, fmCreate);
}

void TrgFileDevice::EndJob()
{
    TrgDevice::EndJob();
    output_.reset();
}

void TrgFileDevice::ShowPageProgress(const TrgPage& Page)
{
    ShowProgressMessage(rgPrinterProgressMessage(Page.LanguageIndex, PageSetting(), Page.PassSetting,
                                                 Page.AbsolutePageNo, Page.AbsolutePageCount, Page.DocumentName,
                                                 fileName_));
}

// ---- TrgTextFileDevice --------------------------------------------------------------

TrgTextFileDevice::TrgTextFileDevice(TComponent* AOwner) : TrgFileDevice(AOwner) {}

void TrgTextFileDevice::SetFileType(TrgFileType Value)
{
    if (!Busy())
        fileType_ = Value;
}

void TrgTextFileDevice::ClearWritingState()
{
    lastFieldOfRecord_ = lastRecordOfPage_ = firstPage_ = false;
    fieldNo_ = recordNo_ = 0;
    lastRecordOfReport_ = firstFieldOfRecord_ = firstFieldOfPage_ = false;
}

void TrgTextFileDevice::StartJob()
{
    ClearWritingState();
    TrgFileDevice::StartJob();
    firstPage_ = true;
}

void TrgTextFileDevice::EndJob()
{
    TrgFileDevice::EndJob();
    ClearWritingState();
}

void TrgTextFileDevice::ReceivePage(TrgPage* Page)
{
    TrgFileDevice::ReceivePage(Page);
    if (!PageWanted() || SkipPage())
        return;
    ShowPageProgress(*Page);
    WritePage(*Page);
}

void TrgTextFileDevice::WritePage(const TrgPage& Page)
{
    std::vector<TrgDrawText*> fields;
    for (int i = 0; i < Page.GetDrawCommandCount(); ++i) {
        // TrgDrawCalc is a TrgDrawText, so calculated texts are saved too.
        auto* text = dynamic_cast<TrgDrawText*>(Page.GetDrawCommand(i));
        if (text && text->BandSave && text->ComponentSave)
            fields.push_back(text);
    }
    if (fields.empty() || !OutputStream())
        return;
    std::stable_sort(fields.begin(), fields.end(),
                     [](const TrgDrawText* a, const TrgDrawText* b) { return a->GetSaveKey() < b->GetSaveKey(); });

    firstFieldOfPage_ = true;
    auto recordStart = fields.begin();
    while (recordStart != fields.end()) {
        const int band = (*recordStart)->BandSaveNo;
        const auto recordEnd = std::find_if(recordStart, fields.end(),
                                            [band](const TrgDrawText* f) { return f->BandSaveNo != band; });
        lastRecordOfPage_ = recordEnd == fields.end();
        lastRecordOfReport_ = lastRecordOfPage_ && Page.LastPage;
        WriteRecord(std::vector<TrgDrawText*>(recordStart, recordEnd), lastRecordOfReport_);
        ++recordNo_;
        recordStart = recordEnd;
    }
    firstPage_ = false;
}

void TrgTextFileDevice::WriteRecord(const std::vector<TrgDrawText*>& Fields, bool LastOfReport)
{
    QString separator;
    if (fileType_ == ftComma)
        separator = QStringLiteral(",");
    else if (fileType_ == ftTab)
        separator = QStringLiteral("\t");

    // No quoting or escaping: a text holding the separator is written as it is.
    QString record;
    for (size_t i = 0; i < Fields.size(); ++i) {
        const TrgDrawText* field = Fields[i];
        fieldNo_ = int(i);
        firstFieldOfRecord_ = i == 0;
        lastFieldOfRecord_ = i + 1 == Fields.size();
        QString text = field->Text;
        if (fileType_ == ftFixedLength)
            text = rgFixedLengthText(text, field->SaveLength, field->Alignment);
        if (OnSaveText)
            OnSaveText(this, field->Component, text);
        if (i > 0)
            record += separator;
        record += text;
        firstFieldOfPage_ = false;
    }
    if (record.isEmpty())
        return;
    if (fileType_ != ftCustom && !LastOfReport)
        record += QStringLiteral("\r\n");
    const QByteArray bytes = TextFileBytes(record);
    OutputStream()->WriteBuffer(bytes.constData(), bytes.size());
}

// ---- TrgArchiveDevice ---------------------------------------------------------------

TrgArchiveDevice::TrgArchiveDevice(TComponent* AOwner) : TrgFileDevice(AOwner), TempDirectory(rgGetTempPath()) {}

TrgArchiveDevice::~TrgArchiveDevice()
{
    if (!OutputStream() && !pages_)
        return;
    try {
        TrgArchiveDevice::EndJob();
    } catch (const Exception&) {
        // Nothing can be reported from a destructor; the files are closed.
    }
}

void TrgArchiveDevice::StartJob()
{
    TrgFileDevice::StartJob();
    pagesFileName_ = rgGetTempFileName(TempDirectory, QStringLiteral("arc"));
    try {
        if (pagesFileName_.isEmpty())
            throw EFCreateError(TempDirectory);
        pages_ = std::make_unique<TFileStream>(pagesFileName_, fmCreate);
    } catch (const EStreamError&) {
        // Name the folder when not even a name could be had in it.
        throw EPrintError::FileError(pagesFileName_.isEmpty() ? TempDirectory : pagesFileName_);
    }
    OutputStream()->SetPosition(4);
}

void TrgArchiveDevice::ReceivePage(TrgPage* Page)
{
    TrgFileDevice::ReceivePage(Page);
    // Only the pages the device asked for go into the archive.
    if (!PageWanted() || SkipPage())
        return;
    ShowPageProgress(*Page);
    if (!OutputStream() || !pages_)
        return;
    const QByteArray stream = ComponentToBytes(Page);
    WriteInt32(*OutputStream(), pages_->Position());
    WriteInt32(*OutputStream(), Page->AbsolutePageNo);
    pages_->WriteBuffer(stream.constData(), stream.size());
}

void TrgArchiveDevice::EndJob()
{
    if (OutputStream() && pages_) {
        TFileStream& archive = *OutputStream();
        const int64_t dataOffset = archive.Position();
        pages_->SetPosition(0);
        if (pages_->Size() > 0)
            archive.CopyFrom(*pages_, pages_->Size());
        archive.SetPosition(0);
        WriteInt32(archive, dataOffset);
    }
    pages_.reset();
    if (!pagesFileName_.isEmpty())
        QFile::remove(pagesFileName_);
    pagesFileName_.clear();
    TrgFileDevice::EndJob();
}

// ---- registration -------------------------------------------------------------------

void rgRegisterFileDeviceClasses()
{
    rgDescribeDeviceBaseClasses();
    rgDescribeClassOnce<TrgFileDevice, TrgDevice>("TrgFileDevice");
    rgDescribeClassOnce<TrgTextFileDevice, TrgFileDevice>("TrgTextFileDevice");
    rgDescribeClassOnce<TrgArchiveDevice, TrgFileDevice>("TrgArchiveDevice");
    RegisterClass(ClassInfoFor<TrgTextFileDevice>());
    RegisterClass(ClassInfoFor<TrgArchiveDevice>());
}

// ---- TrgArchiveReader ----------------------------------------------------------------

TrgArchiveReader::TrgArchiveReader(const QString& FileName) : fileName_(FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Die Archivdatei %1 kann nicht geöffnet werden").arg(FileName));
    const int64_t size = file.size();
    const QByteArray head = file.read(4);
    if (head.size() < 4)
        Fail(QStringLiteral("sie ist kürzer als ihr Kopf"));
    TByteCursor headCursor(head);
    const int64_t dataOffset = headCursor.SignedLE(4);
    if (dataOffset < 4 || dataOffset > size || (dataOffset - 4) % 8 != 0)
        Fail(QStringLiteral("der Beginn der Seiten (%1) passt nicht zur Dateigröße (%2)").arg(dataOffset).arg(size));

    // The index is read only as far as the file holds it.
    const QByteArray index = file.read(dataOffset - 4);
    if (index.size() != dataOffset - 4)
        Fail(QStringLiteral("das Seitenverzeichnis ist unvollständig"));
    TByteCursor cursor(index);
    const int count = int((dataOffset - 4) / 8);
    entries_.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        TEntry entry;
        entry.Start = dataOffset + cursor.SignedLE(4);
        entry.AbsolutePageNo = int(cursor.SignedLE(4));
        const int64_t previousEnd = entries_.empty() ? dataOffset : entries_.back().Start;
        if (entry.Start < previousEnd || entry.Start >= size || (entries_.empty() && entry.Start != dataOffset))
            Fail(QStringLiteral("Seite %1 liegt außerhalb der Datei oder vor der vorigen").arg(i + 1));
        if (!entries_.empty())
            entries_.back().Size = entry.Start - entries_.back().Start;
        entries_.push_back(entry);
    }
    if (!entries_.empty())
        entries_.back().Size = size - entries_.back().Start;
}

void TrgArchiveReader::Fail(const QString& Reason) const
{
    throw EReadError(QStringLiteral("Die Archivdatei %1 ist beschädigt: %2").arg(fileName_, Reason));
}

std::unique_ptr<TrgPage> TrgArchiveReader::ReadPage(int Index) const
{
    if (Index < 0 || Index >= PageCount())
        throw EReadError(QStringLiteral("Die Archivdatei %1 hat keine Seite %2").arg(fileName_).arg(Index + 1));
    const TEntry& entry = entries_[size_t(Index)];
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(entry.Start))
        throw EFOpenError(QStringLiteral("Die Archivdatei %1 kann nicht gelesen werden").arg(fileName_));
    // The size comes from offsets checked against the file's real size.
    const QByteArray stream = file.read(entry.Size);
    if (stream.size() != entry.Size)
        Fail(QStringLiteral("Seite %1 ist unvollständig").arg(Index + 1));
    rgRegisterDrawCommandClasses();
    std::unique_ptr<TComponent> component;
    try {
        component.reset(ComponentFromBytes(stream));
    } catch (const Exception& e) {
        Fail(QStringLiteral("Seite %1: %2").arg(Index + 1).arg(e.Message));
    }
    auto* page = dynamic_cast<TrgPage*>(component.get());
    if (!page)
        Fail(QStringLiteral("Seite %1 ist keine Berichtsseite").arg(Index + 1));
    component.release();
    return std::unique_ptr<TrgPage>(page);
}
