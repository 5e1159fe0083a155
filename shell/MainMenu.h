#pragma once
#include <vector>

// The main menu as data: one row per item, in menu order. Captions are the
// form's own; the catalogue replaces those with a message number.
struct MenuItemRow {
    const char* Name;
    const char* Parent;  // nullptr for a top-level menu
    const char* Caption;
    int Message;  // 0: keeps its form caption
    bool Enabled;
    bool Checkable;
    bool Checked;
};

const std::vector<MenuItemRow>& MainMenuRows();
