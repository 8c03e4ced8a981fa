#include "gui/connect_dialog_window.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "gui/dialog_units.h"
#include "gui/resources.h"

namespace orvane::gui {

namespace {

constexpr const char kLabelInterface[] = "Interface:";
constexpr const char kLabelComPortTemplate[] = "Com Port:";
constexpr const char kLabelBaudRate[] = "Baud Rate:";
constexpr const char kCaptionConnect[] = "Connect";
constexpr const char kCaptionCancel[] = "Cancel";
constexpr const char kCaptionTest[] = "Test";
constexpr const char kCaptionSaveAsDefault[] = "Save as Default";
constexpr const char kSearchTip[] = "Search the LAN for instruments";

// A drop-down shows its closed height; the design's taller box is its list.
constexpr int kDropDownHeight = 13;

}  // namespace

QValidator* NewIpv4Validator(QObject* parent) {
    static const QRegularExpression address(
        QStringLiteral("(?:(?:25[0-5]|2[0-4]\\d|1\\d\\d|[1-9]?\\d)\\.){3}(?:25[0-5]|2[0-4]\\d|"
                       "1\\d\\d|[1-9]?\\d)"));
    return new QRegularExpressionValidator(address, parent);
}

ConnectDialogWindow::ConnectDialogWindow(QWidget* owner)
    : QDialog(owner),
      connect_(new QPushButton(FromUtf8(kCaptionConnect), this)),
      cancel_(new QPushButton(FromUtf8(kCaptionCancel), this)),
      interfaces_(new QComboBox(this)),
      portLabel_(new QLabel(FromUtf8(kLabelComPortTemplate), this)),
      ports_(new QComboBox(this)),
      ip_(new QLineEdit(this)),
      search_(new QPushButton(this)),
      baudLabel_(new QLabel(FromUtf8(kLabelBaudRate), this)),
      bauds_(new QComboBox(this)),
      test_(new QPushButton(FromUtf8(kCaptionTest), this)),
      save_(new QPushButton(FromUtf8(kCaptionSaveAsDefault), this)),
      interfaceBox_(interfaces_),
      portBox_(ports_),
      baudBox_(bauds_),
      ipBox_(ip_, LineEditBox::Encoding::Utf8),
      portLabelBox_(portLabel_),
      baudLabelBox_(baudLabel_),
      searchBox_(search_),
      testBox_(test_),
      boxes_(this) {
    setObjectName("connectDialog");
    setWindowTitle(FromUtf8(kConnectDialogTitle));
    const DialogUnits du(font());
    setFixedSize(du.Size(209, 89));

    auto* interfaceLabel = new QLabel(FromUtf8(kLabelInterface), this);
    const std::pair<QWidget*, QRect> places[] = {
        {connect_, du.Rect(154, 10, 50, 14)},
        {cancel_, du.Rect(154, 30, 50, 14)},
        {interfaceLabel, du.Rect(14, 13, 39, 8)},
        {interfaces_, du.Rect(60, 10, 68, kDropDownHeight)},
        {portLabel_, du.Rect(14, 32, 39, 8)},
        {ports_, du.Rect(60, 30, 68, kDropDownHeight)},
        {ip_, du.Rect(60, 31, 67, 13)},
        {search_, du.Rect(130, 31, 15, 13)},
        {baudLabel_, du.Rect(14, 51, 39, 8)},
        {bauds_, du.Rect(60, 50, 68, kDropDownHeight)},
        {test_, du.Rect(77, 69, 50, 14)},
        {save_, du.Rect(132, 69, 72, 14)},
    };
    for (const auto& [widget, rect] : places) widget->setGeometry(rect);
    // Labels may need a little more room than the design's font gave them.
    for (QLabel* label : {interfaceLabel, portLabel_, baudLabel_}) {
        label->setMinimumHeight(label->sizeHint().height());
        label->resize(label->width(), std::max(label->height(), label->sizeHint().height()));
    }

    connect_->setObjectName(QString::number(kConnectButtonId));
    cancel_->setObjectName(QString::number(kCancelButtonId));
    interfaces_->setObjectName(QString::number(kInterfaceListId));
    ports_->setObjectName(QString::number(kComPortListId));
    bauds_->setObjectName(QString::number(kBaudRateListId));
    test_->setObjectName(QString::number(kTestButtonId));
    ip_->setObjectName(QString::number(kIpAddressId));
    portLabel_->setObjectName(QString::number(kPortLabelId));
    baudLabel_->setObjectName(QString::number(kBaudRateLabelId));
    save_->setObjectName(QString::number(kSaveAsDefaultId));
    search_->setObjectName(QString::number(kSearchButtonId));

    connect_->setDefault(true);
    ports_->setEditable(true);  // a device path may be typed
    ports_->setInsertPolicy(QComboBox::NoInsert);
    ip_->setValidator(NewIpv4Validator(ip_));
    ip_->setPlaceholderText(QStringLiteral("0.0.0.0"));
    search_->setIcon(SearchIcon());
    search_->setIconSize(QSize(16, 16));
    search_->setToolTip(FromUtf8(kSearchTip));
    ip_->hide();
    search_->hide();
    test_->hide();

    OnClick(connect_, [](ui::ConnectDialogEvents& e) { e.OnConnect(); });
    OnClick(cancel_, [](ui::ConnectDialogEvents& e) { e.OnCancel(); });
    OnClick(test_, [](ui::ConnectDialogEvents& e) { e.OnTest(); });
    OnClick(save_, [](ui::ConnectDialogEvents& e) { e.OnSaveAsDefault(); });
    OnClick(search_, [](ui::ConnectDialogEvents& e) { e.OnSearch(); });
    connect(interfaces_, &QComboBox::activated, this, [this] {
        if (events_) events_->OnInterfaceSelected();
    });

    setTabOrder(connect_, cancel_);
    setTabOrder(cancel_, interfaces_);
    setTabOrder(interfaces_, ports_);
    setTabOrder(ports_, ip_);
    setTabOrder(ip_, search_);
    setTabOrder(search_, bauds_);
    setTabOrder(bauds_, test_);
    setTabOrder(test_, save_);
    connect_->setFocus();
}

template <class F>
void ConnectDialogWindow::OnClick(QPushButton* button, F handler) {
    connect(button, &QPushButton::clicked, this, [this, handler] {
        if (events_) handler(*events_);
    });
}

void ConnectDialogWindow::reject() {
    if (events_) {
        events_->OnCancel();
    } else {
        QDialog::reject();
    }
}

}  // namespace orvane::gui
