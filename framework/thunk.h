// Per-object window procedures for i686 and x86-64.
//
// A thunk is a 16-byte stub that a window (or dialog) calls as its procedure.
// It replaces the HWND argument by the object it belongs to and jumps to the
// framework's static procedure (framework/window.cpp has the instructions:
// on i686 the argument is on the stack, on x86-64 in rcx).
//
// Stubs are written a page at a time, once, into read-write memory; the page
// is then made execute-read and the instruction cache flushed. Each stub reads
// its {object, procedure} pair from a slot on a separate read-write data page
// beside it, so handing a thunk to an object only ever writes data. No page is
// writable and executable at the same time.
#pragma once
#include <windows.h>

#include <cstdint>

namespace qf_framework {

// One thunk: a stub in an execute-read page and its slot in a data page.
class CWndProcThunk {
public:
    CWndProcThunk() = default;
    ~CWndProcThunk();
    CWndProcThunk(const CWndProcThunk&) = delete;
    CWndProcThunk& operator=(const CWndProcThunk&) = delete;

    // Takes a stub for this object if it has none yet. False when no thunk
    // memory can be had; then nothing changes.
    bool Allocate();
    // Allocates if needed, then points the stub at `procedure` with `object`
    // in place of the window handle.
    bool Init(std::uintptr_t procedure, void* object);
    bool Allocated() const { return stub_ != nullptr; }

    // The stub's address, as the procedure type the caller needs (null when
    // not allocated).
    WNDPROC GetWNDPROC() const { return reinterpret_cast<WNDPROC>(reinterpret_cast<std::uintptr_t>(stub_)); }
    DLGPROC GetDLGPROC() const { return reinterpret_cast<DLGPROC>(reinterpret_cast<std::uintptr_t>(stub_)); }
    const void* StubAddress() const { return stub_; }

private:
    void* stub_ = nullptr;
};

// Makes every later thunk allocation fail (true) or behave normally (false).
// Lets tests reach the out-of-memory paths of window creation and RunModal.
void ForceThunkAllocationFailure(bool fail);

// Converts a window or dialog procedure to the integer the thunk stores.
template <class Proc>
std::uintptr_t ProcAddress(Proc procedure) {
    return reinterpret_cast<std::uintptr_t>(procedure);
}

}  // namespace qf_framework
