#include "shell/DeskApplication.h"

#include <QThread>

#include "desk/DeskLock.h"

bool DeskApplication::notify(QObject* receiver, QEvent* event) {
    if (lock_ == nullptr || QThread::currentThread() != thread()) {
        return QApplication::notify(receiver, event);
    }
    const DeskLock::Scope hold(*lock_);
    return QApplication::notify(receiver, event);
}
