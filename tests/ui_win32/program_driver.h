#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

// Starts the Windows program on a document and works its main form from outside, as another program would: the
// window found by its class name, controls by id, texts as GBK through the ANSI messages.
class ProgramDriver {
  public:
    // The programs in folder, or beside this driver when it is empty.
    explicit ProgramDriver(std::filesystem::path folder = {}) : folder_(std::move(folder)) {}
    ~ProgramDriver();
    ProgramDriver(const ProgramDriver&) = delete;
    ProgramDriver& operator=(const ProgramDriver&) = delete;

    // Starts the program beside this driver on document (none when it is empty: the default document) and, unless
    // told not to, waits until its form is shown; false when it is not.
    bool start(const std::filesystem::path& document, bool waitForForm = true);
    // Starts the calculator program (corvina.exe beside this driver) and waits for its window, which form() then
    // names; false when it does not show.
    bool startCalculator();
    bool running() const;
    // Waits until the program has ended; false when it is still running after the wait.
    bool waitForExit(DWORD milliseconds = 15000);

    HWND form() const { return form_; }
    HWND control(int id) const { return ::GetDlgItem(form_, id); }
    std::string caption() const;
    std::string text(int id) const;
    void setText(int id, std::string_view gbk);
    void click(int id);                 // BM_CLICK; returns when the form has handled it
    void postClick(int id);             // BM_CLICK without waiting (for a button that opens a box)
    void choose(int id, int position);  // a user's pick: the selection and its CBN_SELCHANGE
    int selection(int id) const;
    int rowCount(int id) const;
    void pressKey(int id, WORD key);
    // A mouse click on a row of a report list, at the row's place read from the program's own list; posted, so it
    // takes effect some time later (see waitUntil).
    bool clickRow(int id, int row);  // a key pressed in control id, through the form's message loop

    // A message box or question of the program with this caption; nullptr after waiting in vain.
    HWND waitForBox(std::string_view caption, DWORD milliseconds = 15000) const;
    static std::string boxText(HWND box);

  private:
    bool launch(const wchar_t* program, const std::wstring& arguments, const wchar_t* windowClass, bool waitForWindow);

    std::filesystem::path folder_;
    PROCESS_INFORMATION process_{};
    HWND form_ = nullptr;
};

// Whether done() became true within the time; the program works on while this waits.
bool waitUntil(const std::function<bool()>& done, DWORD milliseconds = 10000);
// A file's bytes, empty when it cannot be read.
std::string fileBytes(const std::filesystem::path& path);
// Writes the file with exactly these bytes; false when it could not.
bool writeFileBytes(const std::filesystem::path& path, std::string_view bytes);
// A path as GBK text (code page 936), as the ANSI functions take it.
std::string gbkPath(const std::filesystem::path& path);
// The path under Wine of a file of the host named by an environment variable (the host's root is drive Z:); empty
// when the variable is not set.
std::filesystem::path hostFile(const char* variable);
// Asks the test's runner for a screenshot of the display, when it offers one, and waits for it a little.
void requestScreenshot();
// The output of the host's ephemeris tool (swetest) for these arguments, through the test's runner; empty when the
// runner offers no such tool.
std::string hostSwetest(const std::string& arguments);
// A small window of this test's own, of a class registered with the procedure, that receives messages from the
// program under test.
HWND createMessageWindow(const char* className, WNDPROC procedure);
// A fresh empty folder for one test.
std::filesystem::path freshFolder(std::wstring_view name);
// The folder of this driver, where the programs under test are built.
std::filesystem::path driverFolder();
// Ends the program whose top-level window of windowClass is open (a calculator a test made the card index start);
// false when there was none.
bool endProgramOfWindow(const wchar_t* windowClass);
