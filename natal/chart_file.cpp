#include "natal/chart_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>

#include "platform/atomic_file.h"
#include "platform/file_descriptor.h"

namespace natal {

namespace {

using Json = nlohmann::json;

// The parser keeps nested values on the stack of the destructor; charts nest three deep, so a
// deeper document is refused before it is parsed.
constexpr int kMaxDepth = 32;

bool TooDeep(std::string_view text) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxDepth) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

std::string ChartLabel(std::size_t index, const Json& chart) {
    std::string label = "chart " + std::to_string(index + 1);
    const auto name = chart.find("name");
    if (name != chart.end() && name->is_string()) label += " ('" + name->get<std::string>() + "')";
    return label;
}

bool GetString(const Json& object, const char* key, std::string& value, std::string& error) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) {
        error = std::string("\"") + key + "\" is missing or not a text";
        return false;
    }
    value = found->get<std::string>();
    return true;
}

bool GetNumber(const Json& object, const char* key, double& value, std::string& error) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_number()) {
        error = std::string("\"") + key + "\" is missing or not a number";
        return false;
    }
    value = found->get<double>();
    if (!std::isfinite(value)) {
        error = std::string("\"") + key + "\" is not a finite number";
        return false;
    }
    return true;
}

bool ReadChart(const Json& chart, Horoscope& horoscope, std::string& error) {
    if (!chart.is_object()) {
        error = "not an object";
        return false;
    }
    if (!GetString(chart, "name", horoscope.name, error)) return false;
    std::string text;
    if (!GetString(chart, "date", text, error)) return false;
    if (!ParseDate(text, horoscope.local.year, horoscope.local.month, horoscope.local.day)) {
        error = "\"date\" '" + text + "' is no date YYYY-MM-DD";
        return false;
    }
    const auto time = chart.find("time");
    if (time == chart.end() || time->is_null()) {
        horoscope.timeUnknown = true;
        horoscope.local.hour = 12;
        horoscope.local.minute = 0;
        horoscope.local.second = 0;
    } else {
        if (!GetString(chart, "time", text, error)) return false;
        if (!ParseTime(text, horoscope.local.hour, horoscope.local.minute,
                       horoscope.local.second)) {
            error = "\"time\" '" + text + "' is no time HH:MM:SS";
            return false;
        }
    }
    const auto place = chart.find("place");
    if (place == chart.end() || !place->is_object()) {
        error = "\"place\" is missing or not an object";
        return false;
    }
    const auto placeName = place->find("name");
    if (placeName != place->end()) {
        if (!placeName->is_string()) {
            error = "\"place\": \"name\" is not a text";
            return false;
        }
        horoscope.place.name = placeName->get<std::string>();
    }
    if (!GetNumber(*place, "latitude", horoscope.place.latitude, error) ||
        !GetNumber(*place, "longitude", horoscope.place.longitude, error)) {
        error = "\"place\": " + error;
        return false;
    }
    if (!GetString(chart, "zone", horoscope.zone, error)) return false;
    const auto choice = chart.find("choice");
    if (choice != chart.end() && !choice->is_null()) {
        if (!choice->is_string() || !ParseChoice(choice->get<std::string>(), horoscope.choice)) {
            error = "\"choice\" must be \"earlier\" or \"later\"";
            return false;
        }
    }
    const auto houses = chart.find("houses");
    if (houses != chart.end()) {
        std::optional<HouseSystem> system;
        if (houses->is_string()) system = ParseHouseSystem(houses->get<std::string>());
        if (!system) {
            error = "\"houses\" is none of " + HouseSystemKeys();
            return false;
        }
        horoscope.houses = *system;
    }
    if (const std::optional<std::string> problem = CheckHoroscope(horoscope)) {
        error = *problem;
        return false;
    }
    return true;
}

std::string FileError(const char* what, const std::string& path, int code) {
    return std::string(what) + " \"" + path + "\": " + std::strerror(code) + ".";
}

}  // namespace

std::string ChartFileText(const std::vector<Horoscope>& charts) {
    // Written in the order a reader of the file expects, format and version first.
    using Json = nlohmann::ordered_json;
    Json document = Json::object();
    document["format"] = kChartFileFormat;
    document["version"] = kChartFileVersion;
    Json list = Json::array();
    for (const Horoscope& horoscope : charts) {
        Json chart = Json::object();
        chart["name"] = horoscope.name;
        chart["date"] = FormatDate(horoscope.local);
        chart["time"] = horoscope.timeUnknown ? Json(nullptr) : Json(FormatTime(horoscope.local));
        chart["place"] = Json{{"name", horoscope.place.name},
                              {"latitude", horoscope.place.latitude},
                              {"longitude", horoscope.place.longitude}};
        chart["zone"] = horoscope.zone;
        if (horoscope.choice != LocalTimeChoice::None)
            chart["choice"] = ChoiceName(horoscope.choice);
        chart["houses"] = InfoOf(horoscope.houses).key;
        list.push_back(std::move(chart));
    }
    document["charts"] = std::move(list);
    // Invalid UTF-8 in a name is written replaced, never refused: a save must not fail on it.
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

bool ReadChartText(std::string_view text, std::vector<Horoscope>& charts, std::string& error) {
    if (TooDeep(text)) {
        error = "not a horoscope file: nested too deeply";
        return false;
    }
    Json document;
    try {
        document = Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& e) {
        error = "not a horoscope file: not JSON (at byte " + std::to_string(e.byte) + ")";
        return false;
    } catch (const Json::exception&) {
        error = "not a horoscope file: not JSON";
        return false;
    }
    if (!document.is_object()) {
        error = "not a horoscope file: no JSON object";
        return false;
    }
    const auto format = document.find("format");
    if (format == document.end() || !format->is_string() ||
        format->get<std::string>() != kChartFileFormat) {
        error = std::string("not a horoscope file: \"format\" is not \"") + kChartFileFormat + "\"";
        return false;
    }
    const auto version = document.find("version");
    if (version == document.end() || !version->is_number_integer()) {
        error = "\"version\" is missing or not a whole number";
        return false;
    }
    const std::int64_t number = version->get<std::int64_t>();
    if (number < 1 || number > kChartFileVersion) {
        error = "version " + std::to_string(number) + " is not one this program reads (it reads " +
                std::to_string(kChartFileVersion) + ")";
        return false;
    }
    const auto list = document.find("charts");
    if (list == document.end() || !list->is_array()) {
        error = "\"charts\" is missing or not a list";
        return false;
    }
    std::vector<Horoscope> read;
    read.reserve(list->size());
    for (std::size_t i = 0; i < list->size(); ++i) {
        const Json& chart = (*list)[i];
        Horoscope horoscope;
        std::string problem;
        if (!ReadChart(chart, horoscope, problem)) {
            error = (chart.is_object() ? ChartLabel(i, chart) : "chart " + std::to_string(i + 1)) +
                    ": " + problem;
            return false;
        }
        read.push_back(std::move(horoscope));
    }
    charts = std::move(read);
    return true;
}

bool ChartFileExists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

bool LoadChartFile(const std::string& path, std::vector<Horoscope>& charts, std::string& error) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) {
        error = FileError("Cannot open", path, errno);
        return false;
    }
    struct stat info;
    if (::fstat(fd.Get(), &info) != 0) {
        error = FileError("Cannot read", path, errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        error = FileError("Cannot read", path, EISDIR);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "Cannot read \"" + path + "\": not a regular file.";
        return false;
    }
    if (static_cast<std::uint64_t>(info.st_size) > kMaxChartFileBytes) {
        error = "Cannot read \"" + path + "\": larger than " +
                std::to_string(kMaxChartFileBytes >> 20) + " MB, not a horoscope file.";
        return false;
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            error = FileError("Cannot read", path, errno);
            return false;
        }
        if (got == 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > kMaxChartFileBytes) {
            error = "Cannot read \"" + path + "\": too large, not a horoscope file.";
            return false;
        }
    }
    std::string problem;
    if (!ReadChartText(text, charts, problem)) {
        error = "Cannot read \"" + path + "\": " + problem + ".";
        return false;
    }
    return true;
}

bool SaveChartFile(const std::string& path, const std::vector<Horoscope>& charts,
                   std::string& error) {
    caelvane::AtomicWriteFailure failure;
    if (!caelvane::WriteFileAtomically(path, ChartFileText(charts), failure)) {
        error = failure.step == caelvane::AtomicWriteStep::Target
                    ? "Cannot save \"" + path + "\": not a regular file."
                    : FileError("Cannot save", path, failure.code);
        return false;
    }
    return true;
}

int FindChart(const std::vector<Horoscope>& charts, std::string_view name) {
    for (std::size_t i = 0; i < charts.size(); ++i) {
        if (charts[i].name == name) return static_cast<int>(i);
    }
    return -1;
}

std::string UnusedName(const std::vector<Horoscope>& charts, const std::string& base) {
    if (FindChart(charts, base) < 0) return base;
    for (int n = 2;; ++n) {
        const std::string name = base + " (" + std::to_string(n) + ")";
        if (FindChart(charts, name) < 0) return name;
    }
}

}  // namespace natal
