#include "touchrecording.h"

#include "displayspace.h"
#include "screenreport.h"

namespace ctl {

namespace {

const char kLineEnd[] = "\r\n";

std::string Hex(const unsigned char* data, size_t length) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * length);
    for (size_t i = 0; i < length; ++i) {
        hex += kDigits[data[i] >> 4];
        hex += kDigits[data[i] & 0x0F];
    }
    return hex;
}

// A word of a line that readers split at blanks.
std::string Word(const std::string& text) {
    return text.empty() ? std::string("-") : text;
}

std::string DisplayLine(uint32_t n, const DisplayInfo& info) {
    return "display = " + std::to_string(n) + " " + Word(info.device) + " " + RectText(info.rect) +
           (info.primary ? " primary " : " - ") + std::to_string(info.orientation) + " " +
           std::to_string(info.dpi) + kLineEnd;
}

std::string CalibrationLine(const RecordingInfo& info) {
    const RememberedCalibration& e = info.calibration;
    if (!info.hasCalibration || e.nRecord == VEL_CALIB_RECORD_NONE)
        return std::string("calibration = none") + kLineEnd;
    const bool bHd = e.nRecord == VEL_CALIB_RECORD_HD;
    std::string line = "calibration = display " + std::to_string(e.nDisplay) + " " +
                       Word(e.displayName) + " space " + SpaceName(e.nSpace) + " " +
                       RectText(e.space) + (bHd ? " hd" : " 16");
    for (int k = 0; k < 8; ++k)
        line += " " + (bHd ? Real(e.fCoefficients[k]) : std::to_string(e.nCoefficients[k]));
    return line + " " + Word(e.date) + kLineEnd;
}

} // namespace

std::string RecordingHeader(const RecordingInfo& info) {
    std::string text = std::string("# VelTouch touch recording") + kLineEnd;
    text += std::string("format = 1") + kLineEnd;
    text += "tool = velctl " + info.toolVersion + " " + info.toolArchitecture + kLineEnd;
    text += "os = Windows " + std::to_string(info.osMajor) + "." + std::to_string(info.osMinor) +
            "." + std::to_string(info.osBuild) + " " + info.osArchitecture + kLineEnd;
    text += "started = " + info.started + kLineEnd;
    text += "devicePath = " + info.devicePath + kLineEnd;
    text += "deviceCount = " + std::to_string(info.deviceCount) + kLineEnd;
    text += "config = " +
            Hex(reinterpret_cast<const unsigned char*>(&info.config), sizeof info.config) +
            kLineEnd;
    text += "outputMode = " +
            (info.hasOutputMode ? std::to_string(info.outputMode) : std::string("none")) + kLineEnd;
    for (size_t i = 0; i < info.layout.displays.size(); ++i)
        text += DisplayLine(static_cast<uint32_t>(i + 1), info.layout.displays[i]);
    text += CalibrationLine(info);
    return text + "reports" + kLineEnd;
}

std::string RecordingLine(uint64_t microseconds, const unsigned char* data, size_t length) {
    return std::to_string(microseconds) + " " + (data != nullptr ? Hex(data, length) : "") +
           kLineEnd;
}

} // namespace ctl
