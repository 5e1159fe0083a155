#include "widgets/ModalDialog.h"

#include <QDialog>
#include <utility>

namespace {

ModalLoopWrapper& Wrapper() {
    static ModalLoopWrapper wrapper;
    return wrapper;
}

}  // namespace

int ExecModal(QDialog& dialog) {
    if (!Wrapper()) return dialog.exec();
    int result = QDialog::Rejected;
    Wrapper()([&] { result = dialog.exec(); });
    return result;
}

void SetModalLoopWrapper(ModalLoopWrapper wrapper) {
    Wrapper() = std::move(wrapper);
}
