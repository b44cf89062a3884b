#include "calibmemory.h"

#include <cctype>
#include <cfloat>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "displayspace.h"

namespace {

const char* const kOutcomeWords[] = {"applied",
                                     "checked",
                                     "check failed",
                                     "cancelled",
                                     "stopped",
                                     "timed out",
                                     "refused",
                                     "not fitted",
                                     "busy",
                                     "no device",
                                     "bad arguments",
                                     "verified",
                                     "verify failed",
                                     "verify not measured",
                                     "identified",
                                     "not identified",
                                     "verify failed and undone"};

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return "";
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// "x,y WxH" back into a rectangle.
bool ParseRect(const std::string& text, VEL_CALIB_RECT& rect) {
    int x = 0, y = 0, w = 0, h = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d,%d %dx%d %c", &x, &y, &w, &h, &tail) != 4)
        return false;
    rect = {x, y, w, h};
    return true;
}

bool ParseInt(const std::string& text, long long lo, long long hi, long long& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || v < lo || v > hi)
        return false;
    value = v;
    return true;
}

bool ParseDouble(const std::string& text, double& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

// A distance in pixels: none is negative or larger than any desktop.
bool ParsePixels(const std::string& text, double& value) {
    double v = 0.0;
    if (!ParseDouble(text, v) || v < 0.0 || v > 1e7)
        return false;
    value = v;
    return true;
}

uint32_t OutcomeOf(const std::string& word) {
    for (uint32_t i = 0; i < sizeof kOutcomeWords / sizeof kOutcomeWords[0]; ++i) {
        if (word == kOutcomeWords[i])
            return i;
    }
    return 0xFFFFFFFFu;
}

// One key of an entry; false when the value does not parse.
bool Take(RememberedCalibration& e, const std::string& key, const std::string& value) {
    long long n = 0;
    if (key == "display") {
        e.display = value;
    } else if (key == "displayName") {
        e.displayName = value;
    } else if (key == "displayNumber") {
        if (!ParseInt(value, 0, 64, n))
            return false;
        e.nDisplay = static_cast<uint32_t>(n);
    } else if (key == "rect") {
        return ParseRect(value, e.rect);
    } else if (key == "orientation") {
        if (!ParseInt(value, -1, 270, n))
            return false;
        e.orientation = static_cast<int>(n);
    } else if (key == "dpi") {
        if (!ParseInt(value, 0, 10000, n))
            return false;
        e.dpi = static_cast<int>(n);
    } else if (key == "space") {
        const SpaceRow* pRow = FindSpace(value);
        if (pRow == nullptr)
            return false;
        e.nSpace = pRow->nSpace;
    } else if (key == "spaceRect") {
        return ParseRect(value, e.space);
    } else if (key == "outcome") {
        const uint32_t nOutcome = OutcomeOf(value);
        if (nOutcome == 0xFFFFFFFFu)
            return false;
        e.nOutcome = nOutcome;
    } else if (key == "verifyPoints") {
        if (!ParseInt(value, 0, VEL_CALIB_MAX_CHECKS, n))
            return false;
        e.nVerifyPoints = static_cast<uint32_t>(n);
    } else if (key == "verifyMeanPx") {
        return ParsePixels(value, e.dVerifyMeanPx);
    } else if (key == "verifyMaxPx") {
        return ParsePixels(value, e.dVerifyMaxPx);
    } else if (key == "checkMaxPx") {
        return ParsePixels(value, e.dCheckMaxPx);
    } else if (key == "calibration") {
        // "hd f0 … f7" or "16 m0 … m7"
        char kind[8] = {};
        double v[8] = {};
        char tail = 0;
        if (std::sscanf(value.c_str(), "%7s %lf %lf %lf %lf %lf %lf %lf %lf %c", kind, &v[0], &v[1],
                        &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &tail) != 9)
            return false;
        const bool bHd = std::strcmp(kind, "hd") == 0;
        if (!bHd && std::strcmp(kind, "16") != 0)
            return false;
        for (int i = 0; i < 8; ++i) {
            // A single-precision set holds only what a float can.
            if (!std::isfinite(v[i]) || std::fabs(v[i]) > FLT_MAX ||
                (!bHd && (v[i] < -32768 || v[i] > 32767 || v[i] != std::floor(v[i]))))
                return false;
        }
        e.nRecord = bHd ? VEL_CALIB_RECORD_HD : VEL_CALIB_RECORD_16;
        for (int i = 0; i < 8; ++i) {
            e.fCoefficients[i] = bHd ? static_cast<float>(v[i]) : 0.0f;
            e.nCoefficients[i] = bHd ? 0 : static_cast<int16_t>(v[i]);
        }
    } else if (key == "date") {
        e.date = value;
    }
    return true; // a key of a later version
}

} // namespace

const char* OutcomeWord(uint32_t nOutcome) {
    return nOutcome < sizeof kOutcomeWords / sizeof kOutcomeWords[0] ? kOutcomeWords[nOutcome]
                                                                     : "?";
}

std::vector<RememberedCalibration> ParseMemory(const std::string& text,
                                               std::vector<std::string>* pProblems) {
    std::vector<RememberedCalibration> memory;
    size_t at = 0;
    int nLine = 0;
    // The entry the lines go to: its index, or none before the first section
    // and after a header that does not parse. A device's last section wins.
    size_t nCurrent = SIZE_MAX;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(at, end - at));
        at = end + 1;
        ++nLine;
        auto problem = [&](const std::string& why) {
            if (pProblems != nullptr)
                pProblems->push_back("line " + std::to_string(nLine) + ": " + why);
        };
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line.front() == '[') {
            const size_t close = line.rfind(']');
            nCurrent = SIZE_MAX;
            if (close == std::string::npos || close < 2) {
                problem("\"" + line + "\" is no [device path]");
                continue;
            }
            RememberedCalibration entry;
            entry.device = line.substr(1, close - 1);
            // An index: later sections may grow the vector.
            nCurrent = static_cast<size_t>(&Remember(memory, entry) - memory.data());
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) {
            problem("\"" + line + "\" is not NAME = VALUE");
            continue;
        }
        if (nCurrent == SIZE_MAX) {
            problem("\"" + line + "\" stands before any [device path]");
            continue;
        }
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        if (!Take(memory[nCurrent], key, value))
            problem(key + " = \"" + value + "\" is not understood");
    }
    return memory;
}

std::string FormatMemory(const std::vector<RememberedCalibration>& memory) {
    std::string text =
        "# The calibrations the touch screen tools wrote, one section per screen.\r\n";
    for (const RememberedCalibration& e : memory) {
        text += "\r\n[" + e.device + "]\r\n";
        text += "display = " + e.display + "\r\n";
        text += "displayName = " + e.displayName + "\r\n";
        text += "displayNumber = " + std::to_string(e.nDisplay) + "\r\n";
        text += "rect = " + RectText(e.rect) + "\r\n";
        text += "orientation = " + std::to_string(e.orientation) + "\r\n";
        text += "dpi = " + std::to_string(e.dpi) + "\r\n";
        text += std::string("space = ") + SpaceName(e.nSpace) + "\r\n";
        text += "spaceRect = " + RectText(e.space) + "\r\n";
        text += std::string("outcome = ") + OutcomeWord(e.nOutcome) + "\r\n";
        text += "verifyPoints = " + std::to_string(e.nVerifyPoints) + "\r\n";
        text += "verifyMeanPx = " + PixelText(e.dVerifyMeanPx) + "\r\n";
        text += "verifyMaxPx = " + PixelText(e.dVerifyMaxPx) + "\r\n";
        text += "checkMaxPx = " + PixelText(e.dCheckMaxPx) + "\r\n";
        if (e.nRecord != VEL_CALIB_RECORD_NONE) {
            text += e.nRecord == VEL_CALIB_RECORD_HD ? "calibration = hd" : "calibration = 16";
            for (int i = 0; i < 8; ++i)
                text +=
                    " " + (e.nRecord == VEL_CALIB_RECORD_HD ? RealText(e.fCoefficients[i])
                                                            : std::to_string(e.nCoefficients[i]));
            text += "\r\n";
        }
        text += "date = " + e.date + "\r\n";
    }
    return text;
}

const RememberedCalibration* Recall(const std::vector<RememberedCalibration>& memory,
                                    const std::string& device) {
    for (const RememberedCalibration& e : memory) {
        if (Lower(e.device) == Lower(device))
            return &e;
    }
    return nullptr;
}

RememberedCalibration& Remember(std::vector<RememberedCalibration>& memory,
                                const RememberedCalibration& entry) {
    for (RememberedCalibration& e : memory) {
        if (Lower(e.device) == Lower(entry.device))
            return e = entry;
    }
    memory.push_back(entry);
    return memory.back();
}

RememberedCalibration RememberRun(const std::string& device, const DesktopLayout& layout,
                                  const VEL_CALIB_RESULT& result, const std::string& date) {
    RememberedCalibration e;
    e.device = device;
    e.nDisplay = result.nDisplay;
    if (result.nDisplay >= 1 && result.nDisplay <= layout.displays.size()) {
        const DisplayInfo& info = layout.displays[result.nDisplay - 1];
        e.display = info.identity.empty() ? info.device : info.identity;
        e.displayName = info.device;
        e.rect = info.rect;
        e.orientation = info.orientation;
        e.dpi = info.dpi;
    }
    e.nSpace = result.nSpace;
    e.space = result.space;
    e.nOutcome = result.nOutcome;
    e.nVerifyPoints = result.nVerifyPoints;
    // As the file takes them back: 0 to 1e7 pixels (a touch mapped nowhere: 1e7).
    auto pixels = [](double v) { return std::isnan(v) || v < 0.0 ? 0.0 : std::fmin(v, 1e7); };
    e.dVerifyMeanPx = pixels(result.dVerifyMeanPx);
    e.dVerifyMaxPx = pixels(result.dVerifyMaxPx);
    e.dCheckMaxPx = pixels(result.dCheckMaxPx);
    e.nRecord = result.nAccepted;
    std::memcpy(e.fCoefficients, result.fCoefficients, sizeof e.fCoefficients);
    std::memcpy(e.nCoefficients, result.nCoefficients, sizeof e.nCoefficients);
    e.date = date;
    return e;
}

uint32_t FindRemembered(const DesktopLayout& layout, const RememberedCalibration& entry) {
    for (size_t i = 0; i < layout.displays.size(); ++i) {
        const DisplayInfo& info = layout.displays[i];
        if (!entry.display.empty() &&
            Lower(info.identity.empty() ? info.device : info.identity) == Lower(entry.display))
            return static_cast<uint32_t>(i + 1);
    }
    for (size_t i = 0; i < layout.displays.size(); ++i) {
        if (!entry.displayName.empty() &&
            Lower(layout.displays[i].device) == Lower(entry.displayName))
            return static_cast<uint32_t>(i + 1);
    }
    return 0;
}

DisplayChange CompareWithLayout(const RememberedCalibration& entry, const DesktopLayout& layout) {
    DisplayChange change;
    change.nDisplay = FindRemembered(layout, entry);
    if (change.nDisplay == 0) {
        change.gone = true;
        return change;
    }
    const DisplayInfo& now = layout.displays[change.nDisplay - 1];
    change.moved = now.rect.x != entry.rect.x || now.rect.y != entry.rect.y;
    change.resized = now.rect.width != entry.rect.width || now.rect.height != entry.rect.height;
    change.turned =
        entry.orientation >= 0 && now.orientation >= 0 && now.orientation != entry.orientation;
    change.rescaled = entry.dpi > 0 && now.dpi != entry.dpi;
    change.renumbered = change.nDisplay != entry.nDisplay;
    return change;
}

std::vector<std::string> ChangeTexts(const RememberedCalibration& entry,
                                     const DisplayChange& change, const DesktopLayout& layout) {
    const std::string name = "display " + std::to_string(entry.nDisplay) + " (" +
                             (entry.displayName.empty() ? entry.display : entry.displayName) + ")";
    std::vector<std::string> texts;
    if (change.gone || change.nDisplay < 1 || change.nDisplay > layout.displays.size()) {
        texts.push_back(name + ", calibrated " + entry.date + ", is gone");
        return texts;
    }
    const DisplayInfo& now = layout.displays[change.nDisplay - 1];
    const std::string subject =
        change.renumbered ? name + ", now display " + std::to_string(change.nDisplay) + "," : name;
    if (change.moved || change.resized)
        texts.push_back(subject + " was " + RectText(entry.rect) + " and is " + RectText(now.rect));
    if (change.turned)
        texts.push_back(subject + " was turned " + std::to_string(entry.orientation) +
                        " degrees and is turned " + std::to_string(now.orientation));
    if (change.rescaled)
        texts.push_back(subject + " was at " + std::to_string(entry.dpi) + " DPI and is at " +
                        std::to_string(now.dpi));
    return texts;
}
