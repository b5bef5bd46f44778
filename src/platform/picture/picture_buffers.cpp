#include "platform/picture/picture_buffers.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

struct TPicBuffers::TPool {
    struct TBuffer {
        uchar* Data;
        qsizetype Bytes;
        bool Held;
    };
    std::mutex Lock;
    std::vector<TBuffer> Buffers;
    bool Open = true;

    // Frees the buffers no picture holds (the lock held).
    void GiveBackFree()
    {
        for (const TBuffer& b : Buffers)
            if (!b.Held)
                std::free(b.Data);
        Buffers.erase(std::remove_if(Buffers.begin(), Buffers.end(), [](const TBuffer& b) { return !b.Held; }),
                      Buffers.end());
    }
};

// What a picture's cleanup needs: its pool (which may be gone by then) and
// its memory.
struct TPicBuffers::TTicket {
    std::shared_ptr<TPool> Pool;
    uchar* Data;
};

TPicBuffers::TPicBuffers() : pool_(std::make_shared<TPool>()) {}

TPicBuffers::~TPicBuffers()
{
    const std::lock_guard<std::mutex> guard(pool_->Lock);
    pool_->Open = false;
    pool_->GiveBackFree();
}

void TPicBuffers::Release(void* ticket)
{
    const std::unique_ptr<TTicket> t(static_cast<TTicket*>(ticket));
    const std::lock_guard<std::mutex> guard(t->Pool->Lock);
    auto& buffers = t->Pool->Buffers;
    const auto it = std::find_if(buffers.begin(), buffers.end(), [&](const TPool::TBuffer& b) { return b.Data == t->Data; });
    if (t->Pool->Open && it != buffers.end()) {
        it->Held = false;
        return;
    }
    std::free(t->Data);
    if (it != buffers.end())
        buffers.erase(it);
}

QImage TPicBuffers::Image(QSize size, QImage::Format format)
{
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    if (size.isEmpty() || depth <= 0)
        return {};
    const qsizetype zeile = ((qsizetype(size.width()) * depth + 31) / 32) * 4;
    const qsizetype bytes = zeile * size.height();
    uchar* data = nullptr;
    {
        const std::lock_guard<std::mutex> guard(pool_->Lock);
        auto& buffers = pool_->Buffers;
        const auto frei = std::find_if(buffers.begin(), buffers.end(),
                                       [&](const TPool::TBuffer& b) { return !b.Held && b.Bytes == bytes; });
        if (frei != buffers.end()) {
            frei->Held = true;
            data = frei->Data;
        } else {
            pool_->GiveBackFree();
            data = static_cast<uchar*>(std::malloc(size_t(bytes)));
            if (!data)
                return {};
            buffers.push_back({data, bytes, true});
        }
    }
    return QImage(data, size.width(), size.height(), zeile, format, &TPicBuffers::Release,
                  new TTicket{pool_, data});
}

int TPicBuffers::Count() const
{
    const std::lock_guard<std::mutex> guard(pool_->Lock);
    return int(pool_->Buffers.size());
}
