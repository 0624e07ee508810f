// The tool's console: text drawn cell by cell in 16 colours, a beep, and
// keys read one press at a time without waiting. Output never goes into a
// redirected file; with no console to draw on it goes nowhere, and with no
// console input `hasInput()` says so, so that nobody waits for a key.
#ifndef KESTREL_PLATFORM_CONSOLE_H_
#define KESTREL_PLATFORM_CONSOLE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class Console {
 public:
  /// Attaches to the console of standard output (else standard error), puts
  /// console input into raw mode, and sets the colours 7 on 0.
  Console();
  /// Restores the console's input mode and colours.
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  /// True when there is a console to draw on.
  bool hasOutput() const;
  /// True when keys can be read from a console.
  bool hasInput() const;
  /// True when standard error shows on a console of its own, so that a
  /// message written there is seen without being drawn here as well.
  bool showsStandardError() const;

  /// Draws each byte as a glyph of its own at the cursor, wrapping at the
  /// end of a row; no byte acts as a control.
  void printText(std::string_view text);
  /// A blank or "-", the decimal digits, a blank.
  void printNumber(int32_t number);
  /// Moves to column 1 of the next row.
  void newLine();
  /// Sets the colours of later output; a value outside 0-15 keeps the
  /// current one.
  void setColours(int foreground, int background);
  /// The system's default beep.
  void beep();
  /// The next key press, without waiting: "" when none is waiting, else its
  /// character, or NUL and the scan code for a key without one.
  std::string readKey();
  /// Waits up to `milliseconds` for console input to arrive (so that a key
  /// wait need not spin).
  void waitForInput(int milliseconds);

  /// What each platform provides behind the console, one call for each of
  /// the console's own.
  class Impl {
   public:
    virtual ~Impl() = default;
    virtual bool hasOutput() const = 0;
    virtual bool hasInput() const = 0;
    virtual bool showsStandardError() const = 0;
    virtual void printText(std::string_view text) = 0;
    virtual void newLine() = 0;
    virtual void setColours(int foreground, int background) = 0;
    virtual void beep() = 0;
    virtual std::string readKey() = 0;
    virtual void waitForInput(int milliseconds) = 0;
  };

 private:
  std::unique_ptr<Impl> impl_;
};

/// This platform's console, attached as `Console()` describes.
std::unique_ptr<Console::Impl> makeConsoleImpl();

/// The console text of `printNumber`.
std::string numberText(int32_t number);

#endif  // KESTREL_PLATFORM_CONSOLE_H_
