#pragma once
// Pixel memory that pictures decoded one after another at one size share
// over time (the sections a list print decodes, entry by entry): the memory
// of a picture nobody holds any longer goes to the next picture of that
// size instead of back to the system. Fresh memory costs a page fault for
// every 4 KB on its first touch: a 12-megapixel section takes about 11 000
// of them, on a virtual machine as long as its decode, and longer while
// other processes fault at the same time.

#include <QImage>
#include <QSize>

#include <memory>

class TPicBuffers {
public:
    TPicBuffers();
    // Memory a picture still holds goes when that picture goes.
    ~TPicBuffers();
    TPicBuffers(const TPicBuffers&) = delete;
    TPicBuffers& operator=(const TPicBuffers&) = delete;

    // A picture of that size and format, its pixels undefined, in memory of
    // the pool: a free buffer of its size, else a new one (free buffers of
    // other sizes are given back first). Null when the memory cannot be had.
    QImage Image(QSize size, QImage::Format format);
    // The buffers the pool keeps, free or held by pictures.
    int Count() const;

private:
    struct TPool;
    struct TTicket;
    static void Release(void* ticket);
    std::shared_ptr<TPool> pool_;
};
