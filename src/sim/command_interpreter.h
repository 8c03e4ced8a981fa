#pragma once
// The instrument's command language: text lines looked up in a table by their
// first word (the text before the first comma), in any letter case.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/command_line.h"
#include "sim/interpreter.h"

namespace orvane::sim {

inline constexpr std::string_view kIdentifyQuery = "*IDN?";
inline constexpr std::string_view kCalstrQuery = "calstr?";
inline constexpr std::string_view kCalverQuery = "calver?";
inline constexpr std::string_view kVersionQuery = "version?";
// Measurement queries of the simulator's own: text values, and one binary.
inline constexpr std::string_view kReadingQuery = "read?";
inline constexpr std::string_view kTemperatureQuery = "temp?";
inline constexpr std::string_view kFrequencyQuery = "freq?";
inline constexpr std::string_view kBinaryReadingQuery = "readbin?";
// "config,NNN,VALUE" stores a setting; the clock is 240 (hour) to 245 (year).
inline constexpr std::string_view kConfigCommand = "config";
inline constexpr int kClockSettingFirst = 240;

// How measurement values are written: "1.23450E+00".
std::string MeasurementText(double value);

// The whole command line, trimmed of blanks, and the engine to answer through.
using CommandHandler = std::function<void(std::string_view command, Engine& engine)>;

class CommandTable {
  public:
    // A later entry for the same word replaces the earlier one.
    void Add(std::string_view word, CommandHandler handler);
    const CommandHandler* Find(std::string_view command) const;

  private:
    std::vector<std::pair<std::string, CommandHandler>> entries_;
};

// Identification, calibration and version texts, and the measurement queries.
CommandTable StandardCommands();

class CommandInterpreter final : public Interpreter {
  public:
    explicit CommandInterpreter(CommandTable table = StandardCommands());
    void Receive(uint8_t byte, Engine& engine) override;
    void Reset() override { line_.Reset(); }
    CommandTable& table() { return table_; }

  private:
    LineAssembler line_;
    CommandTable table_;
};

}  // namespace orvane::sim
