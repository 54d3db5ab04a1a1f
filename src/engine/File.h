// File: an open file of the operating system, with positional I/O and byte-range locks.
//
// Locks are Linux open-file-description locks (F_OFD_SETLK): they belong to this open of the
// file, so two opens conflict whether they are in one process or in two, and they interoperate
// with the classic POSIX record locks other dBase-aware programs take on the same bytes.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Status.h"

namespace vz::engine {

class File {
public:
    enum class Access { ReadOnly, ReadWrite };
    enum class LockKind { Read, Write };

    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    static Result<File> open(const std::string& path, Access access);
    // Creates a new, empty file with a unique name beginning with `prefix` in `folder`, the
    // prefix followed by six characters. It is held with a write lock on the open byte
    // (locking::kOpen) for as long as this open lasts, so removeStaleTemporary() can tell a file
    // of a live process from one a killed process left.
    static Result<File> createTemporary(const std::string& folder, const std::string& prefix);

    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    bool writable() const { return writable_; }

    // Reads exactly n bytes at `offset`; fewer bytes (end of file) is an IOError.
    Status readAt(uint64_t offset, void* buf, size_t n) const;
    // Reads up to n bytes; answers how many were read.
    Result<size_t> readSomeAt(uint64_t offset, void* buf, size_t n) const;
    Status writeAt(uint64_t offset, const void* buf, size_t n);
    Result<uint64_t> size() const;
    Status truncate(uint64_t size);
    Status sync();
    Status copyModeFrom(const File& other);
    void close();

    // Takes a lock on bytes [offset, offset + length) without waiting; Locked when another open
    // holds a conflicting lock.
    Status tryLock(uint64_t offset, uint64_t length, LockKind kind);
    // Takes the lock, waiting up to `timeoutMs` for others to release it.
    Status lock(uint64_t offset, uint64_t length, LockKind kind, int timeoutMs);
    void unlock(uint64_t offset, uint64_t length);
    // True when some other open holds a lock on these bytes that conflicts with `kind`.
    bool isLockedByOthers(uint64_t offset, uint64_t length, LockKind kind) const;

    void setPath(std::string path) { path_ = std::move(path); }

private:
    Status tryLockOnce(uint64_t offset, uint64_t length, LockKind kind);

    int fd_ = -1;
    bool writable_ = false;
    std::string path_;
};

// Renames `from` over `to` and syncs the folder, so the rename survives a crash.
Status renameReplacing(const std::string& from, const std::string& to);
bool fileExists(const std::string& path);
// The path a symbolic link leads to, all links resolved; the path itself when it is no link or
// the link leads nowhere. Files are written beside, and renamed over, the resolved path, so a link
// keeps leading to the file it named.
std::string resolveLinks(const std::string& path);
// Removes the file made by File::createTemporary() at `path` when no live open holds it (its
// maker was killed); answers whether it was removed.
bool removeStaleTemporary(const std::string& path);
// The folder part of a path ("." for a bare name) and the name part.
std::string folderOf(const std::string& path);
std::string nameOf(const std::string& path);

}  // namespace vz::engine

namespace vz::engine {
// The path of a companion file of a table: the table's path with its extension replaced by
// `extension` (given in upper case), in the letter case of the table's own extension, so
// "MASTER.DBF" gives "MASTER.MDX" and "mine.dbf" gives "mine.mdx".
std::string companionPath(const std::string& tablePath, const std::string& extension);
inline std::string mdxPathFor(const std::string& tablePath) { return companionPath(tablePath, "MDX"); }
// The production index of a table as it is on disk: mdxPathFor(), or the same name with its
// extension in the other letter case (a table moved from another system); mdxPathFor() when
// neither exists.
std::string existingMdxPathFor(const std::string& tablePath);
}  // namespace vz::engine
