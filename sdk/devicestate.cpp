#include "devicestate.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <algorithm>

namespace velsim {

const std::vector<StateKey>& StateKeys() {
    static const std::vector<StateKey> keys = {
        {"deviceCount", "1"},
        {"devicePath", "\\\\?\\hid#velsim_touch#0"},
        {"pathUnterminated", "0"},
        {"outputMode", "2"},
        {"touchEnable", "1"},
        {"touchMode", "2"},
        {"rightClickEnable", "1"},
        {"reserved3", "90"},
        {"reserved4", "165"},
        {"touchSmooth", "5"},
        {"rightClickTime", "2000"},
        {"rightClickArea", "500"},
        {"touchDelay", "100"},
        {"touchJitter", "200"},
        {"touchHeight", "5"},
        {"reserved24", "303132333435363738393a3b3c3d3e3f404142434445464748494a4b4c4d"},
        {"calibration", "none"},
        {"failOpen", "0"},
        {"failGetDriverConfig", "0"},
        {"failSetDriverConfig", "0"},
        {"failReset", "0"},
        {"refuseHd", "0"},
        {"refuse16", "0"},
        {"panel", "0.9 0.03 400 0.02 0.88 350 0 0 1"},
        {"noise", "0"},
        {"seed", "1"},
    };
    return keys;
}

std::string FactoryValue(const std::string& key) {
    for (const StateKey& k : StateKeys()) {
        if (key == k.key)
            return k.factory;
    }
    return std::string();
}

std::optional<int64_t> ParseInt(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || errno == ERANGE || text[0] == ' ')
        return std::nullopt;
    return static_cast<int64_t>(value);
}

std::string DeviceState::Value(const std::string& key) const {
    std::optional<std::string> stored = m_text.Find(key);
    return stored ? *stored : FactoryValue(key);
}

int64_t DeviceState::Int(const std::string& key) const {
    std::optional<int64_t> stored = ParseInt(Value(key));
    if (stored)
        return *stored;
    return ParseInt(FactoryValue(key)).value_or(0);
}

bool DeviceState::Set(const std::string& key, const std::string& value) {
    if (Value(key) == value)
        return false;
    // A new file lists every key, so a person sees what can be changed.
    if (m_text.Empty()) {
        m_text = StateText("# Simulated touch screen (SDK.dll stand-in); see sdk/README.md.\n");
        for (const StateKey& k : StateKeys())
            m_text.Set(k.key, k.factory);
    }
    m_text.Set(key, value);
    m_changed = true;
    return true;
}

ConfigRecord DeviceState::Config() const {
    ConfigRecord record{};
    for (const ConfigField& field : ConfigFields())
        PutLittleEndian(&record[field.offset], field.width, Int(field.key));
    std::vector<uint8_t> reserved;
    if (!ParseHex(Value("reserved24"), &reserved) || reserved.size() != kReserved24Size) {
        reserved.clear();
        ParseHex(FactoryValue("reserved24"), &reserved);
    }
    std::copy(reserved.begin(), reserved.end(), record.begin() + kReserved24Offset);
    return record;
}

void DeviceState::StoreConfig(const ConfigRecord& record) {
    for (const ConfigField& field : ConfigFields()) {
        int64_t value = GetLittleEndian(&record[field.offset], field.width, field.isSigned);
        Set(field.key, std::to_string(value));
    }
    Set("reserved24", Hex(&record[kReserved24Offset], kReserved24Size));
}

std::optional<uint8_t> DeviceState::OutputMode() const {
    std::string value = Value("outputMode");
    if (value == "none")
        return std::nullopt;
    std::optional<int64_t> mode = ParseInt(value);
    if (!mode || *mode < 0 || *mode > 255)
        mode = ParseInt(FactoryValue("outputMode"));
    return static_cast<uint8_t>(*mode);
}

PanelModel DeviceState::Panel() const {
    std::optional<PanelModel> panel = PanelModel::Parse(Value("panel"));
    return panel ? *panel : *PanelModel::Parse(FactoryValue("panel"));
}

double DeviceState::Noise() const {
    std::string value = Value("noise");
    char* end = nullptr;
    double sigma = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(sigma) || sigma < 0)
        return 0.0;
    return sigma;
}

} // namespace velsim
