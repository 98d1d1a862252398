// The open-file chooser. In test runs it takes a scripted OpenFile answer
// (Result 1 = chosen with Text the path, anything else = cancelled) and shows
// nothing.
#pragma once
#include <cstddef>

namespace plat {

// Asks for an existing file to open. `filterText` is the label the list shows
// ("ASCII Files (*.ASC,*.TXT,*.DAT,*.XYZ)"); `filterPatterns` the patterns,
// separated by ';' ("*.TXT;*.ASC;*.DAT;*.XYZ"), matched without regard to
// case. `initialFolder`, `title` and `defaultExtension` may be null. `path`
// (`capacity` characters with the terminator) receives the chosen full path.
// Returns false when cancelled or when the path does not fit; `path` is then
// unchanged.
bool ChooseOpenFile(int ownerWindow, const char16_t* filterText, const char16_t* filterPatterns,
                    const char16_t* initialFolder, const char16_t* title, const char16_t* defaultExtension,
                    char16_t* path, size_t capacity);

}  // namespace plat
