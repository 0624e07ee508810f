// kestrel: writes the index page of the file area in the current directory.
#include <utility>

#include "pagegen/page_generator.h"
#include "platform/console.h"
#include "platform/process_setup.h"
#include "runtime/arguments.h"
#include "runtime/credits.h"
#include "shell/tool_run.h"

namespace {

constexpr char kUsage[] =
    "Usage: kestrel [AREA TEXT]\n"
    "       kestrel --modern [AREA TEXT]\n"
    "       kestrel --help | -h | --version\n"
    "\n"
    "Writes the HTML index page 00_INDEX.HTM of the file area in the current\n"
    "directory from its FILES.BBS list (made from the directory's names when\n"
    "there is none), with each listed file's date, size and description.\n"
    "\n"
    "AREA TEXT  the area's name in the page: the whole command line after the\n"
    "           program name, blanks, quotes and dashes included; a backslash\n"
    "           becomes a slash. Only a lone --help, -h or --version is an\n"
    "           option.\n"
    "--modern   (first argument only) an area of today's names: entries of\n"
    "           any length are looked up, a name may be written in double\n"
    "           quotes, blanks and all, with \"\" for a quote in it\n"
    "           (\"Disk Tools.zip\"  Disk tools), an unquoted name ends at a\n"
    "           blank or TAB, a quoted dot name is skipped too, lines of the\n"
    "           list and of KESTREL.INI end at CR LF, CR or LF, and the page\n"
    "           declares the utf-8 charset: a text that is UTF-8 stays as it\n"
    "           is, any other is read as code page 437 (DOS accents and box\n"
    "           drawing). A name not on disk as written is found in another\n"
    "           case (readme.txt for README.TXT) and linked as the disk has\n"
    "           it. An area without FILES.BBS is read from its DESCRIPT.ION\n"
    "           if it has one (text from a Ctrl-D byte on left out), and no\n"
    "           list is made. The area text follows it.\n"
    "\n"
    "Names beginning with a backslash lie in the drive root: $DRIVE_ROOT when\n"
    "it is set and not empty, else the root of the mounted file system that\n"
    "holds the current directory. There kestrel reads the optional\n"
    "KESTREL.INI (first value line: the page name; second: the title text;\n"
    "empty and # lines skipped) and leaves its scratch files $DIR$.BAT and\n"
    "$DIR$.\n"
    "\n"
    "Exit status: 0 when the page is finished, 1 after an error report, 255\n"
    "after an internal failure.\n";

}  // namespace

int main(int argc, char** argv) {
  setUpProcess();
  int exit_code = 0;
  Arguments arguments;
  CommandTail tail = CommandTail::ofProcess(argc, argv);
  if (!readCommandLine(&tail, TailUse::kText,
                       {"kestrel", credits::kKestrelVersion, kUsage},
                       &arguments, &exit_code)) {
    return exit_code;
  }
  ToolRun run;
  Console console;
  exit_code =
      PageGenerator(console, run.errors(), run.files(), run.shell().commands(),
                    run.shell().scratch(), run.shell().lookups(), arguments.style, std::move(tail))
          .run();
  return run.finish(exit_code);
}
