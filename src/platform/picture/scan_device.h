#pragma once
// One scanner or camera through SANE, used inside the scan helper process
// (scan_helper.h): the list of sources, a source opened, its options read
// and set, and one picture scanned at a time. A scan that ends without a
// picture leaves the source to be cancelled with CancelScan: the helper
// tells the program first, because a backend may hang in its cancel.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "platform/picture/picture_io.h"
#include "platform/picture/picture_scanner.h"

// The sources SANE finds; false (and the error) when SANE cannot start.
bool SaneSources(QList<TScanSource>& sources, TPicError& err);

class TSaneDevice {
public:
    TSaneDevice() = default;
    ~TSaneDevice();
    TSaneDevice(const TSaneDevice&) = delete;
    TSaneDevice& operator=(const TSaneDevice&) = delete;

    bool Open(const QString& source, TPicError& err);
    bool IsOpen() const { return handle_ != nullptr; }
    QString Source() const { return source_; }
    void Close();

    bool HasOption(const QString& name) const;
    bool OptionWritable(const QString& name) const;
    QString Option(const QString& name) const;
    QStringList OptionChoices(const QString& name) const;
    bool SetOption(const QString& name, const QString& value, TPicError& err);
    QString FeederChoice() const;
    QList<TScanOption> Options() const;
    bool PressButton(const QString& name, TPicError& err);

    using TResult = TScanSession::TResult;
    // Scans one picture (see TScanSession::Scan); `cancelled` is asked
    // between the pieces the source sends.
    TResult Scan(TPicImage& out, TPicError& err, const std::function<bool()>& cancelled = {});
    // Ends a scan that stopped without a picture (sane_cancel).
    void CancelScan();

private:
    int OptionIndex(const QString& name) const;
    void* handle_ = nullptr;
    QString source_;
    bool cancelDue_ = false;
};
