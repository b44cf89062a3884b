// Invariant checks of the fuzz targets: a broken one aborts, which libFuzzer
// reports as a crash and saves the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// Reads the input front to back; past its end every read gives 0.
class FuzzInput {
public:
    FuzzInput(const unsigned char* pData, size_t nSize) : m_pData(pData), m_nSize(nSize) {}
    bool Empty() const { return m_nAt >= m_nSize; }
    unsigned char Byte() { return m_nAt < m_nSize ? m_pData[m_nAt++] : 0; }
    int32_t Int32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(Byte()) << (8 * i);
        return static_cast<int32_t>(v);
    }
    // Up to n bytes (fewer at the end of the input).
    size_t Take(size_t n, const unsigned char** ppBytes) {
        size_t left = m_nAt < m_nSize ? m_nSize - m_nAt : 0;
        size_t got = n < left ? n : left;
        *ppBytes = m_pData + m_nAt;
        m_nAt += got;
        return got;
    }

private:
    const unsigned char* m_pData;
    size_t m_nSize;
    size_t m_nAt = 0;
};
