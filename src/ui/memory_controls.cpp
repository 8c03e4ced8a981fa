#include "ui/memory_controls.h"

#include <algorithm>

namespace orvane::ui {

void MemoryTextBox::SetText(std::string_view t) {
    text = t;
    selection = {text.size(), text.size()};
    ++setTextCount;
}

void MemoryTextBox::AppendText(std::string_view t) {
    text += t;
    selection = {text.size(), text.size()};
    ++appendCount;
}

std::string MemoryTextBox::CaretLine() const {
    std::size_t caret = std::min(selection.end, text.size());
    std::size_t start = text.find_last_of("\r\n", caret == 0 ? std::string::npos : caret - 1);
    start = (caret == 0 || start == std::string::npos) ? 0 : start + 1;
    std::size_t end = text.find_first_of("\r\n", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool MemoryTextBox::ClickOn(std::string_view fragment) {
    std::size_t at = text.find(fragment);
    if (at == std::string::npos) return false;
    selection = {at, at};
    return true;
}

void MemoryListBox::SetEditText(std::string_view t) {
    current = -1;
    edit = t;
}

bool MemoryListBox::Select(std::string_view t) {
    auto it = std::find(items.begin(), items.end(), t);
    if (it == items.end()) return false;
    current = static_cast<int>(it - items.begin());
    return true;
}

void MemoryListBox::Clear() {
    items.clear();
    current = -1;
    ++clearCount;
}

std::string MemoryListBox::ItemText(int index) const {
    if (index < 0 || index >= Count()) return {};
    return items[static_cast<std::size_t>(index)];
}

void MemoryListBox::SetCurrentIndex(int index) {
    current = (index >= 0 && index < Count()) ? index : -1;
}

std::string MemoryInfoPane::Text() const {
    std::string t;
    for (const StyledRun& run : runs) t += run.text;
    return t;
}

std::vector<PostedCommand> CommandQueue::Take() {
    std::vector<PostedCommand> out;
    out.swap(posted);
    return out;
}

int CommandQueue::CountOf(int id) const {
    return static_cast<int>(std::count_if(posted.begin(), posted.end(),
                                          [id](const PostedCommand& c) { return c.id == id; }));
}

}  // namespace orvane::ui
