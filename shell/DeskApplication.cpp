#include "shell/DeskApplication.h"

#include <QThread>

#include "desk/DeskLock.h"
#include "widgets/ModalDialog.h"

void DeskApplication::SetDeskLock(DeskLock* lock) {
    lock_ = lock;
    if (lock == nullptr) {
        SetModalLoopWrapper(nullptr);
        return;
    }
    SetModalLoopWrapper([lock](const std::function<void()>& loop) { lock->ReleasedDuring(loop); });
}

bool DeskApplication::notify(QObject* receiver, QEvent* event) {
    if (lock_ == nullptr || QThread::currentThread() != thread()) {
        return QApplication::notify(receiver, event);
    }
    const DeskLock::Scope hold(*lock_);
    return QApplication::notify(receiver, event);
}
