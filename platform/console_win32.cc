// The console on Windows. Output is drawn straight into the character cells
// of the console of standard output (else of standard error) with
// WriteConsoleOutputA, so that every byte shows as its code-page glyph and
// nothing reaches a redirected file; the cursor is moved on by hand. Keys
// are read as input records from CONIN$ in raw mode, with Ctrl-C and
// Ctrl-Break ignored. The console's input mode and colours are given back
// when the last console ends or the process exits.
#include <stdlib.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/console.h"

namespace {

constexpr int kDefaultForeground = 7;
constexpr int kDefaultBackground = 0;
// Cells written per WriteConsoleOutputA call: the console host copies them
// through a buffer of limited size.
constexpr size_t kMaxCellsPerWrite = 4096;
// Keys would arrive as VT sequences in this mode; it is taken off so that
// every key comes as one record with its scan code.
constexpr DWORD kVirtualTerminalInput = 0x0200;

WORD attributeOf(int foreground, int background) {
  return static_cast<WORD>(foreground + 16 * background);
}

// What is needed to give the console back, shared by all consoles of the
// process and reachable from the exit handler. Filled when the first
// console attaches; given back and emptied when the last one ends.
struct RestoreState {
  int consoles = 0;
  HANDLE output = nullptr;  // the screen buffer drawn on, or nullptr
  HANDLE input = INVALID_HANDLE_VALUE;  // own CONIN$ handle
  WORD saved_attribute = 0;
  bool attribute_changed = false;
  DWORD saved_input_mode = 0;
  bool mode_changed = false;
  bool ctrl_handler_installed = false;
};
RestoreState g_restore;
bool g_exit_handler_registered = false;

// Ctrl-C and Ctrl-Break do not end a tool; closing the window, logging off
// and shutting down still do.
BOOL WINAPI ignoreBreakKeys(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

void restoreConsole() {
  if (g_restore.attribute_changed) {
    SetConsoleTextAttribute(g_restore.output, g_restore.saved_attribute);
    g_restore.attribute_changed = false;
  }
  if (g_restore.mode_changed) {
    SetConsoleMode(g_restore.input, g_restore.saved_input_mode);
    g_restore.mode_changed = false;
  }
}

void restoreAtExit() { restoreConsole(); }

// The screen buffer of standard output, else of standard error, or nullptr
// when neither is a console.
HANDLE outputConsole() {
  for (DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE &&
        GetConsoleMode(handle, &mode) &&
        GetConsoleScreenBufferInfo(handle, &info))
      return handle;
  }
  return nullptr;
}

// The console's own input, whatever standard input is redirected to, or
// INVALID_HANDLE_VALUE when the process has no console.
HANDLE inputConsole() {
  HANDLE handle = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return handle;
  DWORD mode = 0;
  if (!GetConsoleMode(handle, &mode)) {
    CloseHandle(handle);
    return INVALID_HANDLE_VALUE;
  }
  return handle;
}

// The first console finds the console's output and input, saves their
// state, sets raw input and the colours 7 on 0, and arranges for the
// restore at exit; later ones share what it found.
void attachConsole() {
  if (g_restore.consoles++ > 0) return;
  HANDLE output = outputConsole();
  HANDLE input = inputConsole();
  g_restore.output = output;
  g_restore.input = input;
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (output != nullptr && GetConsoleScreenBufferInfo(output, &info)) {
    g_restore.saved_attribute = info.wAttributes;
    if (SetConsoleTextAttribute(
            output, attributeOf(kDefaultForeground, kDefaultBackground)))
      g_restore.attribute_changed = true;
  }
  if (input != INVALID_HANDLE_VALUE &&
      GetConsoleMode(input, &g_restore.saved_input_mode)) {
    DWORD raw = g_restore.saved_input_mode &
                ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                  ENABLE_PROCESSED_INPUT | kVirtualTerminalInput);
    if (SetConsoleMode(input, raw)) g_restore.mode_changed = true;
  }
  g_restore.ctrl_handler_installed =
      SetConsoleCtrlHandler(ignoreBreakKeys, TRUE) != FALSE;
  if (!g_exit_handler_registered && atexit(restoreAtExit) == 0)
    g_exit_handler_registered = true;
}

// The last console gives the console back.
void detachConsole() {
  if (--g_restore.consoles > 0) return;
  restoreConsole();
  if (g_restore.ctrl_handler_installed)
    SetConsoleCtrlHandler(ignoreBreakKeys, FALSE);
  g_restore.ctrl_handler_installed = false;
  if (g_restore.input != INVALID_HANDLE_VALUE) CloseHandle(g_restore.input);
  g_restore.input = INVALID_HANDLE_VALUE;
  g_restore.output = nullptr;
}

// Shift, Ctrl, Alt and the lock keys give no key of their own.
bool isModifierKey(WORD virtual_key) {
  switch (virtual_key) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LSHIFT:
    case VK_RSHIFT:
    case VK_LCONTROL:
    case VK_RCONTROL:
    case VK_LMENU:
    case VK_RMENU:
    case VK_CAPITAL:
    case VK_NUMLOCK:
    case VK_SCROLL:
      return true;
    default:
      return false;
  }
}

// The text of a key press: its character, or NUL and the scan code for a
// key without one and for a letter held with Alt. AltGr (reported as Ctrl
// with Alt) gives its character like any other key.
std::string keyText(const KEY_EVENT_RECORD& key) {
  WORD vk = key.wVirtualKeyCode;
  DWORD state = key.dwControlKeyState;
  bool alt = (state & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) != 0;
  bool ctrl = (state & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED)) != 0;
  bool letter = vk >= 'A' && vk <= 'Z';
  char c = key.uChar.AsciiChar;
  if (c == '\0' || (alt && !ctrl && letter))
    return std::string(1, '\0') + static_cast<char>(key.wVirtualScanCode);
  return std::string(1, c);
}

}  // namespace

class WindowsConsole final : public Console::Impl {
 public:
  WindowsConsole() {
    attachConsole();
    output_ = g_restore.output;
    input_ = g_restore.input;
  }

  ~WindowsConsole() override { detachConsole(); }

  bool hasOutput() const override { return output_ != nullptr; }
  bool hasInput() const override { return input_ != INVALID_HANDLE_VALUE; }
  bool showsStandardError() const override {
    DWORD mode = 0;
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
           GetConsoleMode(handle, &mode);
  }

  void printText(std::string_view text) override {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (text.empty() || !bufferInfo(&info)) return;
    SHORT width = info.dwSize.X;
    COORD cursor = info.dwCursorPosition;
    // A buffer narrowed under the cursor continues on the next row.
    if (cursor.X >= width) nextRow(info, &cursor);
    std::vector<CHAR_INFO> cells;
    while (!text.empty()) {
      size_t count = std::min({text.size(), kMaxCellsPerWrite,
                               static_cast<size_t>(width - cursor.X)});
      cells.assign(count, CHAR_INFO{});
      for (size_t i = 0; i < count; ++i) {
        cells[i].Char.AsciiChar = text[i];
        cells[i].Attributes = attributeOf(foreground_, background_);
      }
      SMALL_RECT area = {cursor.X, cursor.Y,
                         static_cast<SHORT>(cursor.X + count - 1), cursor.Y};
      WriteConsoleOutputA(output_, cells.data(), {static_cast<SHORT>(count), 1},
                          {0, 0}, &area);
      text.remove_prefix(count);
      cursor.X = static_cast<SHORT>(cursor.X + count);
      // A full row leaves the cursor at the start of the next one.
      if (cursor.X >= width) nextRow(info, &cursor);
    }
    SetConsoleCursorPosition(output_, cursor);
  }

  void newLine() override {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!bufferInfo(&info)) return;
    COORD cursor = info.dwCursorPosition;
    nextRow(info, &cursor);
    SetConsoleCursorPosition(output_, cursor);
  }

  void setColours(int foreground, int background) override {
    if (foreground >= 0 && foreground <= 15) foreground_ = foreground;
    if (background >= 0 && background <= 15) background_ = background;
    if (output_ != nullptr &&
        SetConsoleTextAttribute(output_, attributeOf(foreground_, background_)))
      g_restore.attribute_changed = true;
  }

  void beep() override {
    if (output_ != nullptr) MessageBeep(MB_OK);
  }

  std::string readKey() override {
    if (repeats_ > 0) {
      --repeats_;
      return repeated_key_;
    }
    if (input_ == INVALID_HANDLE_VALUE) return "";
    for (;;) {
      INPUT_RECORD record;
      DWORD count = 0;
      if (!PeekConsoleInputA(input_, &record, 1, &count) || count == 0)
        return "";
      if (!ReadConsoleInputA(input_, &record, 1, &count) || count == 0)
        return "";
      if (record.EventType != KEY_EVENT) continue;
      const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
      if (!key.bKeyDown || isModifierKey(key.wVirtualKeyCode)) continue;
      // A key held down comes as one record with a repeat count: each
      // repeat is a press of its own.
      std::string text = keyText(key);
      if (key.wRepeatCount > 1) {
        repeated_key_ = text;
        repeats_ = key.wRepeatCount - 1;
      }
      return text;
    }
  }

  void waitForInput(int milliseconds) override {
    if (repeats_ > 0) return;
    DWORD timeout = static_cast<DWORD>(std::max(milliseconds, 0));
    if (input_ == INVALID_HANDLE_VALUE) {
      Sleep(timeout);
      return;
    }
    WaitForSingleObject(input_, timeout);
  }

 private:
  bool bufferInfo(CONSOLE_SCREEN_BUFFER_INFO* info) const {
    return output_ != nullptr && GetConsoleScreenBufferInfo(output_, info) &&
           info->dwSize.X > 0 && info->dwSize.Y > 0;
  }

  // Moves `cursor` to column 1 of the row below. On the last row of the
  // buffer the content scrolls up one row instead and the cursor stays on
  // the last row. Setting the cursor later brings its row into the window.
  void nextRow(const CONSOLE_SCREEN_BUFFER_INFO& info, COORD* cursor) {
    cursor->X = 0;
    SHORT last = static_cast<SHORT>(info.dwSize.Y - 1);
    if (cursor->Y < last) {
      ++cursor->Y;
      return;
    }
    cursor->Y = last;
    SMALL_RECT moved = {0, 1, static_cast<SHORT>(info.dwSize.X - 1), last};
    CHAR_INFO fill = {};
    fill.Char.AsciiChar = ' ';
    fill.Attributes = attributeOf(foreground_, background_);
    ScrollConsoleScreenBufferA(output_, &moved, nullptr, {0, 0}, &fill);
  }

  // Shared with the other consoles of the process; valid while any is.
  HANDLE output_ = nullptr;
  HANDLE input_ = INVALID_HANDLE_VALUE;
  int foreground_ = kDefaultForeground;
  int background_ = kDefaultBackground;
  std::string repeated_key_;  // the key of a record with a repeat count
  int repeats_ = 0;           // presses of it not yet returned
};

std::unique_ptr<Console::Impl> makeConsoleImpl() {
  return std::make_unique<WindowsConsole>();
}
