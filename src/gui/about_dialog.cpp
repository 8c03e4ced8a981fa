#include "gui/about_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "gui/dialog_units.h"
#include "gui/resources.h"
#include "gui/widget_controls.h"

namespace orvane::gui {

AboutDialog::AboutDialog(QWidget* owner, const std::string& product, const std::string& version,
                         const std::string& notice)
    : QDialog(owner) {
    setObjectName("aboutDialog");
    setWindowTitle(FromUtf8(kAboutTitle));
    const DialogUnits du(font());
    setFixedSize(du.Size(193, 65));

    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(32, 32));
    icon->setGeometry(du.X(9), du.Y(6), 32, 32);

    const std::tuple<int, const std::string&, QRect> texts[] = {
        {kAboutProductId, product, du.Rect(50, 10, 97, 8)},
        {kAboutVersionId, version, du.Rect(50, 27, 120, 8)},
        {kAboutNoticeId, notice, du.Rect(50, 44, 119, 8)},
    };
    for (const auto& [id, text, rect] : texts) {
        auto* label = new QLabel(FromUtf8(text), this);
        label->setObjectName(QString::number(id));
        label->setGeometry(rect.x(), rect.y(), rect.width(),
                           std::max(rect.height(), label->sizeHint().height()));
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QString::number(kAboutOkId));
    ok->setGeometry(du.Rect(157, 7, 34, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace orvane::gui
