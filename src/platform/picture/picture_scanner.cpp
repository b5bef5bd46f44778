#include "platform/picture/picture_scanner.h"

#include <QByteArray>
#include <QDataStream>
#include <QImage>
#include <QIODevice>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <map>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "platform/picture/scan_device.h"

namespace {

QString g_chosenSource;
std::chrono::milliseconds g_watchdog{60000};
std::function<void(const QString&)> g_fault;
// Options set on each source, in the order set: every new helper sets them
// again, so they stay for the program's later sessions on the source.
std::map<QString, std::vector<std::pair<QString, QString>>> g_options;
// Helpers that were told to end and may not have yet, with the time told.
std::vector<std::pair<pid_t, std::chrono::steady_clock::time_point>> g_ending;

// What the program asks of a helper, and what a helper sends back.
enum TRequest : qint32 { rqSources, rqOpen, rqHasOption, rqWritable, rqOption, rqChoices, rqSetOption, rqFeeder, rqScan, rqCancel, rqEnd, rqOptions, rqButton };
enum TReply : qint32 { rpAnswer, rpAlive };

bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

// One message: its length (4 bytes) and its bytes.
bool Send(int fd, const QByteArray& message)
{
    const quint32 size = quint32(message.size());
    return WriteAll(fd, reinterpret_cast<const char*>(&size), sizeof size) &&
           WriteAll(fd, message.constData(), std::size_t(message.size()));
}

bool ReadAll(int fd, char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::read(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

bool Receive(int fd, QByteArray& message)
{
    quint32 size = 0;
    if (!ReadAll(fd, reinterpret_cast<char*>(&size), sizeof size))
        return false;
    message.resize(qsizetype(size));
    return ReadAll(fd, message.data(), size);
}

template <typename... Values>
QByteArray Message(const Values&... values)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    (out << ... << values);
    return bytes;
}

void WriteImage(QDataStream& out, const TPicImage& pic)
{
    const QImage& img = pic.Pixels;
    out << qint32(img.width()) << qint32(img.height()) << qint32(img.format()) << img.colorTable()
        << pic.ResolutionX << pic.ResolutionY;
    for (int y = 0; y < img.height(); ++y)
        out.writeRawData(reinterpret_cast<const char*>(img.constScanLine(y)), int(img.bytesPerLine()));
}

bool ReadImage(QDataStream& in, TPicImage& pic)
{
    qint32 width = 0, height = 0, format = 0;
    QList<QRgb> colours;
    double dpiX = 0, dpiY = 0;
    in >> width >> height >> format >> colours >> dpiX >> dpiY;
    if (in.status() != QDataStream::Ok || width <= 0 || height <= 0 || format <= 0 || format >= QImage::NImageFormats)
        return false;
    QImage img(width, height, QImage::Format(format));
    if (img.isNull())
        return false;
    img.setColorTable(colours);
    for (int y = 0; y < height; ++y)
        if (in.readRawData(reinterpret_cast<char*>(img.scanLine(y)), int(img.bytesPerLine())) != img.bytesPerLine())
            return false;
    pic = TPicImage::FromQImage(img);
    pic.ResolutionX = dpiX;
    pic.ResolutionY = dpiY;
    return true;
}

void Fault(const char* point)
{
    if (g_fault)
        g_fault(QString::fromLatin1(point));
}

// The helper's life: answers the program's requests until told to end or
// the program goes away. Never returns.
[[noreturn]] void Serve(int fd)
{
    TSaneDevice device;
    for (;;) {
        QByteArray request;
        if (!Receive(fd, request))
            ::_exit(0);
        QDataStream in(request);
        qint32 kind = -1;
        QString name, value;
        in >> kind;
        TPicError err;
        QByteArray answer;
        QDataStream out(&answer, QIODevice::WriteOnly);
        out << qint32(rpAnswer);
        switch (kind) {
        case rqSources: {
            QList<TScanSource> sources;
            const bool ok = SaneSources(sources, err);
            out << ok << qint32(sources.size());
            for (const TScanSource& s : sources)
                out << s.Name << s.Description;
            break;
        }
        case rqOpen:
            in >> name;
            out << device.Open(name, err) << device.Source();
            break;
        case rqHasOption: in >> name; out << device.HasOption(name); break;
        case rqWritable: in >> name; out << device.OptionWritable(name); break;
        case rqOption: in >> name; out << device.Option(name); break;
        case rqChoices: in >> name; out << device.OptionChoices(name); break;
        case rqSetOption:
            in >> name >> value;
            out << device.SetOption(name, value, err);
            break;
        case rqFeeder: out << device.FeederChoice(); break;
        case rqOptions: {
            const QList<TScanOption> options = device.Options();
            out << qint32(options.size());
            for (const TScanOption& o : options)
                out << o.Name << o.Title << o.Description << o.Kind << o.Unit << o.Active << o.Settable << o.HasRange
                    << o.Min << o.Max << o.Quant << o.Choices << o.Value;
            break;
        }
        case rqButton:
            in >> name;
            out << device.PressButton(name, err);
            break;
        case rqScan: {
            // Between the pieces: the program hears that the helper lives,
            // and a cancel it sent meanwhile is taken.
            auto cancelled = [fd] {
                Fault("read");
                if (!Send(fd, Message(qint32(rpAlive))))
                    ::_exit(0);
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 0) <= 0)
                    return false;
                QByteArray next;
                if (!Receive(fd, next))
                    ::_exit(0);
                return true;  // only a cancel comes while a scan runs
            };
            TPicImage pic;
            const TScanSession::TResult r = device.Scan(pic, err, cancelled);
            out << qint32(r) << qint32(err.Code) << err.Text;
            if (r == TScanSession::srPicture)
                WriteImage(out, pic);
            if (!Send(fd, answer))
                ::_exit(0);
            if (r == TScanSession::srPicture)
                continue;
            // Told first: a backend may hang in its cancel, and this
            // process then ends with it; the session goes on in a new one.
            Fault("cancel");
            device.CancelScan();
            device.Close();
            ::_exit(0);
        }
        case rqEnd:
        default:
            device.Close();
            ::_exit(0);
        }
        out << qint32(err.Code) << err.Text;
        if (!Send(fd, answer))
            ::_exit(0);
    }
}

// Reaps the helpers told to end that have; one still there after the
// watchdog's time hangs in its backend and is killed.
void ReapEnding()
{
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(g_ending, [&](const auto& ending) {
        const auto& [pid, since] = ending;
        if (::waitpid(pid, nullptr, WNOHANG) == pid)
            return true;
        if (now - since <= g_watchdog)
            return false;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return true;
    });
}

bool Failed(TPicError& err, const QString& text)
{
    err.Code = peTwain;
    err.Text = text;
    return false;
}

}  // namespace

// The program's side of one helper process.
class TScanHelper {
public:
    ~TScanHelper() { End(); }

    bool Start(TPicError& err)
    {
        ReapEnding();
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
            return Failed(err, "Die Verbindung zum Scanner kann nicht hergestellt werden.");
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ < 0) {
            ::close(fds[0]);
            ::close(fds[1]);
            return Failed(err, "Die Verbindung zum Scanner kann nicht hergestellt werden.");
        }
        if (pid_ == 0) {
            // The helper keeps its end of the connection (as descriptor 3)
            // and nothing else of the program's, and ends with the program.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent)
                ::_exit(0);
            ::close(fds[0]);
            if (::dup2(fds[1], 3) < 0)
                ::_exit(1);
            ::close_range(4, ~0U, 0);
            Serve(3);
        }
        ::close(fds[1]);
        fd_ = fds[0];
        return true;
    }

    // Sends `request` and waits for the answer in short steps, asking
    // `cancelled` at each; false (the helper ended) when it stays silent
    // longer than the watchdog allows or goes away.
    bool Call(const QByteArray& request, QByteArray& answer, TPicError& err,
              const std::function<bool()>& cancelled = {})
    {
        if (fd_ < 0 || !Send(fd_, request))
            return Lost(err);
        auto heard = std::chrono::steady_clock::now();
        bool cancelSent = false;
        std::vector<char> buffer;
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            const int ready = ::poll(&p, 1, 20);
            if (ready > 0) {
                char chunk[65536];
                const ssize_t n = ::read(fd_, chunk, sizeof chunk);
                if (n <= 0 && !(n < 0 && errno == EINTR))
                    return Lost(err);
                if (n > 0)
                    buffer.insert(buffer.end(), chunk, chunk + n);
                heard = std::chrono::steady_clock::now();
                // Whole messages: an answer ends the call.
                while (buffer.size() >= 4) {
                    quint32 size = 0;
                    std::memcpy(&size, buffer.data(), 4);
                    if (buffer.size() < 4 + std::size_t(size))
                        break;
                    QByteArray message(buffer.data() + 4, qsizetype(size));
                    buffer.erase(buffer.begin(), buffer.begin() + 4 + std::ptrdiff_t(size));
                    QDataStream in(message);
                    qint32 kind = -1;
                    in >> kind;
                    if (kind == rpAnswer) {
                        answer = message.mid(4);
                        return true;
                    }
                }
            }
            if (cancelled && !cancelSent && cancelled()) {
                cancelSent = true;
                if (!Send(fd_, Message(qint32(rqCancel))))
                    return Lost(err);
            }
            if (std::chrono::steady_clock::now() - heard > g_watchdog) {
                Kill();
                return Failed(err, "Der Scanner antwortet nicht mehr; die Verbindung zu ihm wurde beendet.");
            }
        }
    }

    // Tells the helper to end, without waiting for it (it is reaped, or
    // killed when hung, later).
    void End()
    {
        if (pid_ <= 0)
            return;
        Send(fd_, Message(qint32(rqEnd)));
        ::close(fd_);
        fd_ = -1;
        g_ending.emplace_back(pid_, std::chrono::steady_clock::now());
        pid_ = -1;
        ReapEnding();
    }

private:
    bool Lost(TPicError& err)
    {
        Kill();
        return Failed(err, "Die Verbindung zum Scanner ist abgebrochen.");
    }
    void Kill()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0)
            ::close(fd_);
        pid_ = -1;
        fd_ = -1;
    }

    pid_t pid_ = -1;
    int fd_ = -1;
};

void SetScanWatchdog(std::chrono::milliseconds silence)
{
    g_watchdog = silence;
}

void SetScanHelperFault(std::function<void(const QString& point)> fault)
{
    g_fault = std::move(fault);
}

int RunningScanHelpers()
{
    ReapEnding();
    return int(g_ending.size());
}

QString ScanChosenSource()
{
    return g_chosenSource;
}

void SetScanChosenSource(const QString& name)
{
    g_chosenSource = name;
}

namespace {

// The answer's own error (code and text) after its values.
bool AnswerError(QDataStream& in, TPicError& err)
{
    qint32 code = 0;
    QString text;
    in >> code >> text;
    if (code != 0) {
        err.Code = int(code);
        err.Text = text;
    }
    return in.status() == QDataStream::Ok;
}

}  // namespace

bool ScanSources(QList<TScanSource>& sources, TPicError& err)
{
    sources.clear();
    TScanHelper helper;
    QByteArray answer;
    if (!helper.Start(err) || !helper.Call(Message(qint32(rqSources)), answer, err))
        return false;
    QDataStream in(answer);
    bool ok = false;
    qint32 count = 0;
    in >> ok >> count;
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        TScanSource s;
        in >> s.Name >> s.Description;
        sources.push_back(s);
    }
    AnswerError(in, err);
    return ok;
}

TScanSession::TScanSession() = default;

TScanSession::~TScanSession()
{
    Close();
}

bool TScanSession::Ready(TPicError& err) const
{
    if (helper_)
        return true;
    auto helper = std::make_unique<TScanHelper>();
    QByteArray answer;
    if (!helper->Start(err) || !helper->Call(Message(qint32(rqOpen), source_), answer, err))
        return false;
    QDataStream in(answer);
    bool opened = false;
    QString name;
    in >> opened >> name;
    AnswerError(in, err);
    if (!opened)
        return false;
    source_ = name;  // an empty name opened the first source: the session keeps to it
    for (const auto& [option, value] : g_options[name]) {
        TPicError ignored;
        helper->Call(Message(qint32(rqSetOption), option, value), answer, ignored);
    }
    helper_ = std::move(helper);
    return true;
}

bool TScanSession::Open(const QString& source, TPicError& err)
{
    Close();
    source_ = source;
    if (!Ready(err))
        return false;
    open_ = true;
    return true;
}

void TScanSession::Close()
{
    if (helper_)
        helper_->End();
    helper_.reset();
    open_ = false;
}

namespace {

// One question to an open session's helper; the answer stream, or none.
template <typename Read>
void Ask(const TScanSession& session, std::unique_ptr<TScanHelper>& helper, const QByteArray& request, Read read)
{
    if (!session.IsOpen() || !helper)
        return;
    QByteArray answer;
    TPicError err;
    if (!helper->Call(request, answer, err)) {
        helper.reset();
        return;
    }
    QDataStream in(answer);
    read(in);
}

}  // namespace

bool TScanSession::HasOption(const QString& name) const
{
    TPicError err;
    bool has = false;
    if (open_ && Ready(err))
        Ask(*this, helper_, Message(qint32(rqHasOption), name), [&](QDataStream& in) { in >> has; });
    return has;
}

bool TScanSession::OptionWritable(const QString& name) const
{
    TPicError err;
    bool writable = false;
    if (open_ && Ready(err))
        Ask(*this, helper_, Message(qint32(rqWritable), name), [&](QDataStream& in) { in >> writable; });
    return writable;
}

QString TScanSession::Option(const QString& name) const
{
    TPicError err;
    QString value;
    if (open_ && Ready(err))
        Ask(*this, helper_, Message(qint32(rqOption), name), [&](QDataStream& in) { in >> value; });
    return value;
}

QStringList TScanSession::OptionChoices(const QString& name) const
{
    TPicError err;
    QStringList choices;
    if (open_ && Ready(err))
        Ask(*this, helper_, Message(qint32(rqChoices), name), [&](QDataStream& in) { in >> choices; });
    return choices;
}

QString TScanSession::FeederChoice() const
{
    TPicError err;
    QString feeder;
    if (open_ && Ready(err))
        Ask(*this, helper_, Message(qint32(rqFeeder)), [&](QDataStream& in) { in >> feeder; });
    return feeder;
}

QList<TScanOption> TScanSession::Options() const
{
    TPicError err;
    QList<TScanOption> options;
    if (open_ && Ready(err))
        Ask(*this, helper_, Message(qint32(rqOptions)), [&](QDataStream& in) {
            qint32 n = 0;
            in >> n;
            for (qint32 i = 0; i < n && in.status() == QDataStream::Ok; ++i) {
                TScanOption o;
                in >> o.Name >> o.Title >> o.Description >> o.Kind >> o.Unit >> o.Active >> o.Settable >> o.HasRange
                    >> o.Min >> o.Max >> o.Quant >> o.Choices >> o.Value;
                options << o;
            }
        });
    return options;
}

bool TScanSession::Command(const QByteArray& request, TPicError& err)
{
    if (!open_)
        return Failed(err, "Kein Scanner geöffnet.");
    if (!Ready(err))
        return false;
    QByteArray answer;
    if (!helper_->Call(request, answer, err)) {
        helper_.reset();
        return false;
    }
    QDataStream in(answer);
    bool done = false;
    in >> done;
    AnswerError(in, err);
    return done;
}

bool TScanSession::PressButton(const QString& name, TPicError& err)
{
    return Command(Message(qint32(rqButton), name), err);
}

bool TScanSession::SetOption(const QString& name, const QString& value, TPicError& err)
{
    const bool set = Command(Message(qint32(rqSetOption), name, value), err);
    if (set) {
        auto& options = g_options[source_];
        std::erase_if(options, [&](const auto& o) { return o.first == name; });
        options.emplace_back(name, value);
    }
    return set;
}

TScanSession::TResult TScanSession::Scan(TPicImage& out, TPicError& err, const std::function<bool()>& cancelled)
{
    out = TPicImage();
    if (!open_) {
        Failed(err, "Kein Scanner geöffnet.");
        return srFailed;
    }
    if (!Ready(err))
        return srFailed;
    QByteArray answer;
    if (!helper_->Call(Message(qint32(rqScan)), answer, err, cancelled)) {
        helper_.reset();
        return srFailed;
    }
    QDataStream in(answer);
    qint32 result = srFailed, code = 0;
    QString text;
    in >> result >> code >> text;
    if (result == srPicture) {
        if (ReadImage(in, out))
            return srPicture;
        Failed(err, "Das Bild des Scanners ist unvollständig angekommen.");
        helper_.reset();
        return srFailed;
    }
    // The helper cancels the scan and ends; the next call starts a new one.
    helper_->End();
    helper_.reset();
    err.Code = int(code);
    err.Text = text;
    return result == srNoDocuments ? srNoDocuments : srFailed;
}
