// kestrel: writes the index page of the file area in the current directory.
#include "pagegen/page_generator.h"
#include "services/command.h"

int main(int argc, char** argv) {
  initCommandTail(argc, argv);
  ErrorRecord errors;
  Console console;
  FileTable files(errors);
  return PageGenerator(console, errors, files).run();
}
