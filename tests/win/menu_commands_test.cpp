// The menu's three commands with the real file dialogs, driven as a user would drive them.
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/bitmap_file.h"
#include "core/render_job.h"
#include "res/resource.h"
#include "win/app_state.h"
#include "win/program.h"
#include "win/menu_commands.h"
#include "modal_driver.h"
#include "window_fixture.h"

namespace {

// The name the file-dialog actions type; set by the test before the command.
std::string typedName;
// The text of the overwrite prompt, when one appeared.
std::string overwritePrompt;

void typeNameAndOk(HWND dialog)
{
    SetDlgItemTextA(dialog, 0x47c, typedName.c_str());
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

BOOL CALLBACK findPrompt(HWND window, LPARAM parameter)
{
    HWND& found = *reinterpret_cast<HWND*>(parameter);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == found && lstrcmpA(className, "#32770") == 0) {
        found = window;
        return FALSE;
    }
    return TRUE;
}

// Types the name, presses OK, and answers Yes to the question whether to replace the file.
void typeNameAndConfirmOverwrite(HWND dialog)
{
    typeNameAndOk(dialog);
    const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    for (int i = 0; i < 250; ++i) {
        HWND prompt = dialog;
        EnumThreadWindows(thread, findPrompt, reinterpret_cast<LPARAM>(&prompt));
        if (prompt != dialog) {
            Sleep(50);
            char text[512] = {};
            GetDlgItemTextA(prompt, 0xFFFF, text, sizeof text);
            overwritePrompt = text;
            PostMessageA(prompt, WM_COMMAND, IDYES, 0);
            return;
        }
        Sleep(20);
    }
}

std::string tempFolder()
{
    char path[MAX_PATH] = {};
    GetTempPathA(sizeof path, path);
    return path;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string bytesOf(const ViewParams& params)
{
    return std::string(reinterpret_cast<const char*>(&params), sizeof params);
}

// Runs a menu command with the given actions on the modal windows it opens.
ModalDriver runCommand(WORD id, ModalAction first, ModalAction second = nullptr)
{
    ModalDriver driver;
    if (second) {
        startModalDriver(driver, controlDialog, first, second);
    } else {
        startModalDriver(driver, controlDialog, first);
    }
    EXPECT_EQ(0, SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0));
    finishModalDriver(driver);
    EXPECT_FALSE(driver.timedOut) << "command " << id;
    return driver;
}

std::string systemText(DWORD code)
{
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                   sizeof text, nullptr);
    return text;
}

// The core's rendering of a view, as a bitmap file would hold it.
std::string renderedPicture(const ViewParams& params)
{
    std::vector<std::uint8_t> pixels(640 * 480 * 3);
    RenderJob job = {};
    Selection unused = {};
    const FrameBuffer frame = {640, 480, pixels.data()};
    beginRender(params, job, frame, unused);
    while (job.active) renderRow(job, frame);
    return std::string(pixels.begin(), pixels.end());
}

using MenuCommands = ProgramTest;

}  // namespace

TEST(FileFilters, FormatAsPairsEndingInTwoNuls)
{
    char filter[kFilterSize];
    EXPECT_EQ(57, formatFileFilter(filter, "パラメータファイル(*.%s)%c*.%s%c全てのファイル(*.%s)%c*.%s%c", "vwp"));
    EXPECT_EQ(std::string("パラメータファイル(*.vwp)\0*.vwp\0全てのファイル(*.*)\0*.*\0\0", 57), std::string(filter, 57));
    EXPECT_EQ(51, formatFileFilter(filter, "ビットマップ(*.%s)%c*.%s%c全てのファイル(*.%s)%c*.%s%c", "bmp"));
    EXPECT_EQ(std::string("ビットマップ(*.bmp)\0*.bmp\0全てのファイル(*.*)\0*.*\0\0", 51), std::string(filter, 51));
}

TEST_F(MenuCommands, SaveThenOpenRestoresAll48Bytes)
{
    typedName = tempFolder() + "tavelin-menu-round";  // no extension: the dialog adds ".vwp"
    DeleteFileA((typedName + ".vwp").c_str());
    for (int i = 0; i < 4; ++i) viewParams.reserved[i] = static_cast<std::uint8_t>(0xA0 + i);
    viewParams.colors[3] = 0x7F123456;
    const ViewParams saved = viewParams;
    runCommand(IDM_SAVE_PARAMS, typeNameAndOk);
    EXPECT_EQ(bytesOf(saved), readFile(typedName + ".vwp"));

    viewParams = kInitialViewParams;
    typedName += ".vwp";
    runCommand(IDM_OPEN_PARAMS, typeNameAndOk);
    EXPECT_EQ(bytesOf(saved), bytesOf(viewParams));
}

TEST_F(MenuCommands, SaveWritesTheViewOfTheLastStartNotTheFields)
{
    SetDlgItemTextA(controlDialog, IDC_MAGNIFICATION, "5");
    viewParams.colors[0] = RGB(1, 2, 3);  // as the colour buttons store it at once
    typedName = tempFolder() + "tavelin-menu-last-start.vwp";
    DeleteFileA(typedName.c_str());
    runCommand(IDM_SAVE_PARAMS, typeNameAndOk);
    ViewParams expected = kInitialViewParams;
    expected.colors[0] = RGB(1, 2, 3);
    EXPECT_EQ(bytesOf(expected), readFile(typedName));
}

TEST_F(MenuCommands, OverwritingAsksFirst)
{
    typedName = tempFolder() + "tavelin-menu-overwrite.bmp";
    writeFile(typedName, "an old picture");
    overwritePrompt.clear();
    runCommand(IDM_SAVE_BITMAP, typeNameAndConfirmOverwrite);
    EXPECT_FALSE(overwritePrompt.empty()) << "the system asked before replacing the file";
    EXPECT_EQ(921658u, readFile(typedName).size());
}

TEST_F(MenuCommands, CancelChangesNothingAndThePausedRenderGoesOn)
{
    MSG message;
    while (renderJob.rowsDone < 10) loopTurn(message);
    const ViewParams before = viewParams;
    for (WORD id : {IDM_OPEN_PARAMS, IDM_SAVE_PARAMS, IDM_SAVE_BITMAP}) {
        const ModalDriver driver = runCommand(id, pressCancel);
        EXPECT_EQ(1, driver.seen) << "no error box after Cancel";
        EXPECT_EQ(mainWindow, driver.steps[0].owner);
        EXPECT_EQ(10, renderJob.rowsDone) << "no row while the dialog was open";
    }
    EXPECT_EQ(bytesOf(before), bytesOf(viewParams));
    loopTurn(message);
    pumpMessages();
    EXPECT_EQ(11, renderJob.rowsDone) << "the render continues where it stopped";
}

TEST_F(MenuCommands, SavedBitmapIsTheRenderedPicture)
{
    ASSERT_EQ(1, pumpUntilIdle());
    typedName = tempFolder() + "tavelin-menu-picture";
    DeleteFileA((typedName + ".bmp").c_str());
    runCommand(IDM_SAVE_BITMAP, typeNameAndOk);
    const std::string file = readFile(typedName + ".bmp");
    ASSERT_EQ(921658u, file.size());
    EXPECT_TRUE(file.substr(58) == renderedPicture(kInitialViewParams));
}

TEST_F(MenuCommands, SavingDuringARenderWritesTheFinishedRowsOverThePreviousPicture)
{
    ASSERT_EQ(1, pumpUntilIdle());
    const std::string previous = renderedPicture(kInitialViewParams);
    SetDlgItemTextA(controlDialog, IDC_MAX_ITERATIONS, "0");  // every new pixel black
    clickButton(IDC_START);
    MSG message;
    while (renderJob.rowsDone < 10) loopTurn(message);
    typedName = tempFolder() + "tavelin-menu-partial.bmp";
    DeleteFileA(typedName.c_str());
    runCommand(IDM_SAVE_BITMAP, typeNameAndOk);
    const std::string file = readFile(typedName);
    ASSERT_EQ(921658u, file.size());
    const size_t done = 10 * 640 * 3;
    EXPECT_EQ(std::string(done, '\0'), file.substr(58, done));
    EXPECT_TRUE(file.substr(58 + done) == previous.substr(done));
}

TEST_F(MenuCommands, OpenShowsTheViewRepaintsTheSwatchesAndRestarts)
{
    MSG message;
    while (renderJob.rowsDone < 20) loopTurn(message);
    ViewParams file = kInitialViewParams;
    file.centerX = -0.75;
    file.magnification = 3.0;
    file.maxIterations = 64;
    file.colors[1] = RGB(200, 10, 20);
    typedName = tempFolder() + "tavelin-menu-open.vwp";
    writeFile(typedName, bytesOf(file));
    runCommand(IDM_OPEN_PARAMS, typeNameAndOk);
    EXPECT_EQ(bytesOf(file), bytesOf(viewParams));
    EXPECT_EQ("-0.7500000000000000", fieldText(IDC_CENTER_X));
    EXPECT_EQ("3.0000000000000000", fieldText(IDC_MAGNIFICATION));
    EXPECT_EQ("64", fieldText(IDC_MAX_ITERATIONS));
    EXPECT_EQ(0, renderJob.rowsDone) << "the render starts again with the loaded view";
    EXPECT_EQ(64, renderJob.maxIterations);
    pumpMessages();
    const HWND swatch = GetDlgItem(controlDialog, IDC_COLOR2);
    RECT rect;
    GetClientRect(swatch, &rect);
    const HDC dc = GetDC(swatch);
    EXPECT_EQ(RGB(200, 10, 20), GetPixel(dc, rect.right / 2, rect.bottom / 2));
    ReleaseDC(swatch, dc);
}

TEST_F(MenuCommands, ShortFileReplacesOnlyItsBytes)
{
    ViewParams file = kInitialViewParams;
    file.centerX = 0.5;
    typedName = tempFolder() + "tavelin-menu-short.vwp";
    writeFile(typedName, bytesOf(file).substr(0, 8));
    viewParams.maxIterations = 99;
    runCommand(IDM_OPEN_PARAMS, typeNameAndOk);
    EXPECT_EQ(0.5, viewParams.centerX);
    EXPECT_EQ(99, viewParams.maxIterations);
    EXPECT_EQ("0.5000000000000000", fieldText(IDC_CENTER_X));
    EXPECT_EQ(1, renderJob.active);
}

TEST_F(MenuCommands, FailuresShowTheSystemsTextAndChangeNothing)
{
    typedName = tempFolder() + "tavelin-menu-held.vwp";
    writeFile(typedName, bytesOf(kInitialViewParams));
    const HANDLE held = CreateFileA(typedName.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    SetDlgItemTextA(controlDialog, IDC_CENTER_X, "typed");

    ModalDriver driver = runCommand(IDM_OPEN_PARAMS, typeNameAndOk, pressOk);
    ASSERT_EQ(2, driver.seen);
    EXPECT_EQ("tavelin", driver.steps[1].caption);
    EXPECT_EQ(systemText(ERROR_SHARING_VIOLATION), driver.steps[1].text);
    EXPECT_EQ(mainWindow, driver.steps[1].owner);
    EXPECT_EQ("typed", fieldText(IDC_CENTER_X));
    EXPECT_EQ(bytesOf(kInitialViewParams), bytesOf(viewParams));

    driver = runCommand(IDM_SAVE_PARAMS, typeNameAndConfirmOverwrite, pressOk);
    ASSERT_EQ(2, driver.seen);
    EXPECT_FALSE(driver.steps[1].text.empty());
    EXPECT_EQ(mainWindow, driver.steps[1].owner);
    CloseHandle(held);
    EXPECT_EQ(bytesOf(kInitialViewParams), readFile(typedName)) << "the file stays as it was";
}

TEST_F(MenuCommands, UndrawableFileIsNotTaken)
{
    ViewParams file = kInitialViewParams;
    file.magnification = 0.0;
    typedName = tempFolder() + "tavelin-menu-zero.vwp";
    writeFile(typedName, bytesOf(file));
    MSG message;
    while (renderJob.rowsDone < 5) loopTurn(message);
    const ModalDriver driver = runCommand(IDM_OPEN_PARAMS, typeNameAndOk, pressOk);
    ASSERT_EQ(2, driver.seen);
    EXPECT_EQ("倍率には 0 以外の数値を、中心には有限の数値を指定してください。", driver.steps[1].text);
    EXPECT_EQ(bytesOf(kInitialViewParams), bytesOf(viewParams));
    EXPECT_EQ("1.0000000000000000", fieldText(IDC_MAGNIFICATION));
    EXPECT_EQ(5, renderJob.rowsDone);
}

TEST_F(MenuCommands, UnknownCommandDoesNothing)
{
    const ViewParams before = viewParams;
    EXPECT_EQ(0, SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(2012, 0), 0));
    EXPECT_EQ(0, SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(0xFFFF, 1), 0));
    EXPECT_EQ(bytesOf(before), bytesOf(viewParams));
    EXPECT_EQ(1, renderJob.active);
}
