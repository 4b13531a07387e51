// Units of the parameter tables of the effects built here.
#include "ParamUnits.h"

#include "compander/CompanderProgram.h"
#include "vst/ParamType.h"
#include "vst/VstAbi.h"
#include "wendle/WendleParams.h"

#include <cmath>
#include <cstdio>
#include <string_view>

namespace mirelow {
namespace {

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

class TableUnits : public ParamUnits {
  public:
    explicit TableUnits(const param::ValueType& type) : type_(type) {}

    Reading read(const std::string& text, float& normalised) const override {
        float units = 0.0f;
        if (type_.parseUnits == nullptr || !type_.parseUnits(text.c_str(), units))
            return Reading::Unreadable;
        float v = 0.0f;
        if (!param::parse(type_, text.c_str(), v))
            return Reading::OutOfRange;
        normalised = exactlyShown(v, trimmed(text));
        return Reading::Value;
    }

    std::string range() const override {
        if (kind() == "switch")
            return "on/off";
        const std::string unit = type_.range.unit;
        return shown(type_.range.min) + " \u2026 " + shown(type_.range.max) +
               (unit.empty() ? "" : " " + unit);
    }

    std::string accepts() const override {
        const std::string unit = type_.range.unit;
        if (kind() == "switch")
            return "on or off";
        if (kind() == "ratio")
            return "a ratio 1:R or R:1 (such as 1:3)";
        if (kind() == "seconds")
            return "seconds or milliseconds (such as 0.5s or 20ms)";
        if (kind() == "divisor")
            return "a whole number";
        if (!unit.empty())
            return "a number in " + unit + " (such as " + middle() + unit + ")";
        return "a number";
    }

  private:
    std::string_view kind() const { return type_.kind; }

    // The display text of a value in units; numbers as %g where the row has no formatter or
    // formats raw floats (0.000000).
    std::string shown(float units) const {
        char text[param::kTextBytes] = {};
        if (type_.format == nullptr || kind() == "value")
            std::snprintf(text, sizeof text, "%g", static_cast<double>(units));
        else
            type_.format(units, text);
        return text;
    }

    std::string middle() const { return shown(type_.toUnits(0.5f)); }

    // A display that truncates (the base's float formatter shows 0.7 as "0.699999") names a value
    // a hair below the one it shows, and that value may show one digit lower still. When `text`
    // is a display text, the nearest value that shows exactly it is taken; any other text keeps
    // what it parsed to.
    float exactlyShown(float v, const std::string& text) const {
        if (type_.format == nullptr)
            return v;
        auto displays = [&](float x) {
            char t[param::kTextBytes] = {};
            param::display(type_, x, t);
            return text == t;
        };
        if (displays(v))
            return v;
        float up = v, down = v;
        for (int i = 0; i < 64; ++i) {
            up = std::nextafter(up, 2.0f);
            if (up <= 1.0f && displays(up))
                return up;
            down = std::nextafter(down, -1.0f);
            if (down >= 0.0f && displays(down))
                return down;
        }
        return v;
    }

    const param::ValueType& type_;
};

template <class Rows>
std::vector<std::unique_ptr<ParamUnits>> fromTable(const Rows& rows,
                                                   const std::vector<std::string>& names) {
    std::vector<std::unique_ptr<ParamUnits>> out;
    if (names.size() != rows.size())
        return {};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (trimmed(names[i]) != (rows[i].name != nullptr ? rows[i].name : ""))
            return {};
        out.push_back(rows[i].type != nullptr ? std::make_unique<TableUnits>(*rows[i].type)
                                              : nullptr);
    }
    return out;
}

} // namespace

std::unique_ptr<ParamUnits> tableUnits(const param::ValueType& type) {
    return std::make_unique<TableUnits>(type);
}

std::vector<std::unique_ptr<ParamUnits>> builtInVstUnits(int32_t uniqueId,
                                                         const std::vector<std::string>& names) {
    // tidemill's compander and the VST build of wendle.
    if (uniqueId == static_cast<int32_t>(fourCharCode("+tdl")))
        return fromTable(compander::kParams, names);
    if (uniqueId == static_cast<int32_t>(fourCharCode("+wdx")))
        return fromTable(wendlefx::kParams, names);
    return {};
}

} // namespace mirelow
