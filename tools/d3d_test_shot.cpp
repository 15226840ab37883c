// Screenshot helper for run.sh: presses the test button of a running
// corvane.exe's dialog, answers the save question with No, waits until the
// "Direct3D Test" window shows the triangle, and writes its client area as a
// 24-bit BMP file.
//   d3d_test_shot.exe OUTPUT.bmp
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/resource.h"
#include "tests/support/dialog_driver.h"

namespace {

const DWORD TIMEOUT_MS = 20000;

HWND FindVisibleDialogNamed(const char* caption)
{
    HWND window = FindWindowA("#32770", caption);
    return window && IsWindowVisible(window) ? window : nullptr;
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<BYTE> rows;  // 24-bit, bottom-up, rows padded to 4 bytes
    int litPixels = 0;
};

Picture Capture(HWND window)
{
    const ClientPixels shot = ReadClientPixels(window);
    Picture picture;
    picture.width = shot.width;
    picture.height = shot.height;
    if (shot.pixels.empty())
        return picture;
    const int stride = (picture.width * 3 + 3) & ~3;
    picture.rows.assign(static_cast<size_t>(stride) * picture.height, 0);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const DWORD pixel = shot.At(x, y);
            BYTE* p = &picture.rows[static_cast<size_t>(picture.height - 1 - y) * stride + x * 3];
            p[0] = static_cast<BYTE>(pixel);
            p[1] = static_cast<BYTE>(pixel >> 8);
            p[2] = static_cast<BYTE>(pixel >> 16);
            picture.litPixels += pixel != 0;
        }
    return picture;
}

bool WriteBmp(const char* path, const Picture& picture)
{
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = picture.width;
    info.biHeight = picture.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(picture.rows.size());
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* out = fopen(path, "wb");
    if (!out)
        return false;
    const bool written = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&info, sizeof info, 1, out) == 1 &&
                         fwrite(picture.rows.data(), 1, picture.rows.size(), out) == picture.rows.size();
    return fclose(out) == 0 && written;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: d3d_test_shot OUTPUT.bmp\n");
        return 2;
    }
    HWND dialog = nullptr;
    if (!WaitUntil([&] { return (dialog = FindVisibleDialogNamed("Corvane 1.1")) != nullptr; }, TIMEOUT_MS)) {
        fprintf(stderr, "d3d_test_shot: no Corvane dialog\n");
        return 1;
    }
    Click(dialog, IDC_TEST_TRIANGLE);
    HWND question = nullptr;
    if (!WaitUntil([&] { return (question = FindVisibleDialogNamed("Save changes?")) != nullptr; }, TIMEOUT_MS) ||
        !Answer(question, IDNO)) {
        fprintf(stderr, "d3d_test_shot: no save question to answer\n");
        return 1;
    }
    HWND window = nullptr;
    if (!WaitUntil([&] {
            window = FindWindowA("Direct3D Test", "Direct3D Test");
            return window && IsWindowVisible(window);
        }, TIMEOUT_MS)) {
        fprintf(stderr, "d3d_test_shot: the test window did not show\n");
        return 1;
    }
    // Let the colours drift and the triangle turn a little before the shot.
    const DWORD started = GetTickCount();
    Picture picture;
    WaitUntil([&] {
        picture = Capture(window);
        return picture.litPixels > 1000 && GetTickCount() - started > 1500;
    }, TIMEOUT_MS);
    if (picture.litPixels <= 1000) {
        fprintf(stderr, "d3d_test_shot: the test window shows no triangle\n");
        return 1;
    }
    if (!WriteBmp(argv[1], picture)) {
        fprintf(stderr, "d3d_test_shot: cannot write %s\n", argv[1]);
        return 1;
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    printf("d3d_test_shot: %dx%d\n", picture.width, picture.height);
    return 0;
}
