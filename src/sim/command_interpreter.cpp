#include "sim/command_interpreter.h"

#include "platform/diagnostics.h"
#include "platform/text.h"
#include "platform/text_format.h"
#include "sim/binary_value.h"
#include "sim/bootloader.h"
#include "sim/engine.h"

namespace orvane::sim {

namespace {

std::string_view Trim(std::string_view text) {
    return platform::Trim(text, platform::kBlanks);
}

std::string_view FirstWord(std::string_view command) {
    return Trim(command.substr(0, command.find(',')));
}

CommandHandler AnswerText(std::string InstrumentConfig::*field) {
    return [field](std::string_view, Engine& engine) { engine.SendLine(engine.config().*field); };
}

CommandHandler AnswerValue(double InstrumentConfig::*field) {
    return [field](std::string_view, Engine& engine) {
        engine.SendLine(MeasurementText(engine.config().*field));
    };
}

}  // namespace

std::string MeasurementText(double value) {
    return platform::Format("%.5E", value);
}

void CommandTable::Add(std::string_view word, CommandHandler handler) {
    std::string key = platform::ToLowerAscii(word);
    for (auto& entry : entries_) {
        if (entry.first == key) {
            entry.second = std::move(handler);
            return;
        }
    }
    entries_.emplace_back(std::move(key), std::move(handler));
}

const CommandHandler* CommandTable::Find(std::string_view command) const {
    std::string key = platform::ToLowerAscii(FirstWord(command));
    for (const auto& entry : entries_) {
        if (entry.first == key) return &entry.second;
    }
    return nullptr;
}

CommandTable StandardCommands() {
    CommandTable table;
    table.Add(kIdentifyQuery, [](std::string_view, Engine& engine) {
        uint32_t seen = engine.NoteIdentificationQuery();
        if (seen >= engine.config().idnFromQuery) engine.SendLine(IdentityText(engine.config()));
    });
    table.Add(kCalstrQuery, AnswerText(&InstrumentConfig::calstr));
    table.Add(kCalverQuery, AnswerText(&InstrumentConfig::calver));
    table.Add(kVersionQuery, AnswerText(&InstrumentConfig::version));
    table.Add(kReadingQuery, AnswerValue(&InstrumentConfig::reading));
    table.Add(kTemperatureQuery, AnswerValue(&InstrumentConfig::temperature));
    table.Add(kFrequencyQuery, AnswerValue(&InstrumentConfig::frequency));
    table.Add(kBinaryReadingQuery, [](std::string_view, Engine& engine) {
        engine.Send(BinaryReply(engine.config().reading));
    });
    table.Add(kConfigCommand, [](std::string_view command, Engine& engine) {
        std::size_t first = command.find(',');
        std::size_t second = command.find(',', first == std::string_view::npos ? first : first + 1);
        if (second == std::string_view::npos) return;
        std::string_view number = Trim(command.substr(first + 1, second - first - 1));
        if (number.find_first_not_of("0123456789") != std::string_view::npos) return;
        engine.SetSetting(platform::ReadDecimal(number, {}).value,
                          std::string(Trim(command.substr(second + 1))));
    });
    return table;
}

CommandInterpreter::CommandInterpreter(CommandTable table) : table_(std::move(table)) {}

void CommandInterpreter::Receive(uint8_t byte, Engine& engine) {
    if (byte == kEnterBootloaderByte) {
        line_.Reset();
        engine.EnterBootloader();
        return;
    }
    // The restart byte of the bootloader; the application has nothing to restart.
    if (byte == kRestartByte) {
        line_.Reset();
        return;
    }
    std::optional<std::string> line = line_.Add(byte);
    if (!line) return;
    std::string_view command = Trim(*line);
    if (command.empty()) return;
    const CommandHandler* handler = table_.Find(command);
    platform::Trace(engine.config().diagnostics,
                    "sim: < " + std::string(command) + (handler ? "\n" : " (ignored)\n"));
    engine.NoteCommand(handler != nullptr);
    if (handler) (*handler)(command, engine);
}

}  // namespace orvane::sim
