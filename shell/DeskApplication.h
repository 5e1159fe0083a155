#pragma once
#include <QApplication>

class DeskLock;

// The application of the desktop program: every event the window thread
// handles holds the desk lock, so window code reads and changes the desk's
// state only while the line thread is waiting on the wire or idle. A modal
// dialog's own event loop lets the lock go (its events take it one by one), so
// the line does not stop while the user reads a dialog the window opened.
class DeskApplication : public QApplication {
public:
    using QApplication::QApplication;
    void SetDeskLock(DeskLock* lock);
    DeskLock* Lock() const { return lock_; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    DeskLock* lock_ = nullptr;
};
