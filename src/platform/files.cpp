#include "platform/files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/text.h"

namespace plat {

namespace {

constexpr size_t kPathBytes = 4096;

// Bytes that writes may still put out in a full-disk drill; -1: no drill.
std::atomic<int64_t> g_writeBudget{-1};

// Flushes still to fail in a write-back drill.
std::atomic<int> g_failingFlushes{0};

// Takes up to `n` bytes from the drill's budget; `n` when there is no drill.
size_t TakeWriteBudget(size_t n) {
    int64_t budget = g_writeBudget.load();
    while (budget >= 0) {
        const int64_t take = std::min<int64_t>(budget, static_cast<int64_t>(n));
        if (g_writeBudget.compare_exchange_weak(budget, budget - take)) return static_cast<size_t>(take);
    }
    return n;
}

// $NAME, or $HOME/fallback when NAME is unset or empty; "" when neither is set.
std::string BaseFolder(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    if (v != nullptr && v[0] != 0) return v;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == 0) return "";
    return std::string(home) + "/" + fallback;
}

// True when `s` begins with the folder `prefix` (either case, a slash taken as
// a backslash) followed by its end or a separator, so that a folder named
// "BrevantOld" is not taken for "Brevant".
bool StartsWithFolderNoCase(const std::u16string& s, const char16_t* prefix) {
    size_t i = 0;
    for (; prefix[i] != 0; ++i) {
        if (i >= s.size()) return false;
        char16_t a = s[i], b = prefix[i];
        if (a >= u'a' && a <= u'z') a = static_cast<char16_t>(a - 32);
        if (b >= u'a' && b <= u'z') b = static_cast<char16_t>(b - 32);
        if (a == u'/') a = u'\\';
        if (a != b) return false;
    }
    return i == s.size() || IsPathSeparator(s[i]);
}

bool MapToString(const char16_t* path, std::string& out) {
    std::u16string p(path);
    std::string base;
    size_t skip = 0;
    if (StartsWithFolderNoCase(p, u"C:\\PROGRAMDATA\\BREVANT\\TEMP")) {
        base = BaseFolder("XDG_CACHE_HOME", ".cache");
        if (base.empty()) return false;  // never the root folder's /Brevant
        base += "/Brevant/Temp";
        skip = 27;
    } else if (StartsWithFolderNoCase(p, u"C:\\PROGRAMDATA\\BREVANT")) {
        base = BaseFolder("XDG_CONFIG_HOME", ".config");
        if (base.empty()) return false;
        base += "/Brevant";
        skip = 22;
    } else if (p.size() >= 2 && p[1] == u':' &&
               ((p[0] >= u'A' && p[0] <= u'Z') || (p[0] >= u'a' && p[0] <= u'z'))) {
        const char* home = std::getenv("HOME");
        base = (home != nullptr && home[0] != 0) ? home : "";
        skip = 2;
    }
    std::u16string rest = p.substr(skip);
    for (char16_t& c : rest) {
        if (c == u'\\') c = u'/';
    }
    // "D:name" (no separator after the drive) is still a name inside the home folder.
    if (!base.empty() && !rest.empty() && rest[0] != u'/') base += '/';
    out = base + Utf16ToUtf8(rest);
    if (out.empty()) return false;
    return out.size() < kPathBytes;
}

bool Native(const char16_t* path, char (&out)[kPathBytes]) {
    return MapPath(path, out, sizeof out);
}

bool MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0755) == 0) return true;
    struct stat st {};
    return errno == EEXIST && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool MapPath(const char16_t* path, char* out, size_t capacity) {
    std::string mapped;
    if (!MapToString(path, mapped) || mapped.size() + 1 > capacity) {
        if (capacity > 0) out[0] = 0;
        return false;
    }
    std::memcpy(out, mapped.c_str(), mapped.size() + 1);
    return true;
}

FileHandle OpenFile(const char16_t* path, FileOpen how, bool append, bool exclusive) {
    char native[kPathBytes];
    if (!Native(path, native)) return kInvalidFile;
    int flags = O_CLOEXEC;
    switch (how) {
        case FileOpen::ExistingReadOnly: flags |= O_RDONLY; break;
        case FileOpen::ExistingReadWrite: flags |= O_RDWR; break;
        case FileOpen::CreateNewReadWrite: flags |= O_RDWR | O_CREAT | O_EXCL; break;
        case FileOpen::OpenOrCreateReadWrite: flags |= O_RDWR | O_CREAT; break;
        case FileOpen::CreateTruncateWrite: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    }
    if (append) flags |= O_APPEND;
    // A FIFO blocks the open until its other end is opened, and a device (or
    // a link to one) reads forever: only regular files are ours to read and
    // write. Looked at first, so a device is never opened (opening a serial
    // line raises its modem lines); opened without waiting, for the name may
    // change in between, and looked at again on the descriptor.
    struct stat st {};
    if (stat(native, &st) == 0 && !S_ISREG(st.st_mode)) return kInvalidFile;
    int fd;
    do {
        fd = open(native, flags | O_NONBLOCK, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return kInvalidFile;
    const int status = fcntl(fd, F_GETFL);
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || status < 0 ||
        fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        close(fd);
        return kInvalidFile;
    }
    if (exclusive && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return kInvalidFile;
    }
    return fd;
}

bool CloseFile(FileHandle h) {
    if (h < 0) return false;
    return close(h) == 0;
}

int64_t WriteFile(FileHandle h, const void* data, size_t n) {
    if (h < 0) return -1;
    const auto* p = static_cast<const char*>(data);
    const size_t allowed = TakeWriteBudget(n);
    size_t done = 0;
    while (done < allowed) {
        const ssize_t w = write(h, p + done, allowed - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (w == 0) break;
        done += static_cast<size_t>(w);
    }
    if (allowed < n) {
        // What the system refused on its own goes back to the drill's budget.
        int64_t budget = g_writeBudget.load();
        while (done < allowed && budget >= 0 &&
               !g_writeBudget.compare_exchange_weak(budget, budget + static_cast<int64_t>(allowed - done))) {
        }
        if (done == allowed) errno = ENOSPC;
    }
    if (done == 0 && n > 0) return -1;
    return static_cast<int64_t>(done);
}

int64_t ReadFile(FileHandle h, void* data, size_t n) {
    if (h < 0) return -1;
    ssize_t r;
    do {
        r = read(h, data, n);
    } while (r < 0 && errno == EINTR);
    return r;
}

int64_t ReadFileAt(FileHandle h, void* data, size_t n, int64_t offset) {
    if (h < 0 || offset < 0) return -1;
    ssize_t r;
    do {
        r = pread(h, data, n, offset);
    } while (r < 0 && errno == EINTR);
    return r;
}

int64_t SeekFile(FileHandle h, int64_t offset, SeekFrom from) {
    if (h < 0) return -1;
    const int whence = from == SeekFrom::Start ? SEEK_SET : from == SeekFrom::Current ? SEEK_CUR : SEEK_END;
    return lseek(h, offset, whence);
}

int64_t FileSize(FileHandle h) {
    struct stat st {};
    if (h < 0 || fstat(h, &st) != 0) return -1;
    return st.st_size;
}

bool TruncateFile(FileHandle h, int64_t length) {
    if (h < 0 || length < 0) return false;
    int r;
    do {
        r = ftruncate(h, length);
    } while (r != 0 && errno == EINTR);
    return r == 0;
}

bool FlushFile(FileHandle h) {
    if (h < 0) return false;
    int failing = g_failingFlushes.load();
    while (failing > 0) {
        if (g_failingFlushes.compare_exchange_weak(failing, failing - 1)) {
            errno = EIO;
            return false;
        }
    }
    return fsync(h) == 0;
}

namespace {
void CopyIdentity(const struct stat& st, FileIdentity* out) {
    out->Device = static_cast<uint64_t>(st.st_dev);
    out->Inode = static_cast<uint64_t>(st.st_ino);
    out->Links = static_cast<uint64_t>(st.st_nlink);
}
}  // namespace

bool IdentifyOpenFile(FileHandle h, FileIdentity* out) {
    struct stat st {};
    if (h < 0 || out == nullptr || fstat(h, &st) != 0) return false;
    CopyIdentity(st, out);
    return true;
}

bool IdentifyNamedFile(const char16_t* path, FileIdentity* out) {
    char native[kPathBytes];
    struct stat st {};
    if (out == nullptr || !Native(path, native) || stat(native, &st) != 0) return false;
    CopyIdentity(st, out);
    return true;
}

bool IsNoSuchFileError(int error) { return error == ENOENT || error == ENOTDIR; }

bool LockFileExclusive(FileHandle h) { return h >= 0 && flock(h, LOCK_EX | LOCK_NB) == 0; }

bool FileExists(const char16_t* path) {
    char native[kPathBytes];
    struct stat st {};
    return Native(path, native) && stat(native, &st) == 0;
}

PathKind KindOfPath(const char16_t* path) {
    char native[kPathBytes];
    if (!Native(path, native)) return PathKind::Other;
    struct stat st {};
    if (stat(native, &st) != 0) return errno == ENOENT ? PathKind::Missing : PathKind::Other;
    return S_ISREG(st.st_mode) ? PathKind::RegularFile : PathKind::Other;
}

bool DeleteFile(const char16_t* path) {
    char native[kPathBytes];
    return Native(path, native) && unlink(native) == 0;
}

bool RenameFile(const char16_t* from, const char16_t* to) {
    char a[kPathBytes], b[kPathBytes];
    return Native(from, a) && Native(to, b) && rename(a, b) == 0;
}

bool FolderExists(const char16_t* path) {
    char native[kPathBytes];
    struct stat st {};
    return Native(path, native) && stat(native, &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolder(const char16_t* path) {
    char native[kPathBytes];
    if (!Native(path, native)) return false;
    std::string p(native);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return MakeFolder(p);
}

bool SetCurrentFolder(const char16_t* path) {
    char native[kPathBytes];
    return Native(path, native) && chdir(native) == 0;
}

bool GetCurrentFolder(char16_t* out, size_t capacity) {
    char native[kPathBytes];
    if (capacity == 0 || getcwd(native, sizeof native - 1) == nullptr) {
        if (capacity > 0) out[0] = 0;
        return false;
    }
    const size_t len = std::strlen(native);
    if (len == 0 || native[len - 1] != '/') {
        native[len] = '/';
        native[len + 1] = 0;
    }
    return Utf8ToUtf16(native, out, capacity);
}

bool PrepareProgramFolders() {
    const std::string config = BaseFolder("XDG_CONFIG_HOME", ".config");
    const std::string cache = BaseFolder("XDG_CACHE_HOME", ".cache");
    if (config.empty() || cache.empty()) return false;
    bool ok = MakeFolder(config) && MakeFolder(config + "/Brevant") && MakeFolder(config + "/Brevant/Ostrima");
    ok = MakeFolder(cache) && MakeFolder(cache + "/Brevant") && MakeFolder(cache + "/Brevant/Temp") && ok;
    return ok;
}

namespace {

// Where a link to nothing leads: its links followed one by one up to the name
// where nothing is, that name's folder written as the system names it when
// the folder is there. False when `native` itself is missing (no link), for
// a loop, or when a link runs into something that is not a folder.
bool FollowLinksToNothing(const char* native, std::string& out) {
    std::string at = native;
    for (int hops = 0;; ++hops) {
        char target[kPathBytes];
        const ssize_t n = readlink(at.c_str(), target, sizeof target - 1);
        if (n < 0) {
            if (errno != ENOENT || hops == 0) return false;
            break;  // nothing there: the name a file would be made under
        }
        if (hops >= 40) return false;  // a loop, counted as the system counts one
        target[n] = 0;
        // A relative target is read from the link's own folder.
        at = target[0] == '/' ? std::string(target) : at.substr(0, at.rfind('/') + 1) + target;
    }
    const size_t slash = at.rfind('/');
    char real[PATH_MAX];
    if (slash != std::string::npos && realpath(slash == 0 ? "/" : at.substr(0, slash).c_str(), real) != nullptr) {
        const std::string folder = real;
        at = folder + (folder.back() == '/' ? "" : "/") + at.substr(slash + 1);
    }
    out = at;
    return true;
}

}  // namespace

bool FollowLinks(const char16_t* path, char16_t* out, size_t capacity) {
    char native[kPathBytes];
    char real[PATH_MAX];
    if (capacity == 0) return false;
    out[0] = 0;
    if (!Native(path, native)) return false;
    std::string found;
    if (realpath(native, real) != nullptr) {
        found = real;
    } else if (errno != ENOENT || !FollowLinksToNothing(native, found)) {
        return false;
    }
    // The result is an on-disk path; mapped again it must name the same file,
    // which a backslash (a separator to the mapping) would not.
    if (found.size() >= kPathBytes || found.find('\\') != std::string::npos) return false;
    return Utf8ToUtf16(found.c_str(), out, capacity);
}

bool CopyPermissions(const char16_t* from, FileHandle to) {
    char native[kPathBytes];
    struct stat st {};
    if (to < 0 || !Native(from, native)) return false;
    if (stat(native, &st) != 0) return errno == ENOENT;
    return fchmod(to, st.st_mode & 0777) == 0;
}

bool RenameFileNoReplace(const char16_t* from, const char16_t* to) {
    char a[kPathBytes], b[kPathBytes];
    if (!Native(from, a) || !Native(to, b)) return false;
    if (renameat2(AT_FDCWD, a, AT_FDCWD, b, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace rename: a second name made only
    // where none is, then the first one removed.
    if (link(a, b) != 0) return false;
    return unlink(a) == 0;
}

int LastFileError() { return errno; }

const char* FileErrorWords(int error) {
    switch (error) {
        case ENOSPC: return "the disk is full";
        case EDQUOT: return "the disk quota is used up";
        case EFBIG: return "the file is too large for the disk";
        case EACCES:
        case EPERM: return "writing there is not permitted";
        case EROFS: return "the disk is read-only";
        case ENOENT:
        case ENOTDIR: return "its folder does not exist";
        case EIO: return "the disk reported an error";
        case ENAMETOOLONG: return "its name is too long";
        case EMFILE:
        case ENFILE: return "too many files are open";
        case 0: return "the reason is not known";
        default: return std::strerror(error);
    }
}

bool IsNoRoomError(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

int64_t FreeSpaceOf(const char16_t* folder) {
    char native[kPathBytes];
    if (folder == nullptr || !Native(folder[0] == 0 ? u"." : folder, native)) return -1;
    struct statvfs st {};
    if (statvfs(native, &st) != 0) return -1;
    const unsigned long long bytes = static_cast<unsigned long long>(st.f_bavail) * st.f_frsize;
    const int64_t free = bytes > static_cast<unsigned long long>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(bytes);
    const int64_t budget = g_writeBudget.load();  // a full-disk drill's disk tells what it would take
    return budget >= 0 ? std::min(free, budget) : free;
}

namespace test {

void FailFileWritesAfter(int64_t bytes) { g_writeBudget.store(bytes < 0 ? -1 : bytes); }

void FailFileFlushes(int count) { g_failingFlushes.store(count < 0 ? 0 : count); }

}  // namespace test

}  // namespace plat
