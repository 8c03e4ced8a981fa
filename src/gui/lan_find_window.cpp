#include "gui/lan_find_window.h"

#include <QApplication>
#include <QHeaderView>

#include "connection/lan_search_texts.h"
#include "gui/dialog_units.h"

namespace orvane::gui {

LanFindWindow::LanFindWindow(QWidget* owner)
    : QDialog(owner),
      list_(new QTreeWidget(this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      okBox_(ok_) {
    setObjectName("lanFindDialog");
    setWindowTitle(FromUtf8(connection::kLanFindDialogTitle));
    const DialogUnits du(font());
    setFixedSize(du.Size(204, 90));
    list_->setGeometry(du.Rect(7, 7, 190, 65));
    ok_->setGeometry(du.Rect(148, 74, 50, 14));
    cancel_->setGeometry(du.Rect(92, 74, 50, 14));
    list_->setObjectName(QString::number(kLanFindListId));
    ok_->setObjectName(QString::number(kLanFindOkId));
    cancel_->setObjectName(QString::number(kLanFindCancelId));

    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectItems);
    list_->setAllColumnsShowFocus(true);
    list_->setColumnCount(0);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionsMovable(false);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ok_->setDefault(true);
    ok_->setEnabled(false);

    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (events_) events_->OnItemChanging();
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (events_) events_->OnDoubleClick();
    });
    connect(ok_, &QPushButton::clicked, this, [this] {
        if (events_) events_->OnOk();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
    setTabOrder(list_, cancel_);
    setTabOrder(cancel_, ok_);
}

void LanFindWindow::AddColumn(std::string_view caption, int percentOfWidth) {
    const int column = list_->columnCount();
    list_->setColumnCount(column + 1);
    list_->headerItem()->setText(column, FromUtf8(caption));
    list_->headerItem()->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
    percents_.push_back(percentOfWidth);
    SizeColumns();
}

void LanFindWindow::SetFullRowSelect(bool on) {
    list_->setSelectionBehavior(on ? QAbstractItemView::SelectRows
                                   : QAbstractItemView::SelectItems);
}

int LanFindWindow::AddRow(std::string_view address, std::string_view text, int data) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, FromLatin1(address));
    item->setText(1, FromLatin1(text));
    item->setData(0, Qt::UserRole, data);
    return list_->indexOfTopLevelItem(item);
}

int LanFindWindow::RowData(int row) const {
    QTreeWidgetItem* item = list_->topLevelItem(row);
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

int LanFindWindow::SelectedRow() const {
    QList<QTreeWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->indexOfTopLevelItem(selected.front());
}

void LanFindWindow::SelectRow(int row) {
    if (QTreeWidgetItem* item = list_->topLevelItem(row)) {
        list_->setCurrentItem(item);
        item->setSelected(true);
        list_->setFocus();
    }
}

void LanFindWindow::SizeColumns() {
    const int width = list_->viewport()->width();
    for (std::size_t i = 0; i < percents_.size(); ++i) {
        list_->setColumnWidth(static_cast<int>(i), width * percents_[i] / 100);
    }
}

void LanFindWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The viewport has its final width only now.
    SizeColumns();
}

void LanFindWindow::reject() {
    if (events_) {
        events_->OnCancel();
    } else {
        QDialog::reject();
    }
}

int LanFindRunner::RunLanFindDialog(ui::LanFindDialogEvents& events) {
    QWidget* owner =
        QApplication::activeModalWidget() ? QApplication::activeModalWidget() : fallbackOwner_;
    LanFindWindow dialog(owner);
    events.OnStart(dialog);
    dialog.SetEvents(&events);
    return RunModal(dialog);
}

}  // namespace orvane::gui
