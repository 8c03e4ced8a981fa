#include "firmware/file_lookup.h"

#include "platform/file_facts.h"

namespace orvane::firmware {
namespace {

bool IsGlobSpecial(char c) {
    return c == '*' || c == '?' || c == '[' || c == ']' || c == '\\';
}

std::string GlobPattern(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c != '*' && c != '?' && IsGlobSpecial(c)) out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

}  // namespace

std::string GlobLiteral(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (IsGlobSpecial(c)) out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

void LookUpEntryFile(LoadEntry& entry, std::string_view folder, std::string_view field,
                     NameKind kind) {
    std::string full;
    full.reserve(folder.size() + field.size());
    full.append(folder).append(field);
    entry.present = false;
    entry.pathTooLong = false;
    entry.path = full;
    entry.facts.name = field;
    if (full.size() > PathText::kMaxLength) {
        entry.pathTooLong = true;
        return;
    }

    std::string pattern = GlobLiteral(folder);
    pattern += kind == NameKind::Pattern ? GlobPattern(field) : GlobLiteral(field);
    auto found = platform::FindFirstFile(pattern);
    if (!found) return;
    if (found->path.size() > PathText::kMaxLength) {
        entry.pathTooLong = true;
        return;
    }

    entry.path = found->path;
    entry.facts.attributes = found->attributes;
    entry.facts.creationTime = found->creationTime;
    entry.facts.lastAccessTime = found->lastAccessTime;
    entry.facts.lastWriteTime = found->lastWriteTime;
    entry.facts.size = found->size;
    // glob keeps the literal folder in front of every match, so what follows it
    // is the match as the field named it, with any wildcards resolved.
    std::string_view match = found->path;
    if (match.starts_with(folder) && match.size() > folder.size()) {
        entry.facts.name = match.substr(folder.size());
    } else {
        entry.facts.name = found->name;
    }
    entry.present = true;
}

}  // namespace orvane::firmware
