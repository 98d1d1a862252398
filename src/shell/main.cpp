#include "platform/files.h"
#include "platform/text.h"

int main() {
    plat::UseCNumericLocale();
    plat::PrepareProgramFolders();
    return 0;
}
