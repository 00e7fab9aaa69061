// Threads and a lock for the Wine tests, on Win32 directly. The programs are
// built with the compiler's win32 thread model, whose standard library (GCC
// 12) has no std::thread or std::mutex; the tests share that one compiler.
#pragma once
#include <windows.h>

#include <functional>
#include <utility>

namespace qf_test {

// Runs `body` on a new thread; Join() (or the destructor) waits for it.
class Thread {
public:
    explicit Thread(std::function<void()> body) : body_(std::move(body)) {
        handle_ = CreateThread(nullptr, 0, &Thread::Run, this, 0, nullptr);
    }
    ~Thread() { Join(); }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void Join() {
        if (handle_ == nullptr)
            return;
        WaitForSingleObject(handle_, INFINITE);
        CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    static DWORD WINAPI Run(void* self) {
        static_cast<Thread*>(self)->body_();
        return 0;
    }

    std::function<void()> body_;
    HANDLE handle_ = nullptr;
};

// A critical section, held for the life of a Lock::Hold.
class Lock {
public:
    Lock() { InitializeCriticalSection(&section_); }
    ~Lock() { DeleteCriticalSection(&section_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    class Hold {
    public:
        explicit Hold(Lock& lock) : lock_(lock) { EnterCriticalSection(&lock_.section_); }
        ~Hold() { LeaveCriticalSection(&lock_.section_); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        Lock& lock_;
    };

private:
    CRITICAL_SECTION section_;
};

}  // namespace qf_test
