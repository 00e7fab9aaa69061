// Module objects of the window layer, thunk memory and class registration.
#include "framework/window.h"

#include <cstddef>
#include <cstring>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace qf_framework {

namespace {

// Constructed during static initialisation, before the language manager and
// before wWinMain, and destroyed after both.
CWindowModule g_windowModule __attribute__((init_priority(1000)));

// ---------------------------------------------------------------------------
// Thunk memory.
//
// A block is two pages: a code page of kStubsPerBlock stubs (execute-read
// after it has been written once) and a data page (read-write) with one
// {object, procedure} slot per stub plus the block's bookkeeping. A stub
// finds its slot at a fixed distance (one page), so on x86-64 it addresses
// the slot relative to itself, and only 64-bit values pass through it.

constexpr std::size_t kPageSize = 4096;
constexpr std::size_t kStubSize = 16;

struct ThunkSlot {
    void* object;
    std::uintptr_t procedure;
};

// As many stubs as the data page has slots for, beside its bookkeeping.
constexpr std::size_t kStubsPerBlock = sizeof(void*) == 8 ? 128 : kPageSize / kStubSize;

struct BlockData {
    ThunkSlot slots[kStubsPerBlock];
    BlockData* next;  // next block's data page
    unsigned char* code;
    std::uint32_t used[kStubsPerBlock / 32];
};

static_assert(sizeof(ThunkSlot) == 2 * sizeof(void*), "the stubs address {object, procedure} as two pointers");
static_assert(offsetof(ThunkSlot, object) == 0 && offsetof(ThunkSlot, procedure) == sizeof(void*), "slot layout");
static_assert(sizeof(BlockData) <= kPageSize, "a block's data fits its data page");
static_assert(kStubSize * kStubsPerBlock <= kPageSize, "the stubs fit the code page");
static_assert(kStubsPerBlock % 32 == 0, "the used bits fill whole words");

BlockData* g_blocks = nullptr;
bool g_forceFailure = false;

// Where a released stub leads, should a window still call it: nowhere harmful.
LRESULT CALLBACK ReleasedThunkProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

#if defined(__x86_64__)
// The first argument (the window handle) is in rcx:
//     mov  rcx, [rip + slot.object]     48 8B 0D <rel32>
//     jmp  [rip + slot.procedure]       FF 25 <rel32>
void WriteStub(unsigned char* stub, const ThunkSlot* slot) {
    // Each displacement counts from the end of its instruction.
    const auto relative = [stub](const void* target, std::size_t instructionEnd) {
        return static_cast<std::int32_t>(reinterpret_cast<const unsigned char*>(target) - (stub + instructionEnd));
    };
    const std::int32_t objectOffset = relative(&slot->object, 7);
    const std::int32_t procOffset = relative(&slot->procedure, 13);
    unsigned char code[kStubSize] = {
        0x48, 0x8B, 0x0D, 0, 0, 0, 0,  // mov rcx, [rip + slot.object]
        0xFF, 0x25, 0, 0, 0, 0,        // jmp [rip + slot.procedure]
        0xCC, 0xCC, 0xCC,              // int3 (padding)
    };
    std::memcpy(code + 3, &objectOffset, 4);
    std::memcpy(code + 9, &procOffset, 4);
    std::memcpy(stub, code, kStubSize);
}
#elif defined(__i386__)
// The first argument (the window handle) is on the stack, above the return address:
//     mov  eax, [slot.object]     A1 <addr>
//     mov  [esp+4], eax           89 44 24 04
//     jmp  [slot.procedure]       FF 25 <addr>
void WriteStub(unsigned char* stub, const ThunkSlot* slot) {
    const auto objectAddress = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&slot->object));
    const auto procAddress = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&slot->procedure));
    unsigned char code[kStubSize] = {
        0xA1, 0, 0, 0, 0,        // mov eax, [slot.object]
        0x89, 0x44, 0x24, 0x04,  // mov [esp+4], eax
        0xFF, 0x25, 0, 0, 0, 0,  // jmp [slot.procedure]
        0xCC,                    // int3 (padding)
    };
    std::memcpy(code + 1, &objectAddress, 4);
    std::memcpy(code + 11, &procAddress, 4);
    std::memcpy(stub, code, kStubSize);
}
#else
#error "window thunks are written for i686 and x86-64"
#endif

// A new block with all stubs written and its code page sealed; null on failure.
BlockData* NewBlock() {
    void* memory = VirtualAlloc(nullptr, 2 * kPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (memory == nullptr)
        return nullptr;
    auto* code = static_cast<unsigned char*>(memory);
    auto* data = reinterpret_cast<BlockData*>(code + kPageSize);
    for (std::size_t i = 0; i < kStubsPerBlock; ++i) {
        data->slots[i] = {nullptr, ProcAddress(&ReleasedThunkProc)};
        WriteStub(code + i * kStubSize, &data->slots[i]);
    }
    data->code = code;
    data->next = nullptr;
    DWORD old = 0;
    if (!VirtualProtect(code, kPageSize, PAGE_EXECUTE_READ, &old)) {
        VirtualFree(memory, 0, MEM_RELEASE);
        return nullptr;
    }
    FlushInstructionCache(GetCurrentProcess(), code, kPageSize);
    return data;
}

// Finds the block and index of a stub handed out earlier.
bool Locate(const void* stub, BlockData*& block, std::size_t& index) {
    const auto* address = static_cast<const unsigned char*>(stub);
    for (BlockData* b = g_blocks; b != nullptr; b = b->next) {
        if (address >= b->code && address < b->code + kPageSize) {
            block = b;
            index = static_cast<std::size_t>(address - b->code) / kStubSize;
            return true;
        }
    }
    return false;
}

ThunkSlot* SlotOf(const void* stub) {
    BlockData* block = nullptr;
    std::size_t index = 0;
    return Locate(stub, block, index) ? &block->slots[index] : nullptr;
}

}  // namespace

HINSTANCE ModuleInstance() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

CWindowModule& WindowModule() { return g_windowModule; }

// ---------------------------------------------------------------------------

CWindowModule::CWindowModule() { InitializeCriticalSection(&lock_); }

CWindowModule::~CWindowModule() { DeleteCriticalSection(&lock_); }

void CWindowModule::AddCreateWndData(CreateWndData* data, void* object) {
    data->object = object;
    data->threadId = GetCurrentThreadId();
    CModuleLock hold(*this);
    data->next = createList_;
    createList_ = data;
}

void* CWindowModule::ExtractCreateWndData() {
    const DWORD thread = GetCurrentThreadId();
    CModuleLock hold(*this);
    for (CreateWndData** link = &createList_; *link != nullptr; link = &(*link)->next) {
        if ((*link)->threadId == thread) {
            CreateWndData* found = *link;
            *link = found->next;
            return found->object;
        }
    }
    return nullptr;
}

void CWindowModule::RemoveCreateWndData(CreateWndData* data) {
    CModuleLock hold(*this);
    for (CreateWndData** link = &createList_; *link != nullptr; link = &(*link)->next) {
        if (*link == data) {
            *link = data->next;
            return;
        }
    }
}

// ---------------------------------------------------------------------------

void ForceThunkAllocationFailure(bool fail) {
    CModuleLock hold(g_windowModule);
    g_forceFailure = fail;
}

bool CWndProcThunk::Allocate() {
    if (stub_ != nullptr)
        return true;
    CModuleLock hold(g_windowModule);
    if (g_forceFailure)
        return false;
    for (BlockData* block = g_blocks;; block = block->next) {
        if (block == nullptr) {
            block = NewBlock();
            if (block == nullptr)
                return false;
            block->next = g_blocks;
            g_blocks = block;
        }
        for (std::size_t word = 0; word < kStubsPerBlock / 32; ++word) {
            if (block->used[word] == 0xFFFFFFFFu)
                continue;
            for (unsigned bit = 0; bit < 32; ++bit) {
                if (!(block->used[word] & (1u << bit))) {
                    block->used[word] |= 1u << bit;
                    stub_ = block->code + (word * 32 + bit) * kStubSize;
                    return true;
                }
            }
        }
    }
}

bool CWndProcThunk::Init(std::uintptr_t procedure, void* object) {
    if (!Allocate())
        return false;
    CModuleLock hold(g_windowModule);
    ThunkSlot* slot = SlotOf(stub_);
    if (slot == nullptr)
        return false;
    // Data only: the stub itself was written when its page was made.
    slot->object = object;
    slot->procedure = procedure;
    return true;
}

CWndProcThunk::~CWndProcThunk() {
    if (stub_ == nullptr)
        return;
    CModuleLock hold(g_windowModule);
    BlockData* block = nullptr;
    std::size_t index = 0;
    if (Locate(stub_, block, index)) {
        block->slots[index] = {nullptr, ProcAddress(&ReleasedThunkProc)};
        block->used[index / 32] &= ~(1u << (index % 32));
    }
    stub_ = nullptr;
}

// ---------------------------------------------------------------------------

ATOM CWndClassInfo::Register(WNDPROC startProc) {
    CModuleLock hold(g_windowModule);
    if (atom != 0)
        return atom;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = startProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = ModuleInstance();
    wc.hIcon = nullptr;
    wc.hCursor = cursor ? LoadCursorW(nullptr, cursor) : nullptr;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(backgroundColor));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = className;
    wc.hIconSm = nullptr;
    atom = RegisterClassExW(&wc);
    return atom;
}

}  // namespace qf_framework
