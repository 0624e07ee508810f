// The command line of this process as the host keeps it, and the pure
// rules that cut a tool's command tail from it. One file per platform says
// where the tail comes from and which help switch the host's own command
// lines use.
#ifndef KESTREL_PLATFORM_COMMAND_LINE_H_
#define KESTREL_PLATFORM_COMMAND_LINE_H_

#include <string>
#include <string_view>

/// The command tail as this platform keeps it: the command line as typed
/// where the system keeps one, else the arguments (`tailOfArguments`); one
/// file per platform defines it.
std::string platformCommandTail(int argc, char** argv);

/// The tail of a whole Windows-style command line (pure): a quoted program
/// name is skipped with its closing quote and the blanks after it; a line
/// that begins with blanks keeps the program name; otherwise the name ends
/// at the first byte of 32 or less and the blanks after it are skipped.
std::string tailOfCommandLine(std::string_view command_line);

/// The command tail from a process's arguments (pure): the arguments after
/// the program name, joined by one blank.
std::string tailOfArguments(int argc, char** argv);

/// True for the help switch of the host's own command lines ("/?" where
/// the tools run under cmd); one file per platform defines it.
bool isHostHelpSwitch(std::string_view tail);

#endif  // KESTREL_PLATFORM_COMMAND_LINE_H_
