// Helpers shared by the engine tests: scratch folders, raw file bytes, child processes.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "engine/Table.h"

namespace vz::engine::test {

inline const Status& statusOf(const Status& s) { return s; }
template <typename T>
Status statusOf(const Result<T>& r) { return r.status(); }

}  // namespace vz::engine::test

#define ASSERT_OK(expr)                                                                    \
    do {                                                                                   \
        const auto& vzOk_ = (expr);                                                        \
        ASSERT_TRUE(vzOk_.isOk()) << #expr << ": " << ::vz::engine::test::statusOf(vzOk_).message(); \
    } while (0)
#define EXPECT_OK(expr)                                                                    \
    do {                                                                                   \
        const auto& vzOk_ = (expr);                                                        \
        EXPECT_TRUE(vzOk_.isOk()) << #expr << ": " << ::vz::engine::test::statusOf(vzOk_).message(); \
    } while (0)
// Opens a table into `var` (a std::unique_ptr<Table>&) or fails the test.
#define OPEN_TABLE(var, path, mode)                                                        \
    auto var##Opened_ = ::vz::engine::Table::open((path), (mode));                         \
    ASSERT_TRUE(var##Opened_.isOk()) << var##Opened_.status().message();                   \
    std::unique_ptr<::vz::engine::Table>& var = var##Opened_.value()

namespace vz::engine::test {

// A fresh folder below the test temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = ::testing::TempDir() + "vz-engine-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

// Runs `body` in a forked child and answers its pid; the child exits with body's result.
inline pid_t startChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    return pid;
}

// Waits for a child and answers its exit code (-1 when it died of a signal).
inline int waitChild(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A one-way pipe carrying single-byte signals between a parent and a child.
class Signal {
public:
    Signal() {
        if (::pipe(fds_) != 0) std::abort();
    }
    ~Signal() {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    void send(char c = '.') { (void)!::write(fds_[1], &c, 1); }
    // The byte sent, or 0 when nothing came within ten seconds.
    char wait() {
        pollfd p{fds_[0], POLLIN, 0};
        char c = 0;
        if (::poll(&p, 1, 10000) != 1 || ::read(fds_[0], &c, 1) != 1) return 0;
        return c;
    }

private:
    int fds_[2];
};

}  // namespace vz::engine::test
