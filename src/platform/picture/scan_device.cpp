#include "platform/picture/scan_device.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <QByteArray>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/picture/picture_limits.h"

namespace {

bool g_started = false;

bool Start(TPicError& err)
{
    if (g_started)
        return true;
    SANE_Int version = 0;
    const SANE_Status status = sane_init(&version, nullptr);
    if (status != SANE_STATUS_GOOD) {
        err.Code = peTwain;
        err.Text = "SANE kann nicht gestartet werden: " + ScanStatusText(status);
        return false;
    }
    g_started = true;
    return true;
}

bool Fail(TPicError& err, const QString& text)
{
    err.Code = peTwain;
    err.Text = text;
    return false;
}

SANE_Handle H(void* h)
{
    return static_cast<SANE_Handle>(h);
}

}  // namespace

QString ScanStatusText(int status)
{
    switch (status) {
    case SANE_STATUS_UNSUPPORTED: return "Vorgang wird nicht unterstützt";
    case SANE_STATUS_CANCELLED: return "Vorgang abgebrochen";
    case SANE_STATUS_DEVICE_BUSY: return "Gerät ist beschäftigt";
    case SANE_STATUS_INVAL: return "Ungültiger Wert";
    case SANE_STATUS_EOF: return "Keine weiteren Daten";
    case SANE_STATUS_JAMMED: return "Papierstau im Einzug";
    case SANE_STATUS_NO_DOCS: return "Kein Papier im Einzug";
    case SANE_STATUS_COVER_OPEN: return "Deckel des Scanners ist offen";
    case SANE_STATUS_IO_ERROR: return "Ein-/Ausgabefehler beim Gerät";
    case SANE_STATUS_NO_MEM: return "Nicht genug Speicher";
    case SANE_STATUS_ACCESS_DENIED: return "Zugriff verweigert";
    default: return QString("Fehler %1").arg(status);
    }
}

bool SaneSources(QList<TScanSource>& sources, TPicError& err)
{
    sources.clear();
    if (!Start(err))
        return false;
    const SANE_Device** list = nullptr;
    const SANE_Status status = sane_get_devices(&list, SANE_FALSE);
    if (status != SANE_STATUS_GOOD)
        return Fail(err, "Die Scanner können nicht abgefragt werden: " + ScanStatusText(status));
    for (int i = 0; list && list[i]; ++i) {
        const SANE_Device* d = list[i];
        sources.push_back({QString::fromUtf8(d->name),
                           QString("%1 %2 (%3)").arg(QString::fromUtf8(d->vendor), QString::fromUtf8(d->model),
                                                     QString::fromUtf8(d->type))});
    }
    return true;
}

TSaneDevice::~TSaneDevice()
{
    Close();
}

bool TSaneDevice::Open(const QString& source, TPicError& err)
{
    Close();
    QString name = source;
    if (name.isEmpty()) {
        QList<TScanSource> sources;
        if (!SaneSources(sources, err))
            return false;
        if (sources.isEmpty())
            return Fail(err, "Kein Scanner und keine Kamera gefunden.");
        name = sources.first().Name;
    } else if (!Start(err)) {
        return false;
    }
    SANE_Handle h = nullptr;
    const SANE_Status status = sane_open(name.toUtf8().constData(), &h);
    if (status != SANE_STATUS_GOOD || !h)
        return Fail(err, QString("Der Scanner \"%1\" kann nicht geöffnet werden: %2").arg(name, ScanStatusText(status)));
    handle_ = h;
    source_ = name;
    return true;
}

void TSaneDevice::Close()
{
    if (!handle_)
        return;
    cancelDue_ = false;
    sane_cancel(H(handle_));
    sane_close(H(handle_));
    handle_ = nullptr;
}

int TSaneDevice::OptionIndex(const QString& name) const
{
    if (!handle_)
        return -1;
    const QByteArray n = name.toUtf8();
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(H(handle_), i);
        if (!d)
            return -1;
        if (d->name && n == d->name)
            return i;
    }
}

bool TSaneDevice::HasOption(const QString& name) const
{
    return OptionIndex(name) > 0;
}

bool TSaneDevice::OptionWritable(const QString& name) const
{
    const int i = OptionIndex(name);
    if (i <= 0)
        return false;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(H(handle_), i);
    return SANE_OPTION_IS_SETTABLE(d->cap) && SANE_OPTION_IS_ACTIVE(d->cap);
}

QString TSaneDevice::Option(const QString& name) const
{
    const int i = OptionIndex(name);
    if (i <= 0)
        return QString();
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(H(handle_), i);
    if (!SANE_OPTION_IS_ACTIVE(d->cap) || d->size <= 0)
        return QString();
    std::vector<char> buffer(size_t(d->size) + 1, '\0');
    if (sane_control_option(H(handle_), i, SANE_ACTION_GET_VALUE, buffer.data(), nullptr) != SANE_STATUS_GOOD)
        return QString();
    SANE_Word w = 0;
    std::memcpy(&w, buffer.data(), std::min<size_t>(sizeof w, buffer.size()));
    switch (d->type) {
    case SANE_TYPE_BOOL: return w ? "1" : "0";
    case SANE_TYPE_INT: return QString::number(w);
    case SANE_TYPE_FIXED: return QString::number(SANE_UNFIX(w));
    case SANE_TYPE_STRING: return QString::fromUtf8(buffer.data());
    default: return QString();
    }
}

QStringList TSaneDevice::OptionChoices(const QString& name) const
{
    QStringList list;
    const int i = OptionIndex(name);
    if (i <= 0)
        return list;
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(H(handle_), i);
    if (d->constraint_type == SANE_CONSTRAINT_STRING_LIST)
        for (const SANE_String_Const* s = d->constraint.string_list; s && *s; ++s)
            list << QString::fromUtf8(*s);
    return list;
}

bool TSaneDevice::SetOption(const QString& name, const QString& value, TPicError& err)
{
    const int i = OptionIndex(name);
    if (i <= 0)
        return Fail(err, QString("Der Scanner kennt die Einstellung \"%1\" nicht.").arg(name));
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(H(handle_), i);
    if (!SANE_OPTION_IS_SETTABLE(d->cap) || !SANE_OPTION_IS_ACTIVE(d->cap))
        return Fail(err, QString("Die Einstellung \"%1\" kann nicht geändert werden.").arg(name));
    std::vector<char> buffer(size_t(std::max<SANE_Int>(d->size, sizeof(SANE_Word))) + 1, '\0');
    bool ok = true;
    switch (d->type) {
    case SANE_TYPE_BOOL: {
        const QString v = value.trimmed().toLower();
        SANE_Word w = (v == "1" || v == "yes" || v == "true") ? SANE_TRUE : SANE_FALSE;
        ok = w || v == "0" || v == "no" || v == "false";
        std::memcpy(buffer.data(), &w, sizeof w);
        break;
    }
    case SANE_TYPE_INT:
    case SANE_TYPE_FIXED: {
        const double v = value.trimmed().replace(',', '.').toDouble(&ok);
        ok = ok && std::isfinite(v) && std::fabs(v) < 1e6;
        SANE_Word w = d->type == SANE_TYPE_INT ? SANE_Word(std::lround(ok ? v : 0)) : SANE_FIX(ok ? v : 0);
        std::memcpy(buffer.data(), &w, sizeof w);
        break;
    }
    case SANE_TYPE_STRING: {
        const QByteArray bytes = value.toUtf8();
        ok = bytes.size() < d->size;
        if (ok)
            std::memcpy(buffer.data(), bytes.constData(), size_t(bytes.size()));
        break;
    }
    default: ok = false; break;
    }
    if (!ok)
        return Fail(err, QString("\"%1\" ist kein gültiger Wert für \"%2\".").arg(value, name));
    const SANE_Status status = sane_control_option(H(handle_), i, SANE_ACTION_SET_VALUE, buffer.data(), nullptr);
    if (status != SANE_STATUS_GOOD)
        return Fail(err, QString("\"%1\" kann nicht auf \"%2\" gesetzt werden: %3").arg(name, value, ScanStatusText(status)));
    return true;
}

QList<TScanOption> TSaneDevice::Options() const
{
    QList<TScanOption> options;
    if (!handle_)
        return options;
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(H(handle_), i);
        if (!d)
            break;
        TScanOption o;
        o.Name = QString::fromUtf8(d->name ? d->name : "");
        o.Title = QString::fromUtf8(d->title ? d->title : "");
        o.Description = QString::fromUtf8(d->desc ? d->desc : "");
        o.Unit = d->unit;
        o.Active = SANE_OPTION_IS_ACTIVE(d->cap);
        o.Settable = SANE_OPTION_IS_SETTABLE(d->cap);
        switch (d->type) {
        case SANE_TYPE_BOOL: o.Kind = TScanOption::soBool; break;
        case SANE_TYPE_INT: o.Kind = TScanOption::soInt; break;
        case SANE_TYPE_FIXED: o.Kind = TScanOption::soFixed; break;
        case SANE_TYPE_STRING: o.Kind = TScanOption::soString; break;
        case SANE_TYPE_BUTTON: o.Kind = TScanOption::soButton; break;
        default: o.Kind = TScanOption::soGroup; break;
        }
        if (o.Kind == TScanOption::soGroup) {
            options << o;
            continue;
        }
        if (o.Name.isEmpty())
            continue;  // only the option count has no name
        // An array of numbers (a gamma table) is beyond a settings window.
        if ((o.Kind == TScanOption::soInt || o.Kind == TScanOption::soFixed) && d->size > SANE_Int(sizeof(SANE_Word)))
            o.Settable = false;
        auto number = [&](SANE_Word w) { return o.Kind == TScanOption::soFixed ? SANE_UNFIX(w) : double(w); };
        if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
            o.HasRange = true;
            o.Min = number(d->constraint.range->min);
            o.Max = number(d->constraint.range->max);
            o.Quant = number(d->constraint.range->quant);
        } else if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
            for (SANE_Int k = 1; k <= d->constraint.word_list[0]; ++k)
                o.Choices << QString::number(number(d->constraint.word_list[k]));
        } else if (d->constraint_type == SANE_CONSTRAINT_STRING_LIST) {
            o.Choices = OptionChoices(o.Name);
        }
        if (o.Kind != TScanOption::soButton)
            o.Value = Option(o.Name);
        options << o;
    }
    return options;
}

bool TSaneDevice::PressButton(const QString& name, TPicError& err)
{
    const int i = OptionIndex(name);
    if (i <= 0)
        return Fail(err, QString("Der Scanner kennt die Einstellung \"%1\" nicht.").arg(name));
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(H(handle_), i);
    if (d->type != SANE_TYPE_BUTTON || !SANE_OPTION_IS_SETTABLE(d->cap) || !SANE_OPTION_IS_ACTIVE(d->cap))
        return Fail(err, QString("Die Schaltfläche \"%1\" kann nicht betätigt werden.").arg(name));
    const SANE_Status status = sane_control_option(H(handle_), i, SANE_ACTION_SET_VALUE, nullptr, nullptr);
    if (status != SANE_STATUS_GOOD)
        return Fail(err, QString("\"%1\" hat nicht funktioniert: %2").arg(name, ScanStatusText(status)));
    return true;
}

QString TSaneDevice::FeederChoice() const
{
    for (const QString& s : OptionChoices(SANE_NAME_SCAN_SOURCE))
        if (s.contains("Feeder", Qt::CaseInsensitive) || s.contains("ADF", Qt::CaseInsensitive))
            return s;
    return QString();
}

TSaneDevice::TResult TSaneDevice::Scan(TPicImage& out, TPicError& err, const std::function<bool()>& cancelled)
{
    out = TPicImage();
    if (!handle_) {
        Fail(err, "Kein Scanner geöffnet.");
        return TScanSession::srFailed;
    }
    // From here on a scan that does not end with a picture leaves the
    // source to be cancelled (CancelScan), once the caller has told of it.
    cancelDue_ = true;
    SANE_Status status = sane_start(H(handle_));
    if (status == SANE_STATUS_NO_DOCS) {
        err.Code = peTwain;
        err.Text = ScanStatusText(status);
        return TScanSession::srNoDocuments;
    }
    if (status != SANE_STATUS_GOOD) {
        Fail(err, "Der Scan kann nicht beginnen: " + ScanStatusText(status));
        return TScanSession::srFailed;
    }
    QImage image;
    bool first = true;
    for (;;) {
        SANE_Parameters p{};
        status = sane_get_parameters(H(handle_), &p);
        if (status != SANE_STATUS_GOOD) {
                Fail(err, "Der Scanner gibt sein Bildformat nicht an: " + ScanStatusText(status));
            return TScanSession::srFailed;
        }
        const int width = p.pixels_per_line, bpl = p.bytes_per_line;
        if (width <= 0 || bpl <= 0 || (p.lines > 0 && !PictureSizeAllowed(width, p.lines)) ||
            (p.depth != 1 && p.depth != 8 && p.depth != 16)) {
                Fail(err, QString("Das Bild des Scanners hat ein Format, das nicht gelesen werden kann (%1 x %2, %3 Bit).")
                          .arg(width)
                          .arg(p.lines)
                          .arg(p.depth));
            return TScanSession::srFailed;
        }
        // A line must hold the pixels it announces.
        const int channels = p.format == SANE_FRAME_RGB ? 3 : 1;
        const qint64 needed = p.depth == 1 ? (qint64(width) * channels + 7) / 8 : qint64(width) * channels * (p.depth / 8);
        if (bpl < needed) {
                Fail(err, QString("Der Scanner meldet %1 Bytes für eine Zeile von %2 Pixeln.").arg(bpl).arg(width));
            return TScanSession::srFailed;
        }
        // Read the frame as it comes (a hand scanner does not know its
        // height before); what the header announces is no allocation.
        QByteArray data;
        std::vector<SANE_Byte> chunk(65536);
        for (;;) {
            if (cancelled && cancelled()) {
                        Fail(err, "Der Scan wurde abgebrochen: " + ScanStatusText(SANE_STATUS_CANCELLED));
                return TScanSession::srFailed;
            }
            SANE_Int got = 0;
            status = sane_read(H(handle_), chunk.data(), SANE_Int(chunk.size()), &got);
            if (status == SANE_STATUS_EOF)
                break;
            if (status != SANE_STATUS_GOOD) {
                        Fail(err, "Der Scan ist fehlgeschlagen: " + ScanStatusText(status));
                return TScanSession::srFailed;
            }
            data.append(reinterpret_cast<const char*>(chunk.data()), got);
            if (!PictureSizeAllowed(width, data.size() / bpl + 1)) {
                        Fail(err, "Das Bild des Scanners ist zu groß.");
                return TScanSession::srFailed;
            }
        }
        const int lines = int(data.size() / bpl);
        if (lines <= 0) {
                Fail(err, "Der Scanner hat kein Bild geliefert.");
            return TScanSession::srFailed;
        }
        const bool colour = p.format != SANE_FRAME_GRAY;
        if (first) {
            image = QImage(width, lines, colour ? QImage::Format_RGB32
                                                : p.depth == 1 ? QImage::Format_Mono : QImage::Format_Grayscale8);
            if (image.isNull()) {
                        Fail(err, "Nicht genug Speicher für das Bild des Scanners.");
                return TScanSession::srFailed;
            }
            if (p.depth == 1 && !colour)
                image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});  // SANE: 1 is black
            image.fill(colour ? 0xff000000u : 0u);
            first = false;
        }
        const int h = std::min(lines, image.height()), w = std::min(width, image.width());
        auto sample = [&](const uchar* line, int index) -> int {
            if (p.depth == 16)
                return line[index * 2 + 1];  // little-endian: the high byte
            if (p.depth == 1)
                return (line[index / 8] >> (7 - index % 8)) & 1 ? 0 : 255;
            return line[index];
        };
        for (int y = 0; y < h; ++y) {
            const auto* line = reinterpret_cast<const uchar*>(data.constData()) + qsizetype(y) * bpl;
            if (!colour) {
                if (p.depth == 1)
                    std::memcpy(image.scanLine(y), line, size_t(std::min(bpl, int(image.bytesPerLine()))));
                else {
                    uchar* dst = image.scanLine(y);
                    for (int x = 0; x < w; ++x)
                        dst[x] = uchar(sample(line, x));
                }
                continue;
            }
            auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < w; ++x) {
                QRgb c = dst[x];
                if (p.format == SANE_FRAME_RGB) {
                    c = qRgb(sample(line, x * 3), sample(line, x * 3 + 1), sample(line, x * 3 + 2));
                } else {
                    const int v = sample(line, x);
                    c = p.format == SANE_FRAME_RED     ? qRgb(v, qGreen(c), qBlue(c))
                        : p.format == SANE_FRAME_GREEN ? qRgb(qRed(c), v, qBlue(c))
                                                       : qRgb(qRed(c), qGreen(c), v);
                }
                dst[x] = c;
            }
        }
        if (p.last_frame)
            break;
        status = sane_start(H(handle_));
        if (status != SANE_STATUS_GOOD) {
                Fail(err, "Der Scan ist fehlgeschlagen: " + ScanStatusText(status));
            return TScanSession::srFailed;
        }
    }
    // A feeder keeps its session for the next page; the frame is done.
    cancelDue_ = false;
    out = TPicImage::FromQImage(image);
    const double dpi = Option(SANE_NAME_SCAN_RESOLUTION).toDouble();
    const double ydpi = HasOption(SANE_NAME_SCAN_Y_RESOLUTION) ? Option(SANE_NAME_SCAN_Y_RESOLUTION).toDouble() : 0;
    out.ResolutionX = dpi > 0 ? dpi : 96;
    out.ResolutionY = ydpi > 0 ? ydpi : out.ResolutionX;
    return TScanSession::srPicture;
}

void TSaneDevice::CancelScan()
{
    if (!handle_ || !cancelDue_)
        return;
    cancelDue_ = false;
    sane_cancel(H(handle_));
}
