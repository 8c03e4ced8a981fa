#pragma once
// "About": the icon, the product name, the version and the maker's notice.

#include <QDialog>
#include <string>

namespace orvane::gui {

inline constexpr const char kAboutTitle[] = "About";
inline constexpr int kAboutProductId = 110;
inline constexpr int kAboutVersionId = 111;
inline constexpr int kAboutNoticeId = 1008;
inline constexpr int kAboutOkId = 1;

class AboutDialog final : public QDialog {
  public:
    AboutDialog(QWidget* owner, const std::string& product, const std::string& version,
                const std::string& notice);
};

}  // namespace orvane::gui
