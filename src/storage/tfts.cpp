#include "storage/tfts.h"

#include <string_view>

#include "platform/core/win_path.h"
#include "platform/fts/fts.h"

namespace {

std::string_view View(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::string_view View(const char* text) {
    return text ? std::string_view(text) : std::string_view();
}

// The Linux file name of a Windows-form (or Linux) path; empty when its
// drive is not mapped.
QByteArray NativeName(const QString& fileName) {
    return WinToLinuxName(fileName).value_or(QByteArray());
}

}  // namespace

TFts::TFts(TComponent* AOwner) : TComponent(AOwner) {}

TFts::~TFts() {
    BeginDestroy();
    Close();
}

int TFts::OpenIndex(const QString& FileName, int A, int B) {
    Close();
    QByteArray name = NativeName(FileName);
    handle_ = name.isEmpty() ? kFtsErrUnusable : FtsOpen(name.constData(), A, B);
    return handle_;
}

int TFts::CreateIndex(const QString& FileName, int A, int B, int C, int D) {
    Close();
    QByteArray name = NativeName(FileName);
    handle_ = name.isEmpty() ? kFtsErrArgument : FtsCreate(name.constData(), A, B, C, D);
    return handle_;
}

int TFts::Add(const char* Text) { return FtsAdd(handle_, View(Text)); }
int TFts::Add(const QByteArray& Text) { return FtsAdd(handle_, View(Text)); }
int TFts::Replace(const char* Text, int RecNo) { return FtsReplace(handle_, View(Text), RecNo); }
int TFts::Replace(const QByteArray& Text, int RecNo) {
    return FtsReplace(handle_, View(Text), RecNo);
}
int TFts::Delete(int RecNo) { return FtsDelete(handle_, RecNo); }
int TFts::SetQuery(const char* Query) { return FtsSet(handle_, View(Query)); }
int TFts::SetQuery(const QByteArray& Query) { return FtsSet(handle_, View(Query)); }
int TFts::NextRec() { return FtsNextRec(handle_); }
int TFts::NumRecs() { return FtsNumRecs(handle_); }

int TFts::Verify(const char* Text, const char* Query, int Mode) {
    return FtsVerify(handle_, View(Text), View(Query), Mode + 1);
}

int TFts::Verify(const QByteArray& Text, const QByteArray& Query, int Mode) {
    return FtsVerify(handle_, View(Text), View(Query), Mode + 1);
}

int TFts::Close() {
    if (handle_ <= 0) {
        handle_ = 0;
        return 0;
    }
    int result = FtsClose(handle_);
    handle_ = 0;
    return result;
}
