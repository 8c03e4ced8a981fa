#include "gui/resources.h"

// Resources compiled into a static library are registered by hand.
static void RegisterResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(orvane2);
        return true;
    }();
    (void)done;
}

namespace orvane::gui {

QIcon AppIcon() {
    RegisterResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/orvane2-%1.png").arg(size));
    return icon;
}

QIcon SearchIcon() {
    RegisterResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/search-16.png"));
    icon.addFile(QStringLiteral(":/icons/search-32.png"));
    return icon;
}

}  // namespace orvane::gui
