// The simulated device's persistent state: the keys of device.ini, their
// factory values and typed access to them.
//
// A missing key, or a value that does not parse as its key's type, reads as
// the factory value. Writing a value that equals the one in force changes
// nothing, so the file is rewritten only when the device's state changes.
#pragma once

#include "panel.h"
#include "records.h"
#include "statefile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velsim {

struct StateKey {
    const char* key;
    const char* factory;
};

// Every key in the order a new state file lists them.
const std::vector<StateKey>& StateKeys();
// Factory value of a key; empty for an unknown key.
std::string FactoryValue(const std::string& key);

class DeviceState {
public:
    explicit DeviceState(const std::string& text = std::string()) : m_text(text) {}

    // Stored value, else the factory value.
    std::string Value(const std::string& key) const;
    // Stored value if it is a decimal integer (64-bit), else the factory one.
    int64_t Int(const std::string& key) const;
    bool Flag(const std::string& key) const { return Int(key) != 0; }
    // True when the value in force changed (the text then needs writing).
    bool Set(const std::string& key, const std::string& value);

    bool Changed() const { return m_changed; }
    std::string Text() const { return m_text.Text(); }

    // The 54-byte record from the touch parameters; 8- and 16-bit fields keep
    // the low bits of their values.
    ConfigRecord Config() const;
    void StoreConfig(const ConfigRecord& record);

    // Nothing for "none": the device has no output mode.
    std::optional<uint8_t> OutputMode() const;
    PanelModel Panel() const;
    double Noise() const;
    uint64_t Seed() const { return static_cast<uint64_t>(Int("seed")); }

private:
    StateText m_text;
    bool m_changed = false;
};

// Parses a whole decimal integer with an optional sign.
std::optional<int64_t> ParseInt(const std::string& text);

} // namespace velsim
