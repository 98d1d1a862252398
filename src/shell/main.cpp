#include "shell/main_window.h"
#if defined(OSTRIMA_SIMULATOR_PROGRAM)
#include "acquisition/simulators.h"
#endif

int main() {
#if defined(OSTRIMA_SIMULATOR_PROGRAM)
    UseSimulators();  // consoles and GPS are generated, not read from ports
#endif
    return RunOstrima();
}
