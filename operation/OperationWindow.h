#pragma once
#include <QMdiSubWindow>
#include <QString>
#include <span>

#include "widgets/ChildWindow.h"

class MessageCatalogue;
class QLabel;
class QTimer;

// What the jog, tuning and direct read/write windows share: the catalogue
// texts of their named controls, one timer of their own, an open flag in the
// drive state that an accepted close clears and that stops the timer, and a
// fixed size, opening in the middle of the MDI area.
class OperationWindow : public QMdiSubWindow, public ChildWindow {
public:
    // A named label or button and the catalogue line it shows.
    struct Caption {
        const char* Name;
        int Message;
    };

protected:
    OperationWindow(bool& openFlag, const MessageCatalogue& catalogue, const char* name,
                    QWidget* parent);

    const MessageCatalogue& Catalogue() const { return catalogue_; }
    QString Msg(int message) const;
    // Gives every named label and button its catalogue text.
    void ApplyCaptions(std::span<const Caption> captions);
    // The window's timer, not started yet.
    QTimer* MakeTimer(const char* name, int intervalMs);
    // The bold title line at the top of the window.
    QLabel* PlaceTitle(QWidget* client, int x, int y, int width, int height, int pixelSize);
    // Asked before every close; a window that refuses stays open.
    virtual bool MayClose() { return true; }

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    const MessageCatalogue& catalogue_;
    bool& openFlag_;
    QTimer* timer_ = nullptr;
    bool placed_ = false;
};
