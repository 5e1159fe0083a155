#pragma once
#include <QApplication>

class DeskLock;

// The application of the desktop program: every event the window thread
// handles holds the desk lock, so window code reads and changes the desk's
// state only while the line thread is waiting on the wire or idle.
class DeskApplication : public QApplication {
public:
    using QApplication::QApplication;
    void SetDeskLock(DeskLock* lock) { lock_ = lock; }
    DeskLock* Lock() const { return lock_; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    DeskLock* lock_ = nullptr;
};
