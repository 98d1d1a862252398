// Pixel memory of the map tiles. A survey makes hundreds of tile bitmaps of
// a megabyte or so at once (a replay, a new row of tiles under a wide swath)
// and gives them all back at the next change of scale. From the general heap
// such bitmaps cost one page fault per 4 KiB when made, and what is freed
// stays with the process. Here they come from large chunks mapped for the
// purpose and marked for huge pages (one fault per 2 MiB where the system
// has them), cut into slots of one bitmap size; a chunk whose slots are all
// free is unmapped at once, so memory given back is the system's again.
//
// Under AddressSanitizer bitmaps keep the general heap, where every pixel
// written past a bitmap is caught.
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/gdi_internal.h"

namespace plat {
namespace detail {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPoolEnabled = false;
#else
constexpr bool kPoolEnabled = true;
#endif

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kChunkBytes = size_t{16} << 20;  // at least this much per chunk
constexpr size_t kSlotAlign = 64;

struct Chunk {
    uint8_t* Base = nullptr;
    size_t Bytes = 0;      // mapped
    size_t SlotBytes = 0;
    std::vector<bool> Used;
    int InUse = 0;
};

// Never destroyed: bitmaps still held by other globals give their pixels
// back during the program's exit, in no set order with this file's statics.
struct Pool {
    std::mutex Lock;
    std::vector<Chunk> Chunks;
};
Pool& ThePool() {
    static Pool* pool = new Pool;
    return *pool;
}

// A mapping of `bytes` (a multiple of the huge page) aligned to the huge
// page, so that every whole huge page of it can be one.
uint8_t* MapAligned(size_t bytes) {
    void* raw = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
    const size_t head = aligned - start, tail = kHugePage - head;
    if (head > 0) munmap(raw, head);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
    return reinterpret_cast<uint8_t*>(aligned);
}

void Release(void* pixels) {
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> hold(pool.Lock);
    std::vector<Chunk>& chunks = pool.Chunks;
    auto* p = static_cast<uint8_t*>(pixels);
    for (size_t i = 0; i < chunks.size(); ++i) {
        Chunk& c = chunks[i];
        if (p < c.Base || p >= c.Base + c.Bytes) continue;
        const size_t slot = static_cast<size_t>(p - c.Base) / c.SlotBytes;
        if (slot < c.Used.size() && c.Used[slot]) {
            c.Used[slot] = false;
            --c.InUse;
        }
        if (c.InUse == 0) {
            munmap(c.Base, c.Bytes);
            chunks.erase(chunks.begin() + static_cast<std::ptrdiff_t>(i));
        }
        return;
    }
}

void ReleaseImagePixels(void* pixels) { Release(pixels); }

uint8_t* Take(size_t bytes) {
    const size_t slotBytes = (bytes + kSlotAlign - 1) / kSlotAlign * kSlotAlign;
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> hold(pool.Lock);
    std::vector<Chunk>& chunks = pool.Chunks;
    // The fullest chunk of this size with room: chunks empty out together
    // when a change of scale gives back most of the tiles.
    Chunk* best = nullptr;
    for (Chunk& c : chunks) {
        if (c.SlotBytes != slotBytes || c.InUse == static_cast<int>(c.Used.size())) continue;
        if (best == nullptr || c.InUse > best->InUse) best = &c;
    }
    if (best == nullptr) {
        Chunk c;
        c.Bytes = (std::max(kChunkBytes, slotBytes) + kHugePage - 1) / kHugePage * kHugePage;
        c.Base = MapAligned(c.Bytes);
        if (c.Base == nullptr) return nullptr;
        c.SlotBytes = slotBytes;
        c.Used.assign(c.Bytes / slotBytes, false);
        chunks.push_back(std::move(c));
        best = &chunks.back();
    }
    const auto free = std::find(best->Used.begin(), best->Used.end(), false);
    const size_t slot = static_cast<size_t>(free - best->Used.begin());
    best->Used[slot] = true;
    ++best->InUse;
    return best->Base + slot * slotBytes;
}

}  // namespace

QImage PooledImage(int32_t width, int32_t height, QImage::Format format) {
    if (!kPoolEnabled) return QImage(width, height, format);
    // Rows start on 32-bit boundaries, as the image's own rows would.
    const qsizetype line = (qsizetype{width} * (format == QImage::Format_Indexed8 ? 1 : 4) + 3) / 4 * 4;
    uint8_t* pixels = Take(static_cast<size_t>(line) * static_cast<size_t>(height));
    if (pixels == nullptr) return QImage(width, height, format);
    return QImage(pixels, width, height, line, format, ReleaseImagePixels, pixels);
}

}  // namespace detail

PixelPoolFigures GetPixelPoolFigures() {
    PixelPoolFigures f;
    detail::Pool& pool = detail::ThePool();
    std::lock_guard<std::mutex> hold(pool.Lock);
    f.Enabled = detail::kPoolEnabled;
    for (const detail::Chunk& c : pool.Chunks) {
        ++f.Chunks;
        f.MappedBytes += static_cast<int64_t>(c.Bytes);
        f.Bitmaps += c.InUse;
    }
    return f;
}

}  // namespace plat
