// FaultInjection: makes the file layer fail on purpose, so tests can prove what a failed write,
// sync, rename or lock leaves behind.
//
// Off unless a test arms it, and then it costs one branch per call. Armed for one kind of call,
// it counts the calls of that kind the file layer makes from then on and fails call number `nth`
// (and, when `persistent`, every later one too, as a full disk would) the way the system would:
// a write, sync or rename with an IOError and nothing done, a lock with Locked. Writes count
// File::writeAt, File::truncate and File::createTemporary; renames count renameReplacing; locks
// count File::lock and File::tryLock (a lock() that waits is one call).
//
// The state is process-wide and not thread-safe: it is for single-threaded tests.
#pragma once

namespace vz::engine {

class FaultInjection {
public:
    enum class Op { Write, Sync, Rename, Lock };

    static void arm(Op op, int nth, bool persistent = false);
    static void disarm();
    // The kind of call, as test messages name it: "write", "sync", "rename", "lock".
    static const char* name(Op op);
    // Calls of the armed kind seen since arm(), and how many of them were failed.
    static int calls();
    static int injected();

    // For the file layer: true when this call of kind `op` is to fail.
    static bool fails(Op op) { return armed_ && failsArmed(op); }

private:
    static bool failsArmed(Op op);
    static bool armed_;
};

}  // namespace vz::engine
