#pragma once
// The "Firmware Files List" dialog's logic: the user sees the plan preview and
// accepts or cancels. Accept is disabled while the plan has an error.

#include <string>

#include "ui/files_list_window.h"

namespace orvane::firmware {

// Result: ui::kFilesListAcceptId or ui::kFilesListCancelId. Anything but an
// Accept of a sound plan is Cancel, whatever the front end reports.
int RunFilesListDialog(ui::FilesListWindow& window, bool planError, const std::string& previewRtf);

}  // namespace orvane::firmware
