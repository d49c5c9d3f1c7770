// VolmarSetup, the configurator.
#include "volmar/app/ProgramStart.h"
#include "volmar/sysio/DeviceLock.h"

int main(int argc, char** argv) {
    // How a program kept off a controller this one holds will name it.
    volmar::sysio::setProgramName("VolmarSetup");
    return volmar::app::runVolmarSetup(argc, argv);
}
