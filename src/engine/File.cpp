#include "engine/File.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "engine/FaultInjection.h"
#include "engine/Locking.h"

namespace vz::engine {
namespace {

std::string why(const std::string& what, const std::string& path) {
    return path + ": " + what + " failed: " + std::strerror(errno) + ".";
}

// The status of a call FaultInjection fails.
Status injected(const std::string& what, const std::string& path) {
    return Status::ioError(path + ": " + what + " failed: an injected fault.");
}

using Op = FaultInjection::Op;

}  // namespace

File::~File() { close(); }

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), writable_(other.writable_), path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        writable_ = other.writable_;
        path_ = std::move(other.path_);
    }
    return *this;
}

void File::close() {
    if (fd_ >= 0) ::close(fd_);  // closing the description releases its locks
    fd_ = -1;
}

Result<File> File::open(const std::string& path, Access access) {
    File f;
    f.path_ = path;
    f.writable_ = access == Access::ReadWrite;
    f.fd_ = ::open(path.c_str(), (f.writable_ ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (f.fd_ < 0) {
        if (errno == ENOENT) return Status::notFound(path + ": the file does not exist.");
        return Status::ioError(why("opening", path));
    }
    struct stat st {};
    if (::fstat(f.fd_, &st) == 0 && !S_ISREG(st.st_mode))
        return Status::invalid(path + ": not a regular file.");
    return f;
}

Result<File> File::createTemporary(const std::string& folder, const std::string& prefix) {
    std::string name = (folder.empty() || folder == "." ? std::string() : folder + "/") + prefix + "XXXXXX";
    if (FaultInjection::fails(Op::Write)) return injected("creating a temporary file", name);
    File f;
    f.fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (f.fd_ < 0) return Status::ioError(why("creating a temporary file", name));
    f.path_ = name;
    f.writable_ = true;
    Status held = f.tryLock(locking::kOpen, 1, LockKind::Write);
    if (!held) {
        ::unlink(name.c_str());
        return held;
    }
    return f;
}

Status File::readAt(uint64_t offset, void* buf, size_t n) const {
    Result<size_t> got = readSomeAt(offset, buf, n);
    if (!got) return got.status();
    if (*got != n)
        return Status::ioError(path_ + ": the file ends at byte " + std::to_string(offset + *got) +
                               ", before the " + std::to_string(n) + " bytes wanted at " +
                               std::to_string(offset) + ".");
    return Status::ok();
}

Result<size_t> File::readSomeAt(uint64_t offset, void* buf, size_t n) const {
    size_t done = 0;
    auto* p = static_cast<char*>(buf);
    while (done < n) {
        ssize_t r = ::pread(fd_, p + done, n - done, off_t(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return Status::ioError(why("reading", path_));
        }
        if (r == 0) break;
        done += size_t(r);
    }
    return done;
}

Status File::writeAt(uint64_t offset, const void* buf, size_t n) {
    if (FaultInjection::fails(Op::Write)) return injected("writing", path_);
    size_t done = 0;
    const auto* p = static_cast<const char*>(buf);
    while (done < n) {
        ssize_t r = ::pwrite(fd_, p + done, n - done, off_t(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            return Status::ioError(why("writing", path_));
        }
        done += size_t(r);
    }
    return Status::ok();
}

Result<uint64_t> File::size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return Status::ioError(why("reading the size", path_));
    return uint64_t(st.st_size);
}

Status File::truncate(uint64_t size) {
    if (FaultInjection::fails(Op::Write)) return injected("truncating", path_);
    if (::ftruncate(fd_, off_t(size)) != 0) return Status::ioError(why("truncating", path_));
    return Status::ok();
}

Status File::sync() {
    if (FaultInjection::fails(Op::Sync)) return injected("syncing", path_);
    if (::fsync(fd_) != 0) return Status::ioError(why("syncing", path_));
    return Status::ok();
}

Status File::copyModeFrom(const File& other) {
    struct stat st {};
    if (::fstat(other.fd_, &st) != 0 || ::fchmod(fd_, st.st_mode & 07777) != 0)
        return Status::ioError(why("setting the permissions", path_));
    return Status::ok();
}

Status File::tryLock(uint64_t offset, uint64_t length, LockKind kind) {
    if (FaultInjection::fails(Op::Lock))
        return Status::locked(path_ + " is locked by another user (an injected fault).");
    return tryLockOnce(offset, length, kind);
}

Status File::tryLockOnce(uint64_t offset, uint64_t length, LockKind kind) {
    struct flock fl {};
    fl.l_type = kind == LockKind::Read ? F_RDLCK : F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = off_t(offset);
    fl.l_len = off_t(length);
    if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0) return Status::ok();
    if (errno == EAGAIN || errno == EACCES) return Status::locked(path_ + " is locked by another user.");
    return Status::ioError(why("locking", path_));
}

Status File::lock(uint64_t offset, uint64_t length, LockKind kind, int timeoutMs) {
    if (FaultInjection::fails(Op::Lock))
        return Status::locked(path_ + " is locked by another user (an injected fault).");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int pauseUs = 50;
    for (;;) {
        Status s = tryLockOnce(offset, length, kind);
        if (s.code() != Status::Code::Locked || std::chrono::steady_clock::now() >= deadline) return s;
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs));
        pauseUs = std::min(pauseUs * 2, 20000);
    }
}

void File::unlock(uint64_t offset, uint64_t length) {
    struct flock fl {};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = off_t(offset);
    fl.l_len = off_t(length);
    ::fcntl(fd_, F_OFD_SETLK, &fl);
}

bool File::isLockedByOthers(uint64_t offset, uint64_t length, LockKind kind) const {
    struct flock fl {};
    fl.l_type = kind == LockKind::Read ? F_RDLCK : F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = off_t(offset);
    fl.l_len = off_t(length);
    if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0) return false;
    return fl.l_type != F_UNLCK;
}

Status renameReplacing(const std::string& from, const std::string& to) {
    if (FaultInjection::fails(Op::Rename)) return injected("replacing it with " + from, to);
    if (::rename(from.c_str(), to.c_str()) != 0)
        return Status::ioError(to + ": replacing it with " + from + " failed: " + std::strerror(errno) + ".");
    const std::string folder = folderOf(to);
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return Status::ok();
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string resolveLinks(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) return path;
    std::string resolved(real);
    ::free(real);
    return resolved;
}

bool removeStaleTemporary(const std::string& path) {
    Result<File> f = File::open(path, File::Access::ReadWrite);
    if (!f) return false;
    // The maker holds this lock until it renames or removes the file; a killed maker holds none.
    if (!f->tryLock(locking::kOpen, 1, File::LockKind::Write)) return false;
    return ::unlink(path.c_str()) == 0;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace vz::engine

namespace vz::engine {

std::string companionPath(const std::string& tablePath, const std::string& extension) {
    const size_t slash = tablePath.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    // Only the last extension: "stamps.2024.dbf" is the table "stamps.2024", not "stamps".
    size_t dot = tablePath.rfind('.');
    if (dot != std::string::npos && dot < nameStart) dot = std::string::npos;
    const std::string base = dot == std::string::npos ? tablePath : tablePath.substr(0, dot);
    bool lower = false;
    if (dot != std::string::npos)
        for (size_t i = dot + 1; i < tablePath.size(); ++i)
            if (tablePath[i] >= 'a' && tablePath[i] <= 'z') lower = true;
    std::string ext = extension;
    if (lower)
        for (char& c : ext)
            if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return base + "." + ext;
}

std::string existingMdxPathFor(const std::string& tablePath) {
    const std::string mdx = mdxPathFor(tablePath);
    if (fileExists(mdx)) return mdx;
    std::string other = mdx;
    for (size_t i = other.rfind('.'); i < other.size(); ++i) {
        char& c = other[i];
        c = c >= 'a' && c <= 'z' ? char(c - 32) : c >= 'A' && c <= 'Z' ? char(c + 32) : c;
    }
    return fileExists(other) ? other : mdx;
}

}  // namespace vz::engine
