// The menu's three commands with the real file dialogs, driven as a user would drive them.
#include <cstring>

#include "res/resource.h"
#include "tests/test_support.h"
#include "win/app_state.h"
#include "win/menu_commands.h"
#include "win/program.h"
#include "modal_driver.h"
#include "window_fixture.h"

namespace {

std::string typedName;        // what the file-dialog actions type into the name box
std::string overwritePrompt;  // the text of the question whether to replace a file

void typeNameAndOk(HWND dialog)
{
    SetDlgItemTextA(dialog, 0x47c, typedName.c_str());
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

BOOL CALLBACK findPrompt(HWND window, LPARAM parameter)
{
    HWND& found = *reinterpret_cast<HWND*>(parameter);
    if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == found) {
        found = window;
        return FALSE;
    }
    return TRUE;
}

// Types the name, presses OK, and answers Yes to the question whether to replace the file.
void typeNameAndConfirmOverwrite(HWND dialog)
{
    typeNameAndOk(dialog);
    for (int i = 0; i < 250; ++i) {
        Sleep(20);
        HWND prompt = dialog;
        EnumThreadWindows(GetWindowThreadProcessId(dialog, nullptr), findPrompt, reinterpret_cast<LPARAM>(&prompt));
        if (prompt != dialog) {
            Sleep(50);
            char text[512] = {};
            GetDlgItemTextA(prompt, 0xFFFF, text, sizeof text);
            overwritePrompt = text;
            PostMessageA(prompt, WM_COMMAND, IDYES, 0);
            return;
        }
    }
}

std::string bytesOf(const ViewParams& params)
{
    return std::string(reinterpret_cast<const char*>(&params), sizeof params);
}

// Runs a menu command with an action for each modal window it opens.
ModalDriver runCommand(WORD id, ModalAction first, ModalAction second = nullptr)
{
    ModalDriver driver;
    startModalDriver(driver, controlDialog, first, second);
    EXPECT_EQ(0, SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0));
    finishModalDriver(driver);
    EXPECT_FALSE(driver.timedOut) << "command " << id;
    return driver;
}

void renderRows(int rows)
{
    MSG message;
    while (renderJob.rowsDone < rows) loopTurn(message);
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

// Save writes the view of the last Start with the colours chosen since, not the fields; a
// name without extension gets ".vwp"; Open brings back all 48 bytes and renders them.
TEST_F(MenuCommands, SaveThenOpenRoundTrip)
{
    renderRows(20);
    SetDlgItemTextA(controlDialog, IDC_MAGNIFICATION, "5");
    viewParams.colors[1] = RGB(200, 10, 20);  // as a colour button stores it at once
    viewParams.colors[3] = 0x7F123456;
    std::memcpy(viewParams.reserved, "\xA0\xA1\xA2\xA3", 4);
    const ViewParams saved = viewParams;
    typedName = tempPath("round");
    runCommand(IDM_SAVE_PARAMS, typeNameAndOk);
    typedName += ".vwp";
    EXPECT_EQ(bytesOf(saved), readWholeFile(typedName));
    EXPECT_EQ(1.0, saved.magnification);

    viewParams = kInitialViewParams;
    runCommand(IDM_OPEN_PARAMS, typeNameAndOk);
    EXPECT_EQ(bytesOf(saved), bytesOf(viewParams));
    EXPECT_EQ("1.0000000000000000", fieldText(IDC_MAGNIFICATION)) << "the fields show the loaded view";
    EXPECT_EQ(0, renderJob.rowsDone) << "the render starts again with the loaded view";
    pumpMessages();
    EXPECT_EQ(RGB(200, 10, 20), swatchColour(IDC_COLOR2)) << "the swatch shows the loaded colour";
}

TEST_F(MenuCommands, ShortFileReplacesOnlyItsBytes)
{
    typedName = tempPath("short.vwp");
    writeWholeFile(typedName, std::string("\0\0\0\0\0\0\xE0\x3F", 8));  // centre x 0.5
    viewParams.maxIterations = 99;
    runCommand(IDM_OPEN_PARAMS, typeNameAndOk);
    EXPECT_EQ(0.5, viewParams.centerX);
    EXPECT_EQ(99, viewParams.maxIterations);
    EXPECT_EQ("0.5000000000000000", fieldText(IDC_CENTER_X));
}

TEST_F(MenuCommands, CancelChangesNothingAndThePausedRenderGoesOn)
{
    renderRows(10);
    const ViewParams before = viewParams;
    for (WORD id : {IDM_OPEN_PARAMS, IDM_SAVE_PARAMS, IDM_SAVE_BITMAP}) {
        const ModalDriver driver = runCommand(id, pressCancel);
        EXPECT_EQ(1, driver.seen) << "no box after Cancel";
        EXPECT_EQ(mainWindow, driver.steps[0].owner);
        EXPECT_EQ(10, renderJob.rowsDone) << "no row while the dialog was open";
    }
    EXPECT_EQ(bytesOf(before), bytesOf(viewParams));
    renderRows(11);
}

// The saved bitmap holds the rows rendered so far over the previous picture; a name without
// extension gets ".bmp", and replacing a file asks first.
TEST_F(MenuCommands, SavedBitmapIsTheFrameBuffer)
{
    ASSERT_EQ(1, pumpUntilIdle());
    typedName = tempPath("picture");
    runCommand(IDM_SAVE_BITMAP, typeNameAndOk);
    const std::string previous = renderView(kInitialViewParams);
    EXPECT_TRUE(readWholeFile(typedName + ".bmp").substr(58) == previous);

    SetDlgItemTextA(controlDialog, IDC_MAX_ITERATIONS, "0");  // every new pixel black
    clickButton(IDC_START);
    renderRows(10);
    overwritePrompt.clear();
    runCommand(IDM_SAVE_BITMAP, typeNameAndConfirmOverwrite);
    EXPECT_FALSE(overwritePrompt.empty()) << "the system asked before replacing the file";
    const std::string file = readWholeFile(typedName + ".bmp");
    ASSERT_EQ(921658u, file.size());
    const size_t done = 10 * 640 * 3;
    EXPECT_TRUE(std::string(done, '\0') == file.substr(58, done));
    EXPECT_TRUE(file.substr(58 + done) == previous.substr(done));
}

TEST_F(MenuCommands, FailuresShowTheSystemsTextAndChangeNothing)
{
    typedName = tempPath("held.vwp");
    writeWholeFile(typedName, "old");
    const HANDLE held = CreateFileA(typedName.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetDlgItemTextA(controlDialog, IDC_CENTER_X, "typed");
    renderRows(5);

    for (WORD id : {IDM_OPEN_PARAMS, IDM_SAVE_PARAMS, IDM_SAVE_BITMAP}) {
        const ModalDriver driver = runCommand(id, id == IDM_OPEN_PARAMS ? typeNameAndOk : typeNameAndConfirmOverwrite, pressOk);
        ASSERT_EQ(2, driver.seen) << id;
        EXPECT_EQ("tavelin", driver.steps[1].caption);
        const std::string& text = driver.steps[1].text;
        EXPECT_EQ(systemText(ERROR_SHARING_VIOLATION), text) << id;
        EXPECT_EQ(mainWindow, driver.steps[1].owner);
    }
    CloseHandle(held);
    EXPECT_EQ("old", readWholeFile(typedName)) << "the file stays as it was";
    EXPECT_EQ("typed", fieldText(IDC_CENTER_X));
    EXPECT_EQ(bytesOf(kInitialViewParams), bytesOf(viewParams));
    EXPECT_EQ(5, renderJob.rowsDone);

    // A device name never reaches a read, which could wait for the device for good.
    const struct {
        WORD id;
        const char* name;
        DWORD error;
    } others[] = {{IDM_SAVE_PARAMS, "no-such-folder\\view.vwp", ERROR_PATH_NOT_FOUND},
                  {IDM_OPEN_PARAMS, "COM1.vwp", ERROR_BAD_DEVICE}};
    for (const auto& other : others) {
        typedName = tempPath(other.name);
        const ModalDriver driver = runCommand(other.id, typeNameAndOk, pressOk);
        ASSERT_EQ(2, driver.seen) << other.name;
        EXPECT_EQ(systemText(other.error), driver.steps[1].text) << other.name;
    }
    EXPECT_EQ(bytesOf(kInitialViewParams), bytesOf(viewParams));
}

TEST_F(MenuCommands, UndrawableFileIsNotTaken)
{
    ViewParams file = kInitialViewParams;
    file.magnification = 0.0;
    typedName = tempPath("zero.vwp");
    writeWholeFile(typedName, bytesOf(file));
    renderRows(5);
    const ModalDriver driver = runCommand(IDM_OPEN_PARAMS, typeNameAndOk, pressOk);
    ASSERT_EQ(2, driver.seen);
    EXPECT_EQ("倍率には 0 以外の数値を、中心には有限の数値を指定してください。", driver.steps[1].text);
    EXPECT_EQ(bytesOf(kInitialViewParams), bytesOf(viewParams));
    EXPECT_EQ("1.0000000000000000", fieldText(IDC_MAGNIFICATION));
    EXPECT_EQ(5, renderJob.rowsDone);
}

TEST_F(MenuCommands, UnknownCommandDoesNothing)
{
    EXPECT_EQ(0, SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(2012, 0), 0));
    EXPECT_EQ(bytesOf(kInitialViewParams), bytesOf(viewParams));
    EXPECT_EQ(1, renderJob.active);
}
