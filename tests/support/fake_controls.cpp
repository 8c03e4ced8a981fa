#include "support/fake_controls.h"

#include <algorithm>

namespace orvane::testing {

void FakeTextBox::SetText(std::string_view t) {
    text = t;
    selection = {text.size(), text.size()};
    ++setTextCount;
}

void FakeTextBox::AppendText(std::string_view t) {
    text += t;
    selection = {text.size(), text.size()};
    ++appendCount;
}

std::string FakeTextBox::CaretLine() const {
    std::size_t caret = std::min(selection.end, text.size());
    std::size_t start = text.find_last_of("\r\n", caret == 0 ? std::string::npos : caret - 1);
    start = (caret == 0 || start == std::string::npos) ? 0 : start + 1;
    std::size_t end = text.find_first_of("\r\n", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool FakeTextBox::ClickOn(std::string_view fragment) {
    std::size_t at = text.find(fragment);
    if (at == std::string::npos) return false;
    selection = {at, at};
    return true;
}

void FakeListBox::SetEditText(std::string_view t) {
    current = -1;
    edit = t;
}

bool FakeListBox::Select(std::string_view t) {
    auto it = std::find(items.begin(), items.end(), t);
    if (it == items.end()) return false;
    current = static_cast<int>(it - items.begin());
    return true;
}

void FakeListBox::Clear() {
    items.clear();
    current = -1;
    ++clearCount;
}

std::string FakeListBox::ItemText(int index) const {
    if (index < 0 || index >= Count()) return {};
    return items[static_cast<std::size_t>(index)];
}

void FakeListBox::SetCurrentIndex(int index) { current = (index >= 0 && index < Count()) ? index : -1; }

std::vector<PostedCommand> FakeCommandPoster::Take() {
    std::vector<PostedCommand> out;
    out.swap(posted);
    return out;
}

int FakeCommandPoster::CountOf(int id) const {
    return static_cast<int>(std::count_if(posted.begin(), posted.end(), [id](const PostedCommand& c) { return c.id == id; }));
}

std::optional<std::string> FakeFileDialogs::OpenFile(const ui::FileDialogRequest& request) {
    openRequests.push_back(request);
    if (openAnswers.empty()) return std::nullopt;
    std::optional<std::string> answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

ui::FileChoice FakeFileDialogs::SaveFile(const ui::FileDialogRequest& request) {
    saveRequests.push_back(request);
    if (saveAnswers.empty()) return {};
    std::optional<std::string> answer = saveAnswers.front();
    saveAnswers.pop_front();
    if (!answer) return {};
    using Outcome = ui::FileChoice::Outcome;
    return {answer->empty() ? Outcome::Failed : Outcome::Chosen, *answer};
}

}  // namespace orvane::testing
