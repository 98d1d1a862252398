// The main window with a settings folder, and a way to drive a setup dialog
// as the operator does: type into edits, pick list entries, click buttons,
// then OK, Cancel or a key.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/dialog.h"
#include "platform/keys.h"
#include "shell/shell_fixture.h"

enum class Op { Type, Choose, Click };

struct Step {
    Op Do;
    int32_t Id;
    const char16_t* Text = u"";  // Type
    int32_t Index = 0;           // Choose
};

class SetupTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        std::filesystem::create_directories(root_ + "/config/Brevant/Ostrima");
        main_ = OpenMainWindow();
        ASSERT_NE(main_, 0);
        plat::test::ProcessEvents();
    }

    std::string SettingsPath() const { return root_ + "/config/Brevant/Ostrima/OSTRMAWIN.INI"; }
    std::string SettingsBytes() const { return ReadWholeFile(SettingsPath()); }

    // The next dialog takes `steps`, then the command `end` (kIdOk or
    // kIdCancel), or the key `key` when it is not 0.
    static void Script(std::vector<Step> steps, int end, plat::WParam key = 0) {
        plat::ModalAnswer a;
        a.Kind = plat::ModalKind::Dialog;
        a.Result = plat::kIdCancel;
        a.Act = [steps, end, key](int dialog) {
            for (const Step& s : steps) {
                const plat::Hwnd control = plat::GetDialogItem(dialog, s.Id);
                bool done = false;
                switch (s.Do) {
                    case Op::Type: done = plat::test::TypeIntoEdit(control, s.Text); break;
                    case Op::Choose: done = plat::test::ChooseComboItem(control, s.Index); break;
                    case Op::Click: done = plat::test::ClickControl(control); break;
                }
                EXPECT_TRUE(done) << "control " << s.Id;
            }
            if (key != 0) {
                plat::SendMessage(dialog, plat::kMsgKeyDown, key, 0);
            } else {
                plat::SendMessage(dialog, plat::kMsgCommand, static_cast<plat::WParam>(end), 0);
            }
            return -1;
        };
        plat::test::ScriptModal(a);
    }

    void Key(plat::WParam code) { plat::SendMessage(main_, plat::kMsgKeyDown, code, 0); }

    plat::Hwnd main_ = 0;
};
