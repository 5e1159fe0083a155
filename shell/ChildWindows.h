#pragma once
#include <span>

#include "link/DriveState.h"

class QWidget;
class Desk;

// The child windows of the main window, one row each: the menu item that opens
// it, its open flag, what must be read from the amplifier before it opens, and
// its factory. TMainForm creates, re-languages and tears down every child
// window through this table alone.
struct ChildWindowRow {
    const char* Item;            // menu item object name
    bool DriveState::*OpenFlag;  // set while the window exists
    // Runs on the line before the window is built (null: nothing to read);
    // false when the window must not open: it has then told the user why.
    bool (*Prepare)(Desk& desk);
    // Builds the window (a ChildWindow) on the window thread.
    QWidget* (*Create)(Desk& desk);
};

// In the order windows take a new language.
std::span<const ChildWindowRow> ChildWindowRows();
