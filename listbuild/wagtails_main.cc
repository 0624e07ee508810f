// The listing builder: writes "filesbbs.new" for the current directory.
#include "listbuild/listing_builder.h"
#include "services/console.h"
#include "services/error_record.h"
#include "services/file_table.h"

int main() {
  ErrorRecord errors;
  FileTable files(errors);
  Console console;
  return listbuild::ListingBuilder(console, errors, files).run();
}
