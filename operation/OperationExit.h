#pragma once
#include "link/DriveState.h"
#include "operation/JogControl.h"
#include "operation/TuneMachine.h"

class MessageCatalogue;
class Questions;

// The main window's close path calls this before it closes the port: a
// jogging motor is stopped (and its speed word given back) and a tuning run
// withdraws its command. True when that was acknowledged or nothing was
// moving; otherwise the user has been told with an error box that the
// amplifier did not acknowledge the stop.
bool StopMotionBeforeExit(JogControl& jog, TuneMachine& tuning, const DriveState& state,
                          Questions& questions, const MessageCatalogue& catalogue);
