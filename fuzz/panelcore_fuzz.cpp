// The control panel's conversions: the 54-byte record to the dialog's values
// and back, registry text to a number and back, and the double-click rule of
// Apply.
//
// Input: 54 record bytes, a returned-byte count, registry bytes, and four
// numbers for the double-click values.
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "panelcore.h"

namespace {

// atoi over the bytes the registry returned (up to the buffer's size and the
// first NUL), saturating at the int's ends.
int ReferenceNumber(const unsigned char* pBytes, size_t nReturned, size_t nBuffer) {
    std::string text(reinterpret_cast<const char*>(pBytes),
                     nReturned < nBuffer ? nReturned : nBuffer);
    text = text.c_str();
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    // strtoll skips the same blanks as atoi; it saturates at long long's ends.
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    FuzzInput in(pData, nSize);

    // Record → values → record gives the same bytes; the values read back
    // count as unchanged.
    _VEL_DEVICE_CONFIG record;
    unsigned char* pRecord = reinterpret_cast<unsigned char*>(&record);
    for (size_t i = 0; i < sizeof record; ++i)
        pRecord[i] = in.Byte();
    const panel::TouchParams params = panel::ParamsFromRecord(record);
    _VEL_DEVICE_CONFIG again = record;
    std::memset(&again, 0xA5, offsetof(_VEL_DEVICE_CONFIG, reserved24));
    again.reserved3 = record.reserved3; // reserved bytes are left as they are
    again.reserved4 = record.reserved4;
    panel::FillRecord(again, params);
    FUZZ_CHECK(std::memcmp(&again, &record, sizeof record) == 0);
    FUZZ_CHECK(panel::FirstDifference(record, params, panel::DoubleClick{}) ==
               panel::Difference::None);

    // Registry text: never read past the 24-byte buffer, the same number as
    // atoi over the bytes returned, and a number survives the way back.
    const size_t nReturned = in.Byte();
    const size_t kBuffer = 24;
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[kBuffer]);
    const unsigned char* pText = nullptr;
    const size_t nText = in.Take(kBuffer, &pText);
    std::memset(buffer.get(), '7', kBuffer);
    std::memcpy(buffer.get(), pText, nText);
    const int value = panel::NumberFromRegistryText(reinterpret_cast<const char*>(buffer.get()),
                                                    nReturned, kBuffer);
    FUZZ_CHECK(value == ReferenceNumber(buffer.get(), nReturned, kBuffer));
    const std::string text = panel::RegistryTextFromNumber(value);
    FUZZ_CHECK(panel::NumberFromRegistryText(text.c_str(), text.size() + 1, text.size() + 1) ==
               value);

    // Double-click values: a value known is always written; one not known is
    // written exactly when its slider left the position it was shown at.
    panel::DoubleClick dblClk;
    dblClk.range = in.Int32();
    dblClk.rangeRead = in.Int32();
    dblClk.speed = in.Int32();
    dblClk.speedRead = in.Int32();
    const unsigned char flags = in.Byte();
    dblClk.rangeKnown = flags & 1;
    dblClk.speedKnown = flags & 2;
    const struct {
        panel::DoubleClickValue which;
        int id, value, read;
        bool known;
    } values[] = {
        {panel::DoubleClickValue::Range, 1041, dblClk.range, dblClk.rangeRead, dblClk.rangeKnown},
        {panel::DoubleClickValue::Speed, 1042, dblClk.speed, dblClk.speedRead, dblClk.speedKnown},
    };
    for (const auto& v : values) {
        const bool bMoved =
            panel::SliderPosition(v.id, v.value) != panel::SliderPosition(v.id, v.read);
        FUZZ_CHECK(panel::DoubleClickWritten(dblClk, v.which) == (v.known || bMoved));
        if (v.known)
            FUZZ_CHECK(panel::DoubleClickChanged(dblClk, v.which) == (v.value != v.read));
    }
    FUZZ_CHECK(panel::IsUsableDoubleClickValue(value) == (value >= 1));
    return 0;
}
