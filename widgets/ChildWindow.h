#pragma once
#include <functional>
#include <utility>

// What the main window asks of every child window it creates from its table:
// to take the texts of the language now in use, and to say when it closes, so
// that the window's open flag is cleared at once rather than when Qt gets
// round to deleting it.
class ChildWindow {
public:
    virtual ~ChildWindow() = default;
    virtual void ChangeLanguage() = 0;

    void SetClosedHandler(std::function<void()> handler) { closed_ = std::move(handler); }

protected:
    // Called by the window's closeEvent once it has accepted to close.
    void NotifyClosed() {
        if (closed_) closed_();
    }

private:
    std::function<void()> closed_;
};
