#include "firmware/files_list_dialog.h"

#include "firmware/firmware_texts.h"

namespace orvane::firmware {

int RunFilesListDialog(ui::FilesListWindow& window, bool planError, const std::string& previewRtf) {
    window.SetTitle(kFilesListTitle);
    window.SetRichText(previewRtf);
    window.EnableAccept(!planError);
    int pressed = window.RunModal();
    // Erasing starts on Accept, so an unsound plan must never get past here.
    if (pressed == ui::kFilesListAcceptId && !planError) return ui::kFilesListAcceptId;
    return ui::kFilesListCancelId;
}

}  // namespace orvane::firmware
