#include "tests/common/FailingCall.h"

#include <cerrno>

namespace velmora::test {

namespace {

struct Armed {
    sys::Call call = sys::Call::Open;
    int nth = 0;
    int seen = 0;
};
Armed armed;

int failNth(sys::Call call) {
    if (armed.nth > 0 && call == armed.call && ++armed.seen == armed.nth)
        return EIO;
    return 0;
}

} // namespace

FailingCall::FailingCall(sys::Call call, int nth) {
    armed = Armed{call, nth};
    sys::setHook(failNth);
}

FailingCall::~FailingCall() {
    sys::setHook(nullptr);
}

} // namespace velmora::test
