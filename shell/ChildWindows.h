#pragma once
#include <span>

#include "link/DriveState.h"

class QWidget;
class TMainForm;

// The child windows of the main window, one row each: the menu item that opens
// it, its open flag, and its factory. TMainForm creates, re-languages and tears
// down every child window through this table alone.
struct ChildWindowRow {
    const char* Item;            // menu item object name
    bool DriveState::*OpenFlag;  // set while the window exists
    // Builds the window (a ChildWindow), or returns null when the command found
    // nothing to show; it has then told the user why.
    QWidget* (*Create)(TMainForm& main);
};

// In the order windows take a new language.
std::span<const ChildWindowRow> ChildWindowRows();
