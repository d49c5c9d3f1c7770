// VolmarSetup, the configurator.
#include "volmar/app/ProgramStart.h"

int main(int argc, char** argv) {
    return volmar::app::runVolmarSetup(argc, argv);
}
