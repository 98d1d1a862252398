#include "platform/files.h"
#include "platform/text.h"
#if defined(OSTRIMA_SIMULATOR_PROGRAM)
#include "acquisition/simulators.h"
#endif

int main() {
    plat::UseCNumericLocale();
    plat::PrepareProgramFolders();
#if defined(OSTRIMA_SIMULATOR_PROGRAM)
    UseSimulators();  // consoles and GPS are generated, not read from ports
#endif
    return 0;
}
