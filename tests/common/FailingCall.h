// A system call of the file layer made to fail, for tests of what a failure
// leaves behind.
#pragma once

#include "base/SystemCalls.h"

namespace velmora::test {

// While it lives, the nth call of one kind (counted from its creation) fails
// with EIO; nth 0 fails nothing. One at a time.
class FailingCall {
public:
    FailingCall(sys::Call call, int nth);
    ~FailingCall();
    FailingCall(const FailingCall&) = delete;
    FailingCall& operator=(const FailingCall&) = delete;
};

} // namespace velmora::test
