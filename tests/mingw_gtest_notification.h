// Force-included into GoogleTest and the tests in the x64 cross build.
//
// The cross compiler's win32 thread model has no std::mutex or
// std::condition_variable, with which GoogleTest builds its Notification (a
// start signal for threads that only GoogleTest's own tests create). This
// supplies one built on an atomic flag, and tells GoogleTest it exists.
#pragma once

#ifdef __cplusplus
#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : notified_(false) {}
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { notified_.store(true); }
    void WaitForNotification() {
        while (!notified_.load()) {
        }
    }

private:
    std::atomic<bool> notified_;
};

}  // namespace internal
}  // namespace testing
#endif
