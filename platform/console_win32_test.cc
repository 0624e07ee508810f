// The Windows console, driven in the test's own console: what is drawn is
// read back from the screen buffer's cells, and keys are put into the
// console's input queue as the records a keyboard would make. Standard
// output is pointed at the console first, so that a test runner's pipe
// does not hide it.
#include <gtest/gtest.h>
#include <windows.h>

#include <limits>
#include <string>
#include <vector>

#include "platform/console.h"

namespace {

class ConsoleWin32Test : public testing::Test {
 protected:
  void SetUp() override {
    screen_ = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr);
    input_ = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
    if (screen_ == INVALID_HANDLE_VALUE || input_ == INVALID_HANDLE_VALUE)
      GTEST_SKIP() << "no console to test in: run this test in a console "
                      "window or a terminal";
    saved_stdout_ = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, screen_);
    FlushConsoleInputBuffer(input_);
  }

  void TearDown() override {
    if (screen_ == INVALID_HANDLE_VALUE || input_ == INVALID_HANDLE_VALUE)
      return;
    SetStdHandle(STD_OUTPUT_HANDLE, saved_stdout_);
    CloseHandle(screen_);
    CloseHandle(input_);
  }

  CONSOLE_SCREEN_BUFFER_INFO info() const {
    CONSOLE_SCREEN_BUFFER_INFO result = {};
    GetConsoleScreenBufferInfo(screen_, &result);
    return result;
  }

  // `count` cells of row `y` from column `x`: their characters, and their
  // attributes in `attributes` when given.
  std::string cells(SHORT x, SHORT y, SHORT count,
                    std::vector<WORD>* attributes = nullptr) const {
    std::vector<CHAR_INFO> buffer(count);
    SMALL_RECT area = {x, y, static_cast<SHORT>(x + count - 1), y};
    ReadConsoleOutputA(screen_, buffer.data(), {count, 1}, {0, 0}, &area);
    std::string text;
    for (const CHAR_INFO& cell : buffer) {
      text += cell.Char.AsciiChar;
      if (attributes != nullptr) attributes->push_back(cell.Attributes);
    }
    return text;
  }

  // Puts the cursor at the start of a cleared row `y`.
  void startRow(SHORT y) {
    DWORD done = 0;
    FillConsoleOutputCharacterA(screen_, ' ', info().dwSize.X, {0, y}, &done);
    SetConsoleCursorPosition(screen_, {0, y});
  }

  HANDLE screen_ = INVALID_HANDLE_VALUE;
  HANDLE input_ = INVALID_HANDLE_VALUE;
  HANDLE saved_stdout_ = nullptr;
};

TEST_F(ConsoleWin32Test, DrawsEveryByteAsACellInTheCurrentColours) {
  Console console;
  ASSERT_TRUE(console.hasOutput());
  startRow(2);
  console.printText("A\r\n\tB");
  console.setColours(14, -1);  // the background stays
  console.printNumber(-5);
  console.setColours(16, 1);  // 16 is no colour: the foreground stays
  console.printText("x");

  std::vector<WORD> attributes;
  EXPECT_EQ(std::string("A\r\n\tB-5 x"), cells(0, 2, 9, &attributes));
  std::vector<WORD> expected = {7, 7, 7, 7, 7, 14, 14, 14, 14 + 16};
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(expected[i], attributes[i] & 0xFF);
  }
  // No byte moved the cursor to another row.
  EXPECT_EQ(2, info().dwCursorPosition.Y);
  EXPECT_EQ(9, info().dwCursorPosition.X);
  // Others writing to the console get the colours set last.
  EXPECT_EQ(14 + 16, info().wAttributes & 0xFF);

  console.newLine();
  EXPECT_EQ(3, info().dwCursorPosition.Y);
  EXPECT_EQ(0, info().dwCursorPosition.X);
}

TEST_F(ConsoleWin32Test, FullRowWrapsAndTheLastRowScrolls) {
  Console console;
  SHORT width = info().dwSize.X;
  SHORT last = static_cast<SHORT>(info().dwSize.Y - 1);

  // A text that fills its row leaves the cursor at the start of the next.
  startRow(4);
  startRow(5);
  SetConsoleCursorPosition(screen_, {0, 4});
  console.printText(std::string(width, 'r'));
  EXPECT_EQ(0, info().dwCursorPosition.X);
  EXPECT_EQ(5, info().dwCursorPosition.Y);

  // On the last row the content moves up one row to make room.
  startRow(static_cast<SHORT>(last - 1));
  startRow(last);
  console.printText(std::string(width, 'a') + "bc");
  EXPECT_EQ(std::string(width, 'a'), cells(0, last - 1, width));
  EXPECT_EQ("bc ", cells(0, last, 3));
  EXPECT_EQ(last, info().dwCursorPosition.Y);
  EXPECT_EQ(2, info().dwCursorPosition.X);
  console.newLine();
  EXPECT_EQ("bc ", cells(0, last - 1, 3));
  EXPECT_EQ(std::string(width, ' '), cells(0, last, width));
  EXPECT_EQ(last, info().dwCursorPosition.Y);
}

INPUT_RECORD keyRecord(bool down, WORD virtual_key, WORD scan, char c,
                       DWORD state = 0, WORD repeat = 1) {
  INPUT_RECORD record = {};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = down;
  record.Event.KeyEvent.wRepeatCount = repeat;
  record.Event.KeyEvent.wVirtualKeyCode = virtual_key;
  record.Event.KeyEvent.wVirtualScanCode = scan;
  record.Event.KeyEvent.uChar.AsciiChar = c;
  record.Event.KeyEvent.dwControlKeyState = state;
  return record;
}

INPUT_RECORD mouseRecord() {
  INPUT_RECORD record = {};
  record.EventType = MOUSE_EVENT;
  record.Event.MouseEvent.dwButtonState = FROM_LEFT_1ST_BUTTON_PRESSED;
  return record;
}

TEST_F(ConsoleWin32Test, KeysComeOnePressAtATime) {
  const std::string nul(1, '\0');
  struct {
    const char* name;
    std::vector<INPUT_RECORD> records;
    std::vector<std::string> keys;  // readKey results until ""
  } cases[] = {
      {"nothing waiting", {}, {}},
      {"modifiers, releases and the mouse are dropped",
       {keyRecord(true, VK_SHIFT, 0x2A, 0, SHIFT_PRESSED),
        keyRecord(true, VK_CAPITAL, 0x3A, 0), mouseRecord(),
        keyRecord(false, 'A', 0x1E, 'a')},
       {}},
      {"a character",
       {keyRecord(true, 'A', 0x1E, 'a'), keyRecord(false, 'A', 0x1E, 'a')},
       {"a"}},
      {"Ctrl-C is an ordinary key",
       {keyRecord(true, 'C', 0x2E, 3, LEFT_CTRL_PRESSED)},
       {"\x03"}},
      {"a key without a character",
       {keyRecord(true, VK_F1, 0x3B, 0)},
       {nul + "\x3B"}},
      {"a letter with Alt",
       {keyRecord(true, 'X', 0x2D, 'x', LEFT_ALT_PRESSED)},
       {nul + "\x2D"}},
      {"AltGr gives its character",
       {keyRecord(true, 'Q', 0x10, '@', RIGHT_ALT_PRESSED | LEFT_CTRL_PRESSED)},
       {"@"}},
      {"a held key repeats",
       {keyRecord(true, 'Z', 0x2C, 'z', 0, 3),
        keyRecord(true, VK_RETURN, 0x1C, '\r')},
       {"z", "z", "z", "\r"}},
  };
  Console console;
  ASSERT_TRUE(console.hasInput());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DWORD written = 0;
    if (!c.records.empty()) {
      ASSERT_TRUE(WriteConsoleInputA(input_, c.records.data(),
                                     static_cast<DWORD>(c.records.size()),
                                     &written));
    }
    for (const std::string& key : c.keys) EXPECT_EQ(key, console.readKey());
    EXPECT_EQ("", console.readKey());
  }
}

// The wait is given no end of its own worth the name (24 days): only the
// waiting key ends it, and a wait that missed the key would hold the test
// until the test runner gives up on it.
TEST_F(ConsoleWin32Test, WaitForInputEndsWhenAKeyArrives) {
  Console console;
  INPUT_RECORD key = keyRecord(true, 'K', 0x25, 'k');
  DWORD written = 0;
  ASSERT_TRUE(WriteConsoleInputA(input_, &key, 1, &written));
  console.waitForInput(std::numeric_limits<int>::max());
  EXPECT_EQ("k", console.readKey());
}

TEST_F(ConsoleWin32Test, RawInputWhileAConsoleLivesThenTheModeComesBack) {
  DWORD before = 0;
  ASSERT_TRUE(GetConsoleMode(input_, &before));
  {
    Console first;
    Console second;
    DWORD raw = 0;
    GetConsoleMode(input_, &raw);
    EXPECT_EQ(0u, raw & (ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                         ENABLE_PROCESSED_INPUT));
  }
  DWORD after = 0;
  GetConsoleMode(input_, &after);
  EXPECT_EQ(before, after);
}

}  // namespace
