#include "platform/ini_file.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/text.h"

namespace orvane::platform {
namespace {

// A CR is trimmed only at the end, where a file written on Windows has it.
std::string_view Trim(std::string_view s) {
    return TrimRight(TrimLeft(s, kBlanks), " \t\r");
}

// "[Name]" -> Name; false for any other line.
bool SectionName(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') return false;
    std::size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = Trim(line.substr(1, close - 1));
    return true;
}

// "key=value" -> key, value; false for comments and other lines.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return false;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    // A value in matching quotes is read without them.
    if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                              (value.front() == '\'' && value.back() == '\''))) {
        value = value.substr(1, value.size() - 2);
    }
    return true;
}

// Takes the next line off text as getline() yields them: up to LF, and no
// empty line after a final LF.
bool NextLine(std::string_view& text, std::string_view& line) {
    if (text.empty()) return false;
    std::size_t end = text.find('\n');
    line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::string_view line; NextLine(text, line);) lines.push_back(line);
    return lines;
}

struct Location {
    long sectionLine = -1;   // index of the "[section]" line
    long keyLine = -1;       // index of the key's line
    long insertAt = -1;      // where a new key of the section goes
    std::string_view value;  // the key's
};

// Walks the text itself: reading a key makes no list of lines.
Location Find(std::string_view text, std::string_view section, std::string_view key) {
    Location loc;
    bool inSection = false;
    std::string_view line;
    for (long i = 0; NextLine(text, line); ++i) {
        std::string_view name;
        if (SectionName(line, name)) {
            if (inSection) break;  // the first section of that name is the one
            if (EqualsNoCase(name, section)) {
                inSection = true;
                loc.sectionLine = i;
                loc.insertAt = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        std::string_view k, v;
        if (KeyValue(line, k, v)) {
            if (loc.keyLine < 0 && EqualsNoCase(k, key)) {
                loc.keyLine = i;
                loc.value = v;
            }
        }
        // New keys go after the section's last non-blank line.
        if (!Trim(line).empty()) loc.insertAt = i + 1;
    }
    return loc;
}

}  // namespace

IniFile IniFile::InMemory(std::string text) {
    IniFile ini{std::string()};
    ini.text_ = std::move(text);
    return ini;
}

std::string IniFile::ReadProblem() const {
    const int error = ReadText().error;
    return error == 0 ? std::string() : std::strerror(error);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    const std::string text = ReadText().bytes;
    Location loc = Find(text, section, key);
    return std::string(loc.keyLine < 0 ? fallback : loc.value);
}

int IniFile::ReadInt(std::string_view section, std::string_view key, int fallback) const {
    const std::string text = ReadText().bytes;
    Location loc = Find(text, section, key);
    if (loc.keyLine < 0) return fallback;
    // Negative values have always stopped at -INT_MAX.
    return std::max(ReadDecimal(loc.value, {}).value, -INT_MAX);
}

std::string WriteResult::Reason() const {
    return std::strerror(error);
}

std::string IniFile::WithValue(std::string_view text, std::string_view section,
                               std::string_view key, std::string_view value) {
    // A line break in a value would start a new key; keep the value on its line.
    std::string clean(value);
    for (char& c : clean) {
        if (c == '\n' || c == '\r' || c == '\0') c = ' ';
    }
    const std::string entry = std::string(key) + "=" + clean;
    const std::string header = "[" + std::string(section) + "]";
    Location loc = Find(text, section, key);
    auto lines = SplitLines(text);
    if (loc.keyLine >= 0) {
        lines[static_cast<std::size_t>(loc.keyLine)] = entry;
    } else if (loc.sectionLine >= 0) {
        lines.insert(lines.begin() + loc.insertAt, entry);
    } else {
        lines.push_back(header);
        lines.push_back(entry);
    }
    std::string bytes;
    for (std::string_view line : lines) {
        bytes += line;
        bytes += '\n';
    }
    return bytes;
}

WriteResult IniFile::WriteInt(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

}  // namespace orvane::platform
