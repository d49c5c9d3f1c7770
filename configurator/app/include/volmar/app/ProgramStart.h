#pragma once

// Program start: the application title, the single-instance guard, the main
// window. A refused second copy shows its message and never opens a window.

#include "volmar/app/SingleInstance.h"
#include "volmar/app/TMForm.h"

#include <memory>
#include <optional>

namespace volmar::app {

class Dialogs;

struct Program {
    std::unique_ptr<SingleInstance> instance; // held until the program ends
    std::unique_ptr<TMForm> window;
};

// Nothing when another copy runs (the message has then been shown).
std::optional<Program> startProgram(Dialogs& dialogs, const WindowOptions& options);

// main(): the whole program, with the real dialogs and devices.
int runVolmarSetup(int argc, char** argv);

} // namespace volmar::app
