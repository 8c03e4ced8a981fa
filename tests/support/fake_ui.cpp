#include "support/fake_ui.h"

namespace orvane::testing {

std::optional<std::string> FakeFileDialogs::OpenFile(const ui::FileDialogRequest& request) {
    openRequests.push_back(request);
    return Next(openAnswers).value_or(std::nullopt);
}

ui::FileChoice FakeFileDialogs::SaveFile(const ui::FileDialogRequest& request) {
    saveRequests.push_back(request);
    std::optional<std::string> answer = Next(saveAnswers).value_or(std::nullopt);
    if (!answer) return {};
    return {answer->empty() ? ui::FileChoice::Outcome::Failed : ui::FileChoice::Outcome::Chosen,
            *answer};
}

}  // namespace orvane::testing
