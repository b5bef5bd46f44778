#include "shared/zip_file.h"

#include <QFile>

#include <optional>

#include "platform/core/exceptions.h"
#include "platform/core/streams.h"
#include "platform/core/win1252.h"
#include "platform/core/win_path.h"

// ---- TLPStr ----------------------------------------------------------------

TLPStr::TLPStr(int capacity) : capacity_(capacity), fixed_(true) {}

void TLPStr::Clear() {
    text_.clear();
    if (!fixed_) capacity_ = 0;
}

void TLPStr::SetText(const QString& text) {
    text_ = text;
    capacity_ = int(text.size()) + 1;
}

void TLPStr::SetCapacity(int capacity) {
    capacity_ = capacity;
    if (fixed_ && capacity > 0 && text_.size() > capacity - 1) text_.truncate(capacity - 1);
}

void TLPStr::LoadFromStream(TStream& stream) {
    const int64_t size = capacity_ > 0 ? capacity_ : 32768;
    QByteArray bytes(size, '\0');
    int64_t got = stream.Read(bytes.data(), size);
    if (got >= size) throw EReadError("Zeile zu lang");
    bytes.truncate(got);
    text_ = Win1252Decode(bytes);
    if (!fixed_) capacity_ = int(text_.size()) + 1;
}

void TLPStr::SaveToStream(TStream& stream) const {
    QByteArray bytes = Win1252EncodeOrThrow(text_);
    stream.WriteBuffer(bytes.constData(), bytes.size());
}

// ---- TZipFile --------------------------------------------------------------

TZipFile::TZipFile(TComponent* AOwner) : TZipLibrary(AOwner) {}

TZipFile::~TZipFile() {
    BeginDestroy();
}

uint16_t TZipFile::MultiVolWord() const {
    static const std::pair<TMultiVolFlag, uint16_t> kBits[] = {
        {MV_USEMULTI, kMvUseMulti}, {MV_FORMAT, kMvFormat}, {MV_LOWDENSE, kMvLowDense},
        {MV_WIPE, kMvWipe},         {MV_SUBDIR, kMvSubdir}, {MV_SYSHIDE, kMvSysHide},
        {MV_CDFIRST, kMvCdFirst}};
    uint16_t word = 0;
    for (auto [flag, bit] : kBits)
        if (wMultiVolControl.Contains(flag)) word |= bit;
    return word;
}

uint16_t TZipFile::SubOptionWord() const {
    uint16_t word = 0;
    for (int i = ZSO_RELATIVEPATH; i <= ZSO_MANGLELONGNAMES; ++i)
        if (wZipSubOptions.Contains(TZipSubOption(i))) word |= uint16_t(1u << i);
    return word;
}

ZipOptions TZipFile::BuildOptions() const {
    ZipOptions o;
    auto text = [](const TLPStr& s) { return s.Text().toStdString(); };
    o.zipFile = text(lpszZipFile);
    o.itemList = text(lpszItemList);
    o.compFactor = CompFactor;
    o.recurse = Options.Contains(RecurseFlag);
    o.pathForTemp = Options.Contains(PathForTempFlag);
    o.fix = Options.Contains(FixFlag);
    o.fixHarder = Options.Contains(FixHarderFlag);
    o.includeVolume = Options.Contains(IncludeVolumeFlag);
    o.deleteOriginal = Options.Contains(DeleteOriginalFlag);
    o.growExisting = Options.Contains(GrowExistingFlag);
    o.noDirectoryNames = Options.Contains(NoDirectoryNamesFlag);
    o.addComment = Options.Contains(AddCommentFlag);
    o.afterDate = Options.Contains(AfterDateFlag);
    o.oldAsLatest = Options.Contains(OldAsLatestFlag);
    o.includeOnlyFollowing = Options.Contains(IncludeOnlyFollowingFlag);
    o.excludeFollowing = Options.Contains(ExcludeFollowingFlag);
    o.noDirectoryEntries = Options.Contains(NoDirectoryEntriesFlag);
    o.includeSysHidden = Options.Contains(IncludeSysHiddenFlag);
    o.diagnostic = Options.Contains(bDiagnostic);
    o.dosify = ZipFormats.Contains(DosifyFlag);
    o.encrypt = ZipFormats.Contains(EncryptFlag);
    o.dontCompressSuffixes = ZipFormats.Contains(DontCompressTheseSuffixesFlag);
    o.convertLfToCrlf = ZipFormats.Contains(ConvertLFtoCRLFFlag);
    o.quiet = ZipFormats.Contains(QuietFlag);
    o.encryptCode = text(lpszEncryptCode);
    o.extProgTitle = text(lpszExtProgTitle);
    o.tempPath = text(lpszTempPath);
    o.comment = text(lpszComment);
    o.date = text(lpszDate);
    o.includeMasks = text(lpszIncludeFollowing);
    o.excludeMasks = text(lpszExcludeFollowing);
    o.storeSuffixes = text(lpszStoreSuffixes);
    o.multiVolume = MultiVolWord();
    o.subOptions = SubOptionWord();
    o.further1 = FurtherValue1;
    o.further2 = FurtherValue2;

    // The events, with the component's own object as the state.
    auto status = [](const TStatusCallback& event) {
        return [&event](const std::string& item, int percent) {
            bool cancel = false;
            if (event) event(QString::fromStdString(item), percent, cancel);
            return cancel;
        };
    };
    o.major = status(OnMajorCallback);
    o.minor = status(OnMinorCallback);
    o.message = [this](int id, int type, int p1, int p2, const std::string& t1,
                       const std::string& t2) {
        int32_t result = 0;
        if (OnMessageCallback)
            OnMessageCallback(uint16_t(id), uint16_t(type), p1, p2, QString::fromStdString(t1),
                              QString::fromStdString(t2), result);
        return int(result);
    };
    o.rename = [this](ZipRename& r) {
        if (!OnRenameCallback) return;
        TDZRename record{QFile::decodeName(QByteArray::fromStdString(r.sourceFile)),
                         QString::fromStdString(r.storedName)};
        OnRenameCallback(&record);
        r.storedName = record.StoredName.toStdString();
    };
    return o;
}

namespace {

// Windows-form paths to Linux paths, one item per line.
std::optional<std::string> MapPath(const QString& path) {
    if (path.trimmed().isEmpty()) return std::string();
    std::optional<QByteArray> name = WinToLinuxName(path.trimmed());
    if (!name) return std::nullopt;
    return name->toStdString();
}

}  // namespace

bool TZipFile::Execute(int32_t Command) {
    if (Command <= 0 || Command > 9) return false;
    ZipOptions o = BuildOptions();
    std::optional<std::string> archive = MapPath(lpszZipFile.Text());
    std::string items;
    bool mapped = archive.has_value();
    for (const QString& line : lpszItemList.Text().split('\n', Qt::SkipEmptyParts)) {
        QString item = line.trimmed();
        if (item.size() >= 2 && item.startsWith('"') && item.endsWith('"'))
            item = item.mid(1, item.size() - 2);
        std::optional<std::string> path =
            Command == kZipDelete ? item.toStdString() : MapPath(item);
        if (!path) {
            mapped = false;
            break;
        }
        items += *path + "\n";
    }
    if (!mapped) {
        ReturnCode = archive ? kZipErrSource : kZipErrArchive;
        if (o.message)
            o.message(ReturnCode, 0, 0, 0, "drive not mapped", lpszZipFile.Text().toStdString());
        return false;
    }
    o.zipFile = *archive;
    o.itemList = items;
    ReturnCode = Library(Command, o);
    return ReturnCode == 0;
}
