#include "parentwindow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace {

const uintptr_t kObject = 0x7F0000; // a host's object
const size_t kObjectSize = 0x60;
const uintptr_t kMine = 0x1004C, kMineToo = 0x1006A; // windows of the calling thread
const uintptr_t kSibling = 0x2005A;                  // a window of another thread
const uintptr_t kForeign = 0x30062;                  // another process's window
const uintptr_t kTop64 = UINTPTR_MAX, kTop32 = UINT32_MAX;

// A host's memory: nSize readable bytes of 0xA5 at nBase with pointer-sized
// values (little-endian, cut at the end) at some offsets; every read is noted.
class FakeProcess final : public ParentProbe {
public:
    FakeProcess(uintptr_t nBase, size_t nSize, size_t nPointerSize,
                const std::vector<std::pair<size_t, uintptr_t>>& slots)
        : m_nBase(nBase), m_bytes(nSize, 0xA5) {
        for (const auto& slot : slots) {
            for (size_t i = 0; i < nPointerSize && slot.first + i < nSize; ++i) {
                m_bytes[slot.first + i] = static_cast<unsigned char>(slot.second >> (8 * i));
            }
        }
    }
    bool Read(uintptr_t nAddress, void* pOut, size_t nSize) const override {
        reads.push_back(nAddress);
        if (nAddress < m_nBase || nAddress - m_nBase + nSize > m_bytes.size()) {
            return false;
        }
        std::memcpy(pOut, &m_bytes[nAddress - m_nBase], nSize);
        return true;
    }
    ParentWindowKind Kind(uintptr_t nHandle) const override {
        static const std::map<uintptr_t, ParentWindowKind> windows = {
            {kMine, ParentWindowKind::ThisThread},
            {kMineToo, ParentWindowKind::ThisThread},
            {kSibling, ParentWindowKind::OtherThread},
        };
        const auto it = windows.find(nHandle);
        return it == windows.end() ? ParentWindowKind::NotUsable : it->second;
    }
    mutable std::vector<uintptr_t> reads;

private:
    uintptr_t m_nBase;
    std::vector<unsigned char> m_bytes;
};

// Our CWnd keeps its handle right after the vtable pointer; the readable
// bytes start at the object. Every read lies past the object's start: none
// wraps around the top of the host's address space.
TEST(ParentWindow, FindsTheHostsWindowWhereverItKeepsIt) {
    const struct {
        const char* what;
        size_t nPointerSize;
        uintptr_t nParent;
        size_t nReadable;
        std::vector<std::pair<size_t, uintptr_t>> slots; // offset in the object, value
        uintptr_t nWant;
    } cases[] = {
        {"our CWnd, x64", 8, kObject, kObjectSize, {{8, kMine}}, kMine},
        {"our CWnd, x86", 4, kObject, kObjectSize, {{4, kMine}}, kMine},
        {"platform framework, x64", 8, kObject, kObjectSize, {{0x40, kMine}}, kMine},
        {"platform framework, x86", 4, kObject, kObjectSize, {{0x20, kMine}}, kMine},
        {"platform framework, oldest x86", 4, kObject, kObjectSize, {{0x1C, kMine}}, kMine},
        {"x64 reads no x86 slot", 8, kObject, kObjectSize, {{0x20, kMine}, {0x1C, kMine}}, 0},
        {"x86 reads no x64 slot", 4, kObject, kObjectSize, {{0x40, kMine}}, 0},
        {"the handle itself", 8, kMine, 0, {}, kMine},
        {"null", 8, 0, kObjectSize, {{8, kMine}}, 0},
        {"garbage", 8, kObject, kObjectSize, {}, 0},
        {"nothing readable", 8, 0xDEADBEEF0, 0, {}, 0},
        {"another process's window", 8, kObject, kObjectSize, {{8, kForeign}, {0x40, kForeign}}, 0},
        {"handle slot cut short", 8, kObject, 0x44, {{0x40, kMine}}, 0},
        {"another thread's window when nothing better",
         8,
         kObject,
         kObjectSize,
         {{0x40, kSibling}},
         kSibling},
        {"the calling thread's window first",
         8,
         kObject,
         kObjectSize,
         {{8, kSibling}, {0x40, kMine}},
         kMine},
        {"x86: the calling thread's in the old slot",
         4,
         kObject,
         kObjectSize,
         {{0x20, kSibling}, {0x1C, kMine}},
         kMine},
        {"ours before the platform's",
         8,
         kObject,
         kObjectSize,
         {{8, kMineToo}, {0x40, kMine}},
         kMineToo},
        {"x86: the new slot before the old",
         4,
         kObject,
         kObjectSize,
         {{0x20, kMineToo}, {0x1C, kMine}},
         kMineToo},
        {"x64 slot ending at the top", 8, kTop64 - 0x47, 0x48, {{0x40, kMine}}, kMine},
        {"x64 slot past the top", 8, kTop64 - 0x46, 0x47, {{0x40, kMine}}, 0},
        {"x64 object at the top", 8, kTop64 - 7, 8, {}, 0},
        {"x86 slot ending at the top", 4, kTop32 - 0x23, 0x24, {{0x20, kMine}}, kMine},
        {"x86 slot past the top", 4, kTop32 - 0x22, 0x23, {{0x20, kMine}}, 0},
        {"x86 object at the top", 4, kTop32 - 3, 4, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeProcess process(c.nParent, c.nReadable, c.nPointerSize, c.slots);
        EXPECT_EQ(ResolveParent(c.nParent, c.nPointerSize, c.nPointerSize, process), c.nWant);
        for (uintptr_t nAddress : process.reads) {
            EXPECT_GT(nAddress, c.nParent);
            EXPECT_LE(nAddress, c.nPointerSize == 4 ? kTop32 : kTop64);
        }
    }
}

} // namespace
