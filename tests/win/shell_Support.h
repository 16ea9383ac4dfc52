// Helpers for the shell's Windows tests: a bare form, message pumping, scratch folders and an
// in-memory drop handle.
#pragma once

#include "framework/win32/Application.h"
#include "framework/win32/Forms.h"
#include "tests/win/Harness.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace shelltest {

// A form with no controls of its own; tests add controls to it.
class TBareFormDescription : public tovane::TForm {
public:
    explicit TBareFormDescription(tovane::TForm* owner = nullptr, tovane::TFormProps props = {})
        : TForm(owner), FProps(std::move(props)) {
        if (FProps.ClientWidth == 0) {
            FProps.ClientWidth = 320;
            FProps.ClientHeight = 240;
        }
    }

private:
    void LoadForm() override { CreateForm(FProps); }
    tovane::TFormProps FProps;
};
using TBareForm = tovane::TBuiltForm<TBareFormDescription>;

using harness::Pump;
using harness::PumpUntil;
using harness::RemotePanelText;

// A scratch folder with the files the shell's tests put in it.
class TScratchDir : public harness::ScratchFolder {
public:
    TScratchDir() : ScratchFolder("shell") {}
    // A file of one byte, with the given attributes.
    std::string MakeFile(const std::string& relative, DWORD attributes = 0) const;
    // A real 2 x 2 24-bit Windows bitmap file.
    std::string MakeBitmap(const std::string& relative) const;
};

// A real drop handle (DROPFILES in global memory, UTF-16) naming the given paths.
HDROP MakeDrop(const std::vector<std::wstring>& paths);
HDROP MakeDrop(const std::vector<std::string>& pathsAnsi);

// Holds Ctrl (or not) in this thread's key state, as GetKeyState reports it.
void SetCtrlHeld(bool held);

// A test that starts with Ctrl not held and keeps what the application reports in Errors.
class TShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCtrlHeld(false);
        tovane::Application().OnException = [this](const std::string& m) { Errors.push_back(m); };
    }
    void TearDown() override { tovane::Application().OnException = nullptr; }
    std::vector<std::string> Errors;
};

} // namespace shelltest
