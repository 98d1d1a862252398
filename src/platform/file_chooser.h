// The save and open file choosers. In test runs each takes a scripted answer
// (SaveFile or OpenFile: Result 1 = chosen with Text the path, anything else =
// cancelled) and shows nothing.
#pragma once
#include <cstddef>

namespace plat {

// Asks for the name of a file to save. `path` holds the proposed name on entry
// (NUL-terminated, `capacity` characters with the terminator) and the chosen
// full path on return. `filterText` is what the list shows ("Ostrima Files
// (*.OSD)"), `filterPattern` the pattern ("*.OSD", matched without regard to
// case). A chosen name without an extension gets `defaultExtension`. No
// question is asked when the file exists. Returns false when cancelled or when
// the chosen path does not fit; `path` is then unchanged.
bool ChooseSaveFile(int ownerWindow, const char16_t* filterText, const char16_t* filterPattern,
                    const char16_t* initialFolder, const char16_t* title, const char16_t* defaultExtension,
                    char16_t* path, size_t capacity);

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
