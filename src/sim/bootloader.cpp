#include "sim/bootloader.h"

#include <optional>

#include "platform/diagnostics.h"
#include "platform/text.h"
#include "sim/command_interpreter.h"
#include "sim/command_line.h"
#include "sim/engine.h"

namespace orvane::sim {
namespace {

struct HexRecord {
    uint8_t type = 0;
    uint16_t address = 0;
    std::string data;
};

// A well-formed record: hex digits in pairs, the byte count matching, a known
// type of the right length and a checksum that makes every byte sum to 0.
std::optional<HexRecord> ParseRecord(std::string_view line) {
    std::string_view digits = line.substr(1);
    if (digits.size() < 10 || digits.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    uint8_t sum = 0;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        std::optional<uint32_t> value = platform::ReadHex(digits.substr(i, 2));
        if (!value) return std::nullopt;
        auto byte = static_cast<uint8_t>(*value);
        bytes += static_cast<char>(byte);
        sum = static_cast<uint8_t>(sum + byte);
    }
    auto at = [&](std::size_t i) { return static_cast<uint8_t>(bytes[i]); };
    std::size_t count = at(0);
    if (bytes.size() != count + 5 || sum != 0) return std::nullopt;
    HexRecord record;
    record.type = at(3);
    record.address = static_cast<uint16_t>(at(1) << 8 | at(2));
    record.data = bytes.substr(4, count);
    switch (record.type) {
        case 0:
            return record;
        case 1:
            return count == 0 ? std::optional(record) : std::nullopt;
        case 2:
        case 4:
            return count == 2 ? std::optional(record) : std::nullopt;
        case 3:
        case 5:
            return count == 4 ? std::optional(record) : std::nullopt;
        default:
            return std::nullopt;
    }
}

int SectorOfCode(std::string_view code) {
    for (std::size_t i = 0; i < kLoaderSectorCodes.size(); ++i) {
        if (kLoaderSectorCodes[i] == code) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

void Bootloader::Reset() {
    line_.clear();
    overlong_ = false;
    previous_ = 0;
}

void Bootloader::Receive(uint8_t byte, Engine& engine) {
    if (silent_) return;
    switch (byte) {
        case 0:
        case kDc4:
        case kEsc:
            Reset();
            return;
        case kEnterBootloaderByte:
            engine.EnterBootloader();
            return;
        case kRestartByte:
            Restart(engine);
            return;
        case '\n':
        case '\r': {
            std::string line = std::move(line_);
            bool overlong = overlong_;
            Reset();
            if (overlong) {
                Answer(engine, kLoaderRefusal);
            } else if (!line.empty()) {
                Line(line, engine);
            }
            return;
        }
        default:
            break;
    }
    if (byte == 'x' && line_.empty() && !overlong_) {
        Erase(engine);
        return;
    }
    if (byte == '[' && previous_ == '^') {
        Reset();
        return;
    }
    previous_ = byte;
    if (line_.size() < kMaxLine) {
        line_ += static_cast<char>(byte);
    } else {
        overlong_ = true;
    }
}

void Bootloader::Line(std::string_view line, Engine& engine) {
    if (line[0] == ':') {
        Record(line, engine);
    } else if (line == kLoaderInitCode) {
        if (initRefusals_ < engine.config().bootloader.refuseInit) {
            ++initRefusals_;
            Note(engine, "init refused");
            Answer(engine, kLoaderRefusal);
            return;
        }
        initialised_ = true;
        selected_ = -1;
        Note(engine, "init");
        Answer(engine, kLoaderOk);
    } else if (int sector = SectorOfCode(line); sector >= 0) {
        if (!initialised_) {
            Note(engine, "select refused");
            Answer(engine, kLoaderRefusal);
            return;
        }
        selected_ = sector;
        base_ = 0;
        Note(engine, "select " + std::to_string(sector));
        Answer(engine, kLoaderOk);
    } else if (line == "z") {
        Restart(engine);
    } else if (line == "*IDN?") {
        engine.NoteIdentificationQuery();
        Answer(engine, kBootcodeDumpLine);
    } else {
        Note(engine, "unknown " + std::string(line));
        Answer(engine, kLoaderRefusal);
    }
}

void Bootloader::Record(std::string_view line, Engine& engine) {
    const BootloaderConfig& config = engine.config().bootloader;
    std::string number = std::to_string(record_);
    if (config.silentFromRecord != 0 && record_ >= config.silentFromRecord) {
        Note(engine, "silent at record " + number);
        silent_ = true;
        return;
    }
    if (config.hangUpAtRecord == record_) {
        Note(engine, "hang-up at record " + number);
        engine.HangUpNow();
        return;
    }
    if (config.refuseRecord == record_ && recordRefusals_ < config.refuseRecordTimes) {
        ++recordRefusals_;
        Note(engine, "record " + number + " refused");
        Answer(engine, kLoaderRefusal);
        return;
    }
    if (config.garbageAtRecord == record_ && !garbageSent_) {
        garbageSent_ = true;
        Note(engine, "record " + number + " garbage");
        Answer(engine, kLoaderGarbage);
        return;
    }

    std::optional<HexRecord> record = ParseRecord(line);
    bool ok = record && initialised_ && selected_ >= 0;
    if (ok) {
        switch (record->type) {
            case 0:
                ok = engine.boot().flash.Program(selected_, base_ + record->address, record->data);
                programmed_ = programmed_ || ok;
                break;
            case 1:
                base_ = 0;
                break;
            case 2:
            case 4: {
                uint32_t value = static_cast<uint8_t>(record->data[0]) << 8 |
                                 static_cast<uint8_t>(record->data[1]);
                base_ = record->type == 4 ? value << 16 : value << 4;
                break;
            }
            default:
                break;
        }
    }
    if (!ok) {
        Note(engine, "record " + number + " bad");
        Answer(engine, kLoaderRefusal);
        return;
    }
    const uint32_t accepted = record_++;
    NoteRecordAccepted(engine);
    if (config.lateAtRecord == accepted && !lateSent_) {
        // Programmed, but the answer comes after the console has stopped waiting.
        lateSent_ = true;
        Note(engine, "record " + number + " late");
        engine.SendAfter(std::string(kLoaderOk) + std::string(kLineEnd), config.lateMs);
        return;
    }
    Answer(engine, kLoaderOk);
    if (config.duplicateAtRecord == accepted && !duplicateSent_) {
        duplicateSent_ = true;
        Note(engine, "record " + number + " twice");
        Answer(engine, kLoaderOk);
    }
}

void Bootloader::Erase(Engine& engine) {
    if (!initialised_ || selected_ < 0) {
        Note(engine, "erase refused");
        Answer(engine, kLoaderRefusal);
        return;
    }
    engine.boot().flash.Erase(selected_);
    Note(engine, "erase " + std::to_string(selected_));
    engine.SendAfter(std::string(kLoaderOk) + std::string(kLineEnd),
                     engine.config().bootloader.eraseMs);
}

void Bootloader::Restart(Engine& engine) {
    Note(engine, "restart");
    const std::string& prefix = engine.config().bootloader.imagePath;
    std::string error;
    if (!prefix.empty()) {
        std::string log;
        for (const std::string& event : engine.boot().events) log += event + "\n";
        if (!engine.boot().flash.WriteImages(prefix, error) ||
            !WriteWholeFile(prefix + ".log", log, error)) {
            platform::Trace(engine.config().diagnostics,
                            "sim: flash image not written: " + error + "\n");
        }
    }
    // An instrument that had only its bootloader now has an application.
    if (programmed_) engine.config().bootcode = false;
    engine.RequestDrop();
    engine.LeaveBootloader();
}

void Bootloader::Answer(Engine& engine, std::string_view text) {
    if (!silent_) engine.SendLine(text);
}

void Bootloader::Note(Engine& engine, std::string event) {
    platform::Trace(engine.config().diagnostics, "sim: bootloader: " + event + "\n");
    engine.boot().events.push_back(std::move(event));
}

void Bootloader::NoteRecordAccepted(Engine& engine) {
    std::vector<std::string>& events = engine.boot().events;
    constexpr std::string_view kRecords = "records ";
    if (!events.empty() && events.back().starts_with(kRecords)) {
        int64_t count =
            platform::ReadDecimal(std::string_view(events.back()).substr(kRecords.size())).value;
        events.back() = std::string(kRecords) + std::to_string(count + 1);
    } else {
        events.push_back(std::string(kRecords) + "1");
    }
}

}  // namespace orvane::sim
