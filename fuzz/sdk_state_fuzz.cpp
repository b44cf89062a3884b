// The simulated screen's state file: whatever device.ini holds, every integer
// read lies within its field's range, a rewrite keeps the meaning of every
// key, and the record stored is the record read back.
//
// Input: device.ini as it is.
#include <cstdint>
#include <string>

#include "devicestate.h"
#include "fuzz_check.h"
#include "statefile.h"

using velsim::DeviceState;
using velsim::StateKey;
using velsim::StateText;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::string text(reinterpret_cast<const char*>(pData), nSize);

    // A rewrite means what the original meant, key by key, with one edit.
    StateText original(text);
    StateText rewritten(original.Text());
    for (const StateKey& key : velsim::StateKeys())
        FUZZ_CHECK(original.Find(key.key) == rewritten.Find(key.key));
    StateText edited(text);
    edited.Set("touchMode", "3");
    StateText reread(edited.Text());
    FUZZ_CHECK(reread.Find("touchMode") == std::optional<std::string>("3"));
    for (const StateKey& key : velsim::StateKeys()) {
        if (std::string(key.key) != "touchMode")
            FUZZ_CHECK(reread.Find(key.key) == original.Find(key.key));
    }

    // Every integer key reads within its range; a value that does not is
    // reported as bad rather than wrapped.
    DeviceState state(text);
    for (const StateKey& key : velsim::StateKeys()) {
        if (key.minimum == key.maximum)
            continue; // not an integer key
        const int64_t value = state.Int(key.key);
        FUZZ_CHECK(value >= key.minimum && value <= key.maximum);
        const std::optional<int64_t> stored = velsim::ParseInt(state.Value(key.key));
        if (stored && *stored >= key.minimum && *stored <= key.maximum)
            FUZZ_CHECK(value == *stored);
    }
    state.TakeBadValues();

    // The record read is the record stored, and storing it again changes
    // nothing.
    const velsim::ConfigRecord record = state.Config();
    DeviceState stored(text);
    stored.StoreConfig(record);
    DeviceState back(stored.Text());
    FUZZ_CHECK(back.Config() == record);
    FUZZ_CHECK(back.TakeBadValues().empty());
    DeviceState twice(stored.Text());
    twice.StoreConfig(record);
    FUZZ_CHECK(!twice.Changed());

    // The rest of the state parses to usable values.
    const velsim::PanelModel panel = state.Panel();
    (void)panel;
    const double noise = state.Noise();
    FUZZ_CHECK(noise >= 0 && noise == noise);
    return 0;
}
