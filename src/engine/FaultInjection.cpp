#include "engine/FaultInjection.h"

namespace vz::engine {
namespace {

FaultInjection::Op armedOp = FaultInjection::Op::Write;
int failAt = 0;
bool failLater = false;
int seen = 0;
int failedCalls = 0;

}  // namespace

bool FaultInjection::armed_ = false;

void FaultInjection::arm(Op op, int nth, bool persistent) {
    armedOp = op;
    failAt = nth;
    failLater = persistent;
    seen = 0;
    failedCalls = 0;
    armed_ = true;
}

void FaultInjection::disarm() {
    armed_ = false;
}

int FaultInjection::calls() {
    return seen;
}
int FaultInjection::injected() {
    return failedCalls;
}

bool FaultInjection::failsArmed(Op op) {
    if (op != armedOp) return false;
    ++seen;
    const bool fail = seen == failAt || (failLater && seen > failAt);
    if (fail) ++failedCalls;
    return fail;
}

const char* FaultInjection::name(Op op) {
    switch (op) {
        case Op::Write:
            return "write";
        case Op::Sync:
            return "sync";
        case Op::Rename:
            return "rename";
        case Op::Lock:
            return "lock";
    }
    return "?";
}

}  // namespace vz::engine
