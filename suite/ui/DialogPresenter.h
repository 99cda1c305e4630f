#pragma once

#include "MessageBox.h"

namespace ui {

/// Shows a QMessageBox (needs a QApplication).
class DialogPresenter : public MessagePresenter {
public:
    Answer present(const MessageRequest& request) override;
};

} // namespace ui
