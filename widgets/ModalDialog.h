#pragma once
// Every modal dialog runs its own event loop through here. The desktop program
// lets the desk lock go for that loop (each event in it takes the lock again on
// its own), so the line's jobs go on while a dialog the window opened is open.
#include <functional>

class QDialog;

// Runs the dialog's loop and gives its result, as QDialog::exec does.
int ExecModal(QDialog& dialog);

// What wraps each modal loop: the program sets it once it has a line thread;
// none (the default) runs the loop as it is.
using ModalLoopWrapper = std::function<void(const std::function<void()>& loop)>;
void SetModalLoopWrapper(ModalLoopWrapper wrapper);
