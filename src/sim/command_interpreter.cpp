#include "sim/command_interpreter.h"

#include <cctype>
#include <cstdio>

#include "platform/debug_output.h"
#include "sim/binary_value.h"
#include "sim/bootloader.h"
#include "sim/engine.h"

namespace orvane::sim {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view text) {
    const char* blanks = " \t";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
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
    char text[32];
    std::snprintf(text, sizeof text, "%.5E", value);
    return text;
}

void CommandTable::Add(std::string_view word, CommandHandler handler) {
    std::string key = Lower(word);
    for (auto& entry : entries_) {
        if (entry.first == key) {
            entry.second = std::move(handler);
            return;
        }
    }
    entries_.emplace_back(std::move(key), std::move(handler));
}

const CommandHandler* CommandTable::Find(std::string_view command) const {
    std::string key = Lower(FirstWord(command));
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
        int number = 0;
        for (char c : Trim(command.substr(first + 1, second - first - 1))) {
            if (c < '0' || c > '9' || number > 100000) return;
            number = number * 10 + (c - '0');
        }
        engine.SetSetting(number, std::string(Trim(command.substr(second + 1))));
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
    platform::DebugOutput("sim: < " + std::string(command) + (handler ? "\n" : " (ignored)\n"));
    engine.NoteCommand(handler != nullptr);
    if (handler) (*handler)(command, engine);
}

}  // namespace orvane::sim
