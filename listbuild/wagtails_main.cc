// The listing builder: writes "filesbbs.new" for the current directory.
#include "listbuild/listing_builder.h"
#include "platform/console.h"
#include "platform/process_setup.h"
#include "runtime/arguments.h"
#include "runtime/credits.h"
#include "shell/tool_run.h"

namespace {

constexpr char kUsage[] =
    "Usage: wagtails\n"
    "       wagtails --modern\n"
    "       wagtails --update [--modern]\n"
    "       wagtails --help | -h | --version\n"
    "\n"
    "Lists the current directory into filesbbs.new, a new file list in the\n"
    "FILES.BBS form: one line per file, a backslash before each\n"
    "subdirectory's name. Add the descriptions, then rename it to FILES.BBS\n"
    "for kestrel. It takes no other arguments.\n"
    "\n"
    "--update  keep the list there is: FILES.BBS as kestrel reads it, byte\n"
    "          for byte, then a line for each entry it does not name yet.\n"
    "          Each listed entry that is no longer in the directory is named\n"
    "          on standard error; the closing line gives the counts.\n"
    "          FILES.BBS itself is never changed; without one, --update\n"
    "          changes nothing. --update and --modern go in either order.\n"
    "--modern  every name as it is, from the line's first column (for\n"
    "          kestrel --modern); in double quotes, each quote in it doubled,\n"
    "          when it holds a blank or a tab or begins with a quote, a\n"
    "          backslash, a dash or a control byte.\n"
    "\n"
    "Without it a name that begins with a backslash cannot stand in the\n"
    "list: it is left out, with a line on standard error.\n"
    "\n"
    "The listing is made in the scratch file $lvtr$.txt in the drive root,\n"
    "which is left there: $DRIVE_ROOT when it is set and not empty, else the\n"
    "root of the mounted file system that holds the current directory.\n"
    "\n"
    "Exit status: 0 when the list is written, 1 when the listing or the list\n"
    "failed, 2 for arguments it does not take, 255 after an internal\n"
    "failure.\n";

}  // namespace

int main(int argc, char** argv) {
  setUpProcess();
  int exit_code = 0;
  Arguments arguments;
  CommandTail tail = CommandTail::ofProcess(argc, argv);
  if (!readCommandLine(&tail, TailUse::kNothing,
                       {"wagtails", credits::kWagtailsVersion, kUsage},
                       &arguments, &exit_code)) {
    return exit_code;
  }
  ToolRun run;
  Console console;
  exit_code = listbuild::ListingBuilder(console, run.errors(), run.files(),
                                        run.shell().commands(), arguments.style,
                                        arguments.update)
                  .run();
  return run.finish(exit_code);
}
