#include "backup/FileCopy.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "common/ProgramFolder.h"

namespace vz::backup {
namespace {

constexpr size_t kBlock = size_t(1) << 20;

QString errnoText(int e) {
    return QString::fromLocal8Bit(std::strerror(e));
}

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int f = fd_;
        fd_ = -1;
        return f;
    }

private:
    int fd_;
};

// Reads up to `n` bytes, retrying interrupted and short reads; -1 on error.
ssize_t readFully(int fd, char* buf, size_t n) {
    size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, buf + got, n - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        got += size_t(r);
    }
    return ssize_t(got);
}

bool writeFully(int fd, const char* buf, size_t n) {
    size_t done = 0;
    while (done < n) {
        const ssize_t w = ::write(fd, buf + done, n - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += size_t(w);
    }
    return true;
}

// Compares the first `size` bytes of two files: 1 when equal, 0 when not, -1 on a read error.
// Both are mapped a window at a time (the pages are still in the cache from the copy, so nothing
// is copied into this process); where mapping fails they are read into `a` and `b`.
int sameContent(int fa, int fb, uint64_t size, std::vector<char>& a, std::vector<char>& b) {
    constexpr uint64_t kWindow = uint64_t(64) << 20;
    for (uint64_t at = 0; at < size; at += kWindow) {
        const size_t n = size_t(std::min(kWindow, size - at));
        void* ma = ::mmap(nullptr, n, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fa, off_t(at));
        void* mb = ma == MAP_FAILED
                       ? MAP_FAILED
                       : ::mmap(nullptr, n, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fb, off_t(at));
        if (ma != MAP_FAILED && mb != MAP_FAILED) {
            const bool equal = std::memcmp(ma, mb, n) == 0;
            ::munmap(ma, n);
            ::munmap(mb, n);
            if (!equal) return 0;
            continue;
        }
        if (ma != MAP_FAILED) ::munmap(ma, n);
        for (size_t done = 0; done < n;) {
            const size_t step = std::min(a.size(), n - done);
            const ssize_t ra = ::pread(fa, a.data(), step, off_t(at + done));
            const ssize_t rb = ::pread(fb, b.data(), step, off_t(at + done));
            if (ra < 0 || rb < 0) return -1;
            if (ra != rb || ra == 0 || std::memcmp(a.data(), b.data(), size_t(ra)) != 0) return 0;
            done += size_t(ra);
        }
    }
    return 1;
}

// The file a path leads to once links are resolved; the path itself when it does not exist.
QString resolved(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty()) return canonical;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : joinPath(folder, info.fileName());
}

}  // namespace

bool copyFileSafely(const QString& source, const QString& destination, QString* why) {
    auto fail = [&](const QString& text) {
        if (why) *why = text;
        return false;
    };
    const std::string src = toNativePath(source);
    Fd in(::open(src.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) return fail(source + QStringLiteral(" cannot be read: ") + errnoText(errno));
    struct stat srcStat {};
    if (::fstat(in.get(), &srcStat) != 0)
        return fail(source + QStringLiteral(": ") + errnoText(errno));

    // The file that takes the destination's place, beside it.
    const QString target = resolved(destination);
    const QString folder = QFileInfo(target).absolutePath();
    std::string temp = toNativePath(joinPath(
        folder, QStringLiteral(".") + QFileInfo(target).fileName() + QStringLiteral(".XXXXXX")));
    Fd out(::mkstemp(temp.data()));
    if (out.get() < 0)
        return fail(destination + QStringLiteral(" cannot be written: ") + errnoText(errno));
    ::fcntl(out.get(), F_SETFD, FD_CLOEXEC);
    bool keep = false;
    struct Remover {
        const std::string& path;
        bool& keep;
        ~Remover() {
            if (!keep) ::unlink(path.c_str());
        }
    } remover{temp, keep};
    auto writeFailed = [&](int e) {
        return fail(destination + QStringLiteral(" could not be written completely: ") +
                    errnoText(e));
    };

    std::vector<char> buf(kBlock), back(kBlock);
    uint64_t copied = 0;
    // The kernel copies the bytes itself where it can (no trip through this process); where it
    // cannot (another file system kind, an old kernel), blocks are read and written here.
    for (;;) {
        const ssize_t n = ::copy_file_range(in.get(), nullptr, out.get(), nullptr, kBlock * 64, 0);
        if (n > 0) {
            copied += uint64_t(n);
            continue;
        }
        if (n == 0) break;
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL)
            return writeFailed(errno);
        break;
    }
    for (;;) {
        const ssize_t n = readFully(in.get(), buf.data(), buf.size());
        if (n < 0) return fail(source + QStringLiteral(" cannot be read: ") + errnoText(errno));
        if (n == 0) break;
        if (!writeFully(out.get(), buf.data(), size_t(n))) return writeFailed(errno);
        copied += uint64_t(n);
    }
    if (::fsync(out.get()) != 0) return writeFailed(errno);
    ::fchmod(out.get(), srcStat.st_mode & 07777);

    // The copy must hold every byte of the source: its size, then every byte.
    struct stat outStat {};
    if (::fstat(out.get(), &outStat) != 0 || uint64_t(outStat.st_size) != copied ||
        uint64_t(srcStat.st_size) != copied)
        return fail(destination + QStringLiteral(": the copy does not match ") + source + '.');
    const int same = sameContent(in.get(), out.get(), copied, buf, back);
    if (same < 0)
        return fail(destination + QStringLiteral(" cannot be read back: ") + errnoText(errno));
    if (same == 0)
        return fail(destination + QStringLiteral(": the copy does not match ") + source + '.');
    if (::close(out.release()) != 0) return writeFailed(errno);

    const std::string dest = toNativePath(target);
    if (::rename(temp.c_str(), dest.c_str()) != 0)
        return fail(destination + QStringLiteral(" cannot be replaced: ") + errnoText(errno));
    keep = true;
    Fd dir(::open(toNativePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return true;
}

bool enoughSpace(const QString& source, const QString& destination) {
    const QFileInfo src(source);
    const QFileInfo dest(destination);
    const qint64 present = dest.exists() ? dest.size() : 0;
    struct statvfs fs {};
    if (::statvfs(toNativePath(dest.absolutePath()).c_str(), &fs) != 0) return true;
    const unsigned long long freeBytes = (unsigned long long)fs.f_bavail * fs.f_frsize;
    return (unsigned long long)src.size() <= (unsigned long long)present + freeBytes;
}

bool sameFile(const QString& a, const QString& b) {
    if (resolved(a) == resolved(b)) return true;
    struct stat sa {
    }, sb{};
    if (::stat(toNativePath(a).c_str(), &sa) != 0 || ::stat(toNativePath(b).c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace vz::backup
