// What the file-reading fuzz targets share: a broken invariant that stops the
// run with its line, a scratch folder of the target's own under TMPDIR (the
// target's HOME, removed when the run ends), whole files written and read
// back, and the layer switched to answer every message box by closing it.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/sound.h"
#include "platform/text.h"
#include "resources/sounds.h"

namespace fuzz {

[[noreturn]] inline void Fail(const char* file, int line) {
    std::fprintf(stderr, "invariant broken at %s:%d\n", file, line);
    std::abort();
}
#define Check(ok) ((ok) ? void() : fuzz::Fail(__FILE__, __LINE__))

inline std::string& Root() {
    static std::string root;
    return root;
}

// Makes the scratch folder and points HOME and the XDG folders into it;
// message boxes close silently, sounds are recorded, never played.
inline void StartScratch(const char* name) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp != nullptr && tmp[0] != 0 ? tmp : "/tmp";
    std::string folder = base + "/ostrima-fuzz-" + name + "-XXXXXX";
    Check(mkdtemp(folder.data()) != nullptr);
    Root() = folder;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(Root(), ignored);
    });
    setenv("HOME", folder.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (folder + "/cache").c_str(), 1);
    Check(plat::PrepareProgramFolders());
    plat::test::EnableModalScript(true);
    plat::test::AnswerUnscriptedModalsByClosing(true);
    plat::test::SetSoundOutput(false);
    res::RegisterSoundResources();
}

inline std::string ReadAll(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}

inline void WriteAll(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    Check(f != nullptr);
    Check(size == 0 || std::fwrite(data, 1, size, f) == size);
    std::fclose(f);
}

inline plat::FileHandle Open(const std::string& path, plat::FileOpen how, bool append = false, bool exclusive = false) {
    return plat::OpenFile(plat::Utf8ToUtf16(path).c_str(), how, append, exclusive);
}

// The texts of the message boxes shown since the last call; the record is emptied.
inline std::vector<std::u16string> TakeBoxTexts() {
    std::vector<std::u16string> out;
    for (const auto& b : plat::test::RecordedMessageBoxes()) out.push_back(b.Text);
    plat::test::ClearRecordedMessageBoxes();
    return out;
}

// Message boxes shown since the last call; the record is emptied.
inline size_t TakeBoxCount() {
    const size_t n = plat::test::RecordedMessageBoxes().size();
    plat::test::ClearRecordedMessageBoxes();
    return n;
}

}  // namespace fuzz
