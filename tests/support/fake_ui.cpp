#include "support/fake_ui.h"

namespace orvane::testing {

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
