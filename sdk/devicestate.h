// The simulated device's persistent state: the keys of device.ini, their
// factory values and typed access to them.
//
// A missing key reads as the factory value. So does a bad value, one that
// does not parse as its key's type or lies outside its field's range; each
// bad value read is remembered so that the call can journal it. Writing a value that equals the one
// in force changes nothing, so the file is rewritten only when the device's state changes.
#pragma once

#include "drivermap.h"
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
    // Integer keys: the range of the field the value goes into.
    int64_t minimum = 0;
    int64_t maximum = 0;
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
    // Stored value if it is a decimal integer within the key's range, else
    // the factory one.
    int64_t Int(const std::string& key) const;
    bool Flag(const std::string& key) const { return Int(key) != 0; }
    // True when the value in force changed (the text then needs writing).
    bool Set(const std::string& key, const std::string& value);

    bool Changed() const { return m_changed; }
    std::string Text() const { return m_text.Text(); }

    // One line per bad value read so far ("<key> = <value>: <why>"), each
    // key once; taking them empties the list.
    std::vector<std::string> TakeBadValues() const;

    // The 54-byte record from the touch parameters; 8- and 16-bit fields keep
    // the low bits of their values.
    ConfigRecord Config() const;
    void StoreConfig(const ConfigRecord& record);

    // Nothing for "none": the device has no output mode.
    std::optional<uint8_t> OutputMode() const;
    PanelModel Panel() const;
    double Noise() const;
    uint64_t Seed() const { return static_cast<uint64_t>(Int("seed")); }
    // The display the panel lies over, 0 for the primary; a number beyond the
    // displays present is bad.
    int PanelDisplay(int displayCount) const;
    DriverMaps Maps() const;
    // The set the device applies to raw points ("calibration").
    CalibrationSet Calibration() const;

private:
    // Remembers a bad value of key; returns the factory value.
    std::string Bad(const std::string& key, const std::string& why) const;

    StateText m_text;
    bool m_changed = false;
    mutable std::vector<std::string> m_badKeys;
    mutable std::vector<std::string> m_badLines;
};

// Parses a whole decimal integer with an optional sign.
std::optional<int64_t> ParseInt(const std::string& text);

} // namespace velsim
