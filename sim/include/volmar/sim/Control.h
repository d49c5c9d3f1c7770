#pragma once

// Commands that change the virtual controller while it runs, one a line, so
// a test or a demo can move an axis and press buttons during one session:
//
//   axis N RAW[,PROCESSED]   fix axis N (1-8); PROCESSED as --axis gives it
//   axis N auto              axis N moves on its own again
//   buttons 3,17,40          hold these hardware buttons (1-132) down
//   buttons none             release every button
//   buttons auto             the bound buttons one after the other again
//   hardware T               hardware type of the live data (0 = no data)
//   input off | input on     stop / resume the joystick's periodic reports
//   input N                  send N joystick reports at once (1-256)
//
// Words are separated by blanks; an empty line or one starting with '#' is
// ignored. A bad line changes nothing and says why.

#include "volmar/sim/LiveData.h"

#include <string>
#include <string_view>

namespace volmar::sim {

// What the program does with the joystick's input reports.
struct InputControl {
    bool periodic = true; // at the configured poll interval
    int burst = 0;        // reports to send at once, then 0
};

struct CommandResult {
    bool ok = false;
    bool empty = false; // nothing to do (blank line or comment)
    std::string text;   // what was done, or why the line was refused
};

// Below the socket's queue of a slow reader, so every report of a burst
// arrives.
inline constexpr int kMaxInputBurst = 256;

CommandResult applyCommand(std::string_view line, BoardSettings& board, InputControl& input);

} // namespace volmar::sim
