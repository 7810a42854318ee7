#pragma once
// A parent window that records what its "zpicture" child tells it, and
// picture files made for the tests.

#include "corvex.h"
#include "zpicture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pictest {

// One WM_COMMAND the parent received.
struct Command {
    WORD id;
    WORD code;
    HWND from;
};

constexpr int kControlId = 77;
constexpr COLORREF kParentColor = RGB(0, 200, 0);
constexpr DWORD kParentRgb = 0x00C800;

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new "zpicture" child at (10, 10) of the given size.
    HWND MakePicture(int width, int height);
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageA(picture_, message, wParam, lParam);
    }
    LRESULT SendText(UINT message, const std::string& text, WPARAM wParam = 0)
    {
        return Send(message, wParam, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SIZE WindowSize() const;
    // Repaints the control and reads one of its pixels as 0x00RRGGBB.
    DWORD PixelAt(int x, int y);
    // The commands received since the last call.
    std::vector<Command> TakeCommands();

    HWND parent_ = nullptr;
    HWND picture_ = nullptr;
};

// Number of 0x09FB brush requests the parent has answered.
int BrushRequests();

// A 24-bit packed DIB, left half red and right half blue.
HGLOBAL MakeDib24(int width, int height);
// An 8-bit packed DIB with a grey colour table.
HGLOBAL MakeDib8(int width, int height);
std::vector<BYTE> Bytes(HGLOBAL block);

// Files in a folder of this run (removed at the end).
std::string TempPath(const std::string& name);
// A 24-bit BMP file, left half red and right half blue.
std::string WriteBmp(const std::string& name, int width, int height);
// The same picture as a 32-bit BMP file whose colour masks follow its header.
std::string WriteMaskedBmp(const std::string& name, int width, int height);
// The same picture as a JPEG file written by GDI+.
std::string WriteJpeg(const std::string& name, int width, int height);

}  // namespace pictest
