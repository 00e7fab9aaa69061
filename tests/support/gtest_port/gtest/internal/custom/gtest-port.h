// GoogleTest's own hook for platform adaptations (gtest-port.h includes this
// file first). The Wine tests are built with the MinGW compiler of the win32
// thread model, whose standard library (GCC 12) has no std::mutex and no
// std::condition_variable; GoogleTest uses those only for its Notification,
// so this file supplies one made of a Win32 event. Its other locks are Win32
// critical sections already.
#ifndef QF_GTEST_CUSTOM_PORT_H
#define QF_GTEST_CUSTOM_PORT_H

#include <cstddef>  // the library configuration: _GLIBCXX_HAS_GTHREADS

#if defined(__MINGW32__) && !defined(_GLIBCXX_HAS_GTHREADS)
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

// Lets a controller thread hold back threads it created until it notifies.
class Notification {
public:
    Notification() : event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { ::CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { ::SetEvent(event_); }
    void WaitForNotification() { ::WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace internal
}  // namespace testing
#endif

#endif  // QF_GTEST_CUSTOM_PORT_H
