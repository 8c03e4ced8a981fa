// The settings file's Connect section read into the record and written back, and
// the window size of the Init section. A write changes only its own lines.

#include <array>

#include "connection/connection_settings.h"
#include "fuzz_support.h"
#include "platform/ini_file.h"
#include "transport/connection_record.h"

using namespace orvane;
using namespace orvane::connection;

// Keys the write must leave alone, and two that only differ from the written
// ones by case or by their section.
static std::array<std::string, 5> Untouched(const platform::IniFile& ini) {
    return {ini.ReadString("Init", "Created", "-"), ini.ReadString("Init", "MainWindowWidth", "-"),
            ini.ReadString("Init", "MainWindowHeight", "-"), ini.ReadString("Other", "IPAddr", "-"),
            ini.ReadString("Connect2", "ComPort", "-")};
}

// A value reads back as written unless the reader's own trimming and quote
// rules change it, or the writer's: line ends and zero bytes become spaces.
static bool ReadsBackAsWritten(std::string_view value) {
    if (value.empty()) return true;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    if (blank(value.front()) || blank(value.back())) return false;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return false;
    return value.find_first_of(std::string_view("\n\r\0", 3)) == std::string_view::npos;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // In memory: the same editing of lines without thirty opens and five fsyncs.
    auto ini = platform::IniFile::InMemory(std::string(reinterpret_cast<const char*>(data), size));

    transport::ConnectionRecord record;
    LoadConnectionSettings(&ini, record);
    std::array<std::string, 5> before = Untouched(ini);
    int height = ini.ReadInt("Init", "MainWindowHeight", -1);

    FUZZ_CHECK(SaveConnectionSettings(ini, record).ok());
    transport::ConnectionRecord again;
    LoadConnectionSettings(&ini, again);
    FUZZ_CHECK(again.interfaceKind == record.interfaceKind && again.baudRate == record.baudRate);
    if (ReadsBackAsWritten(record.comPort)) FUZZ_CHECK(again.comPort == record.comPort);
    if (ReadsBackAsWritten(record.ipAddress.view()))
        FUZZ_CHECK(again.ipAddress == record.ipAddress.view());
    FUZZ_CHECK(Untouched(ini) == before);

    // The window size is written back as the shell does it, through WriteInt.
    FUZZ_CHECK(ini.WriteInt("Init", "MainWindowHeight", height).ok());
    FUZZ_CHECK(ini.ReadInt("Init", "MainWindowHeight", -2) == height);
    std::array<std::string, 5> after = Untouched(ini);
    FUZZ_CHECK(after[0] == before[0] && after[1] == before[1]);  // created, width
    return 0;
}
