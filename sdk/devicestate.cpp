#include "devicestate.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace velsim {

const std::vector<StateKey>& StateKeys() {
    constexpr int64_t kInt32Min = INT32_MIN, kInt32Max = INT32_MAX;
    static const std::vector<StateKey> keys = {
        {"deviceCount", "1", kInt32Min, kInt32Max},
        {"devicePath", "\\\\?\\hid#velsim_touch#0"},
        {"pathUnterminated", "0", 0, 1},
        {"outputMode", "2"},
        {"touchEnable", "1", 0, 255},
        {"touchMode", "2", 0, 255},
        {"rightClickEnable", "1", 0, 255},
        {"reserved3", "90", 0, 255},
        {"reserved4", "165", 0, 255},
        {"touchSmooth", "5", 0, 255},
        {"rightClickTime", "2000", kInt32Min, kInt32Max},
        {"rightClickArea", "500", kInt32Min, kInt32Max},
        {"touchDelay", "100", kInt32Min, kInt32Max},
        {"touchJitter", "200", kInt32Min, kInt32Max},
        {"touchHeight", "5", 0, 65535},
        {"reserved24", "303132333435363738393a3b3c3d3e3f404142434445464748494a4b4c4d"},
        {"calibration", "none"},
        {"failOpen", "0", 0, 1},
        {"failGetDriverConfig", "0", 0, 1},
        {"failSetDriverConfig", "0", 0, 1},
        {"failReset", "0", 0, 1},
        {"refuseHd", "0", 0, 1},
        {"refuse16", "0", 0, 1},
        {"panel", "0.9 0.03 400 0.02 0.88 350 0 0 1"},
        {"noise", "0"},
        {"seed", "1", INT64_MIN, INT64_MAX},
        {"panelDisplay", "0", 0, kInt32Max},
        {"driverMaps", "primary"},
        {"replay", ""},
        {"replayLoop", "0", 0, 1},
    };
    return keys;
}

namespace {

const StateKey* FindKey(const std::string& key) {
    for (const StateKey& k : StateKeys()) {
        if (key == k.key)
            return &k;
    }
    return nullptr;
}

} // namespace

std::string FactoryValue(const std::string& key) {
    const StateKey* k = FindKey(key);
    return k ? k->factory : std::string();
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

std::string DeviceState::Bad(const std::string& key, const std::string& why) const {
    if (std::find(m_badKeys.begin(), m_badKeys.end(), key) == m_badKeys.end()) {
        m_badKeys.push_back(key);
        m_badLines.push_back(key + " = " + Value(key) + ": " + why + ", factory value " +
                             FactoryValue(key) + " used");
    }
    return FactoryValue(key);
}

std::vector<std::string> DeviceState::TakeBadValues() const {
    std::vector<std::string> lines;
    lines.swap(m_badLines);
    return lines;
}

int64_t DeviceState::Int(const std::string& key) const {
    const StateKey* k = FindKey(key);
    std::optional<int64_t> stored = ParseInt(Value(key));
    if (!stored)
        return ParseInt(Bad(key, "not an integer")).value_or(0);
    if (k && (*stored < k->minimum || *stored > k->maximum))
        return ParseInt(Bad(key, "outside " + std::to_string(k->minimum) + " to " +
                                     std::to_string(k->maximum)))
            .value_or(0);
    return *stored;
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
        ParseHex(Bad("reserved24", "not 60 hex digits"), &reserved);
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
        mode = ParseInt(Bad("outputMode", "neither none nor 0 to 255"));
    return static_cast<uint8_t>(*mode);
}

PanelModel DeviceState::Panel() const {
    std::optional<PanelModel> panel = PanelModel::Parse(Value("panel"));
    return panel ? *panel : *PanelModel::Parse(Bad("panel", "not nine finite numbers"));
}

int DeviceState::PanelDisplay(int displayCount) const {
    int64_t number = Int("panelDisplay");
    if (number > displayCount)
        number =
            ParseInt(Bad("panelDisplay", "there is no display " + std::to_string(number) + " (" +
                                             std::to_string(displayCount) + " displays)"))
                .value_or(0);
    return static_cast<int>(number);
}

DriverMaps DeviceState::Maps() const {
    std::optional<DriverMaps> maps = ParseDriverMaps(Value("driverMaps"));
    return maps ? *maps : *ParseDriverMaps(Bad("driverMaps", "not primary, display or desktop"));
}

CalibrationSet DeviceState::Calibration() const {
    std::optional<CalibrationSet> set = ParseCalibration(Value("calibration"));
    return set ? *set
               : *ParseCalibration(
                     Bad("calibration", "not none, hd <enable> f0 ... f7 or 16 m0 ... m7"));
}

double DeviceState::Noise() const {
    std::string value = Value("noise");
    char* end = nullptr;
    double sigma = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !std::isfinite(sigma) || sigma < 0)
        return std::strtod(Bad("noise", "not a finite number of at least 0").c_str(), nullptr);
    return sigma;
}

} // namespace velsim
