#pragma once
// The simulated instrument's bootloader: what it runs after the byte 0x19
// until "z" or the byte 0x15 restarts it into its application.
//
//   6E0Bz            code 0: initialises; answered "ok"
//   XXXXy            a sector's access code: selects the sector; "ok"
//   x                (alone, no line end) erases the selected sector; "ok"
//                    after the erase time
//   :LLAAAATT...CC   an Intel HEX record, checked and programmed into the
//                    selected sector; "ok" when valid
//   z                restarts into the application (TCP: drops the client)
//   *IDN?            the bootcode dump line
//
// Lines end at LF or CR; empty lines get no answer, so the CR LF the console
// sends after each record goes unanswered. Refusals are answered "ERROR".

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/bootloader_config.h"
#include "sim/flash_model.h"
#include "sim/interpreter.h"

namespace orvane::sim {

inline constexpr uint8_t kEnterBootloaderByte = 0x19;
inline constexpr uint8_t kRestartByte = 0x15;
inline constexpr std::string_view kLoaderOk = "ok";
inline constexpr std::string_view kLoaderRefusal = "ERROR";
// The garbage fault's answer: "ok" inside it, but not at its end.
inline constexpr std::string_view kLoaderGarbage = "\x01#ok\x7f?";

// The instrument's own table: code 0, then sectors 0 to 14.
inline constexpr std::string_view kLoaderInitCode = "6E0Bz";
inline constexpr std::array<std::string_view, 15> kLoaderSectorCodes = {
    "2B9Ey", "6D1Cy", "83E7y", "C42Ay", "9F6By", "1E8Dy", "7A2Cy", "D59Fy",
    "3C7Ay", "A61Ey", "58D2y", "E2A9y", "0D4Fy", "47CBy", "B93Dy",
};

// What outlives one run of the bootloader: the flash, and a log of what was
// done, for tests and rehearsals. Events: "enter", "init", "select N",
// "erase N", "records N" (consecutive accepted records), "restart", and for
// what was refused "init refused", "select refused", "erase refused",
// "record N refused", "record N garbage", "record N bad", "silent at record N",
// "hang-up at record N", "unknown TEXT"; and for an accepted record answered
// out of turn, "record N late" and "record N twice".
struct BootloaderMemory {
    explicit BootloaderMemory(const BootloaderConfig& config)
        : flash(config.sectorSize, config.initialFill) {}
    FlashModel flash;
    std::vector<std::string> events;
};

class Bootloader final : public Interpreter {
  public:
    // Longer lines are refused whole.
    static constexpr std::size_t kMaxLine = 600;

    void Receive(uint8_t byte, Engine& engine) override;
    void Reset() override;

  private:
    void Line(std::string_view line, Engine& engine);
    void Record(std::string_view line, Engine& engine);
    void Erase(Engine& engine);
    void Restart(Engine& engine);
    void Answer(Engine& engine, std::string_view text);
    void Note(Engine& engine, std::string event);
    void NoteRecordAccepted(Engine& engine);

    std::string line_;
    bool overlong_ = false;
    uint8_t previous_ = 0;

    bool initialised_ = false;
    int selected_ = -1;
    uint32_t base_ = 0;  // from the last extended address record
    bool programmed_ = false;
    bool silent_ = false;
    uint32_t initRefusals_ = 0;
    uint32_t record_ = 1;  // number of the record expected next
    uint32_t recordRefusals_ = 0;
    bool garbageSent_ = false;
    bool lateSent_ = false;
    bool duplicateSent_ = false;
};

}  // namespace orvane::sim
