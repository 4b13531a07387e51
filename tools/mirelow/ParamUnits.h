// Parameter values in their own units: text as a parameter's display shows it ("-40dB", "1:3",
// "20ms", "on", "4") read into the host's normalised 0 … 1 through the conversions the display
// itself uses, and each parameter's range in those units. The renderer knows the units of the
// effects built here (their parameter tables, or the Pro Tools controls the simulator reports);
// a foreign plug-in's parameters are normalised values only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace param {
struct ValueType;
}

namespace mirelow {

class ParamUnits {
  public:
    virtual ~ParamUnits() = default;

    enum class Reading { Value, Unreadable, OutOfRange };
    // Reads `text` in the parameter's units into a normalised value; leaves `normalised` alone
    // unless the answer is Value.
    virtual Reading read(const std::string& text, float& normalised) const = 0;
    // The range in units, as the display shows its ends: "-120.0 … 0.0 dB", "on/off", "1 … 11".
    virtual std::string range() const = 0;
    // What a value may be written as: "a number in dB (-40dB)", "on or off".
    virtual std::string accepts() const = 0;
};

// A row of an effect's parameter table.
std::unique_ptr<ParamUnits> tableUnits(const param::ValueType& type);

// The units of every parameter of an effect built here, told apart by its VST unique ID and its
// parameter names (which must be the table's, row for row); empty for any other plug-in. Null
// entries are parameters without units (wendle's inert ones).
std::vector<std::unique_ptr<ParamUnits>> builtInVstUnits(int32_t uniqueId,
                                                         const std::vector<std::string>& names);

} // namespace mirelow
