#include "survey_files/data_file_shortened.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/tick.h"
#include "survey_files/append_check.h"
#include "survey_files/data_file.h"
#include "survey_files/data_file_rescue.h"
#include "survey_files/survey_model.h"

namespace {

// Records that came while the file was found shorter and its size had not
// held still yet, in the order they came; under the data file lock. A
// minute of nine consoles and a 20 Hz GPS at full rate fits; the pause the
// look brings stops them long before.
std::array<char, 1024 * 1024> g_held;
size_t g_heldBytes = 0;

// Before a close: looks this far apart, this many times at the most.
constexpr uint32_t kCloseLookMs = 250;
constexpr int kCloseLooks = 12;

// What another program left of the file, `size` bytes, judged as an append
// judges it before anything more goes in (the lock held, so no reader's
// record lands first): a torn write at its end (part of a record, or the
// beginning of a run) is cut away; an end no write leaves (no whole header,
// records out of step) refuses every later write, the file left as it is.
void KeepShortenedFileWhole(int64_t size) {
    DataFileStateRecord& d = DataFileState;
    const DataFileEndJudgement end = JudgeDataFileEnd(d.DataFileHandle, size);
    d.ShortenedCutBytes = 0;
    if (end.Refused) {
        d.EndRefused = 1;
        std::snprintf(d.EndRefusedWhy, sizeof d.EndRefusedWhy, "%s", end.Why);
        return;
    }
    if (end.CutTo == size) return;
    if (!plat::TruncateFile(d.DataFileHandle, end.CutTo)) {
        d.EndRefused = 1;
        std::snprintf(d.EndRefusedWhy, sizeof d.EndRefusedWhy, "The partial %s at its end cannot be cut away.", end.Cut);
        return;
    }
    d.WrittenSize = end.CutTo;  // the program's own cut, not a loss
    d.ShortenedCutBytes = size - end.CutTo;
    std::snprintf(d.ShortenedCut, sizeof d.ShortenedCut, "%s", end.Cut);
}

// The size has held still at `size`: what is gone is counted against what
// was written, the end judged, the held records written after it, and it is
// told. An end that takes no record takes none of the held ones either: the
// box says nothing more is written into it.
void JudgeSettledFileLocked(int64_t size) {
    DataFileStateRecord& d = DataFileState;
    d.ShortenedBytes = d.WrittenSize > size ? d.WrittenSize - size : 0;
    d.WrittenSize = size;
    KeepShortenedFileWhole(size);
    d.SizeUnsettled = 0;
    if (g_heldBytes > 0 && d.EndRefused == 0) AppendDataRecordsLocked(g_held.data(), g_heldBytes);
    g_heldBytes = 0;
    // Raised last: the thread that takes the bit for the box (the window
    // thread; a reader may have judged it) then sees what it says.
    d.WriteError.fetch_or(kDataFileShortened);
}

// A new look at a file found shorter: a size that changed is watched
// afresh; one that has held still long enough is judged.
void LookAgainLocked(int64_t size) {
    DataFileStateRecord& d = DataFileState;
    const uint32_t now = plat::GetTickCount();
    if (size != d.UnsettledSize) {
        d.UnsettledSize = size;
        d.UnsettledTick = now;
        return;
    }
    if (plat::TickDiff(d.UnsettledTick, now) >= static_cast<int32_t>(kSizeHeldStillMs)) JudgeSettledFileLocked(size);
}

void AppendOnDiskText(Text16& out, const char* before, const char16_t* path, const char* after) {
    out.AppendAscii(before);
    AppendOnDiskPath(out, path);
    out.AppendAscii(after);
}

}  // namespace

void LookAtDataFileSizeLocked() {
    DataFileStateRecord& d = DataFileState;
    const int64_t size = plat::FileSize(d.DataFileHandle);
    if (size < 0) return;
    if (d.SizeUnsettled.load() == 1) {
        LookAgainLocked(size);
        return;
    }
    if (size >= d.WrittenSize) return;
    d.UnsettledSize = size;
    d.UnsettledTick = plat::GetTickCount();
    d.HeldDroppedBytes = 0;
    d.StillWritten = 0;
    d.SizeUnsettled = 1;
    d.WriteError.fetch_or(kDataFileShortenedFound);
}

bool DataFileSizeUnsettled() { return DataFileState.SizeUnsettled.load() == 1; }

int HoldDataRecordsLocked(const char* bytes, size_t n) {
    if (n > g_held.size() - g_heldBytes) {
        DataFileState.HeldDroppedBytes += static_cast<int64_t>(n);
        return 0;
    }
    std::memcpy(g_held.data() + g_heldBytes, bytes, n);
    g_heldBytes += n;
    return 1;
}

void ForgetHeldRecordsLocked() {
    g_heldBytes = 0;
    DataFileStateRecord& d = DataFileState;
    d.SizeUnsettled = 0;
    d.HeldDroppedBytes = 0;
    d.StillWritten = 0;
}

void SettleDataFileBeforeClose() {
    DataFileStateRecord& d = DataFileState;
    for (int look = 0; look < kCloseLooks && d.SizeUnsettled.load() == 1; ++look) {
        WaitServingReaders(nullptr, kCloseLookMs);
        std::lock_guard<std::mutex> guard(d.DataFileLock);
        if (d.SizeUnsettled.load() == 0 || d.DataFileHandle == plat::kInvalidFile) break;
        const int64_t size = plat::FileSize(d.DataFileHandle);
        // Held still over a look of this wait's own: judged now, whatever the clock says.
        if (size == d.UnsettledSize) {
            JudgeSettledFileLocked(size);
        } else {
            d.UnsettledSize = size;
        }
    }
    std::lock_guard<std::mutex> guard(d.DataFileLock);
    if (d.SizeUnsettled.load() == 0) return;
    // Still being written: closed as it is, and nothing of the program's goes in.
    d.HeldDroppedBytes += static_cast<int64_t>(g_heldBytes);
    g_heldBytes = 0;
    d.StillWritten = 1;
    d.SizeUnsettled = 0;
    d.WriteError.fetch_or(kDataFileShortened);
}

void DescribeShortenedDataFile(Text16& out) {
    DataFileStateRecord& d = DataFileState;
    // A reader may hold a record (and count it) meanwhile.
    std::lock_guard<std::mutex> guard(d.DataFileLock);
    char text[sizeof d.ShortenedCut + 160];
    if (d.StillWritten != 0) {
        AppendOnDiskText(out, "The data file ", d.DataFilePath, " was still being written by another program\r\n");
        if (d.HeldDroppedBytes > 0) {
            std::snprintf(text, sizeof text, "when it was closed: %lld bytes of records that came since are not in it.\r\n",
                          static_cast<long long>(d.HeldDroppedBytes));
        } else {
            std::snprintf(text, sizeof text, "when it was closed.\r\n");
        }
        out.AppendAscii(text);
        return;
    }
    if (d.ShortenedBytes > 0) {
        AppendOnDiskText(out, "The data file ", d.DataFilePath, " was made shorter by another program:\r\n");
        std::snprintf(text, sizeof text, "%lld byte%s of its records %s gone.\r\n",
                      static_cast<long long>(d.ShortenedBytes), d.ShortenedBytes == 1 ? "" : "s",
                      d.ShortenedBytes == 1 ? "is" : "are");
        out.AppendAscii(text);
    } else {
        // Written again to its length or beyond: what it holds is another's.
        AppendOnDiskText(out, "The data file ", d.DataFilePath, " was written over by another program.\r\n");
    }
    if (d.EndRefused != 0) {
        out.AppendAscii("No record can follow what is left:\r\n");
        out.AppendAscii(d.EndRefusedWhy);
        out.AppendAscii("\r\nNothing more is written into it.\r\n");
    } else if (d.ShortenedCutBytes > 0) {
        std::snprintf(text, sizeof text, "The partial %.31s left at its end (%lld byte%s) was cut away.\r\n",
                      d.ShortenedCut, static_cast<long long>(d.ShortenedCutBytes), d.ShortenedCutBytes == 1 ? "" : "s");
        out.AppendAscii(text);
    }
    if (d.HeldDroppedBytes > 0) {
        std::snprintf(text, sizeof text, "%lld bytes of records that came while it was written are not in it.\r\n",
                      static_cast<long long>(d.HeldDroppedBytes));
        out.AppendAscii(text);
    }
}
