// Times both tools on generated file areas of growing size, each against the
// tool a keeper would otherwise use on the same directory in the same run:
// kestrel against `tree -H . -D -s`, wagtails against `ls -l`; and kestrel
// against the floor of its own work too (the page_floor program, where the
// build has it: the list read, one stat and the three page lines of each
// entry, each line a write of its own). Each tool, its reference and the
// floor run three times in turn; prints the median time per entry, the
// ratios and the tool's peak resident memory. A missing reference tool is
// left out with a note. Areas given after --wildcards have a "*" in every
// name, as an upload's name may have on POSIX.
// Without sizes it also times 20 rows that name one directory of 50,000
// entries, and measures the memory of one 40 MiB line.
//   kestrel_bench [N ...] [--wildcards N ...]
//   (default: 1000 10000 100000 --wildcards 20000)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// The floor program's path; empty where the build has none.
#ifdef PAGE_FLOOR_PATH
constexpr char kPageFloor[] = PAGE_FLOOR_PATH;
#else
constexpr char kPageFloor[] = "";
#endif

// One generated area: its number of list entries, and whether every name
// holds a "*".
struct AreaSize {
  int entries;
  bool wildcards;
};

// An area of `size.entries` list entries: 8.3 files that exist (every
// tenth is missing), a continuation line after every fifth, and a long name
// now and then.
void makeArea(const std::string& area, AreaSize size) {
  std::filesystem::create_directories(area);
  std::ofstream list(area + "/FILES.BBS", std::ios::binary);
  const char* short_form = size.wildcards ? "F*%06d.ZIP" : "F%07d.ZIP";
  const char* long_form =
      size.wildcards ? "Long*ArchiveName%06d.zip" : "LongArchiveName%06d.zip";
  for (int i = 0; i < size.entries; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, i % 50 == 49 ? long_form : short_form, i);
    if (i % 10 != 9) std::ofstream(area + "/" + name) << "data " << i;
    list << name << "  Archive number " << i << "\r\n";
    if (i % 5 == 0) list << "              more about number " << i << "\r\n";
  }
}

struct Run {
  double seconds = 0;
  long peak_kib = 0;
  bool ok = false;
};

// Runs `argv` in `area` with DRIVE_ROOT set to `root`, no terminal and its
// output thrown away; `search` looks the program up on PATH.
Run runIn(const std::vector<std::string>& argv, const std::string& root,
          const std::string& area, bool search) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (chdir(area.c_str()) != 0) _exit(126);
    setenv("DRIVE_ROOT", root.c_str(), 1);
    std::vector<char*> args;
    for (const std::string& arg : argv)
      args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    if (search) {
      execvp(args[0], args.data());
    } else {
      execv(args[0], args.data());
    }
    _exit(127);
  }
  Run run;
  int status = -1;
  struct rusage usage;
  wait4(pid, &status, 0, &usage);
  run.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  run.peak_kib = usage.ru_maxrss;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

// The median time of the runs, their largest peak memory, and whether all
// of them succeeded.
Run median(std::vector<Run> runs) {
  std::sort(runs.begin(), runs.end(),
            [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
  Run result = runs[runs.size() / 2];
  for (const Run& run : runs) {
    result.peak_kib = std::max(result.peak_kib, run.peak_kib);
    result.ok = result.ok && run.ok;
  }
  return result;
}

// A program to time: its arguments, and whether it is looked up on PATH.
struct Program {
  std::vector<std::string> argv;
  bool search = false;
};

// Times the programs on one area, each run `kRuns` times in turn so that
// all meet the same caches and the same load; returns their medians in the
// same order.
constexpr int kRuns = 3;
std::vector<Run> timeInTurn(const std::vector<Program>& programs,
                            const std::string& root, const std::string& area) {
  std::vector<std::vector<Run>> runs(programs.size());
  for (int i = 0; i < kRuns; ++i) {
    for (size_t p = 0; p < programs.size(); ++p)
      runs[p].push_back(
          runIn(programs[p].argv, root, area, programs[p].search));
  }
  std::vector<Run> medians;
  for (const std::vector<Run>& each : runs) medians.push_back(median(each));
  return medians;
}

bool onPath(const std::string& program) {
  std::string command = "command -v " + program + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// Prints the time per entry of `against` and the tool's ratio to it, or
// dashes for none.
void printAgainst(double us, int entries, const Run* against) {
  if (against != nullptr) {
    double reference_us = against->seconds * 1e6 / entries;
    std::printf(" %10.1f %7.2f", reference_us, us / reference_us);
  } else {
    std::printf(" %10s %7s", "-", "-");
  }
}

// One line of the table: the tool, the reference tool and their ratio, the
// floor and the tool's ratio to it. Returns false when the tool failed.
bool report(const char* tool, AreaSize size, const Run& run,
            const char* reference, const Run* against, const Run* floor) {
  int entries = size.entries;
  double us = run.seconds * 1e6 / entries;
  std::printf("%-9s %8d %10.1f", tool, entries, us);
  printAgainst(us, entries, against);
  printAgainst(us, entries, floor);
  std::printf(" %10ld  %s%s%s\n", run.peak_kib, reference,
              size.wildcards ? "  (names with *)" : "",
              run.ok ? "" : "  (FAILED)");
  std::fflush(stdout);
  return run.ok;
}

// 20 rows naming one subdirectory of 50,000 entries: what a row naming a
// directory costs, however large the directory. Returns false when a run
// failed.
bool timeDirectoryRows(const std::string& root) {
  constexpr int kRows = 20;
  constexpr int kDirectoryEntries = 50000;
  std::string area = root + "/ROWS";
  std::filesystem::create_directories(area + "/big");
  for (int i = 0; i < kDirectoryEntries; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/big/F%06d.DAT", i);
    std::ofstream(area + name) << i;
  }
  std::ofstream list(area + "/FILES.BBS", std::ios::binary);
  for (int i = 0; i < kRows; ++i) list << "big  row " << i << "\r\n";
  list.close();
  sync();
  Run run = timeInTurn({{{KESTREL_PATH, "Rows"}}}, root, area)[0];
  std::printf("kestrel: %d rows naming one directory of %d entries: %.2f s, "
              "peak %ld KiB%s\n",
              kRows, kDirectoryEntries, run.seconds, run.peak_kib,
              run.ok ? "" : "  (FAILED)");
  std::filesystem::remove_all(area);
  return run.ok;
}

// One --modern entry of a 40 MiB name, and the memory it costs against
// three times its line and 8 MB. Returns false when a run failed.
bool measureLongLine(const std::string& root) {
  constexpr size_t kNameBytes = size_t{40} << 20;
  std::string area = root + "/LONG";
  std::filesystem::create_directories(area);
  std::string line = "\"" + std::string(kNameBytes, 'N') + "\"  A name\r\n";
  std::ofstream(area + "/FILES.BBS", std::ios::binary)
      << "a.zip  small\r\n" << line << "b.zip  small\r\n";
  sync();
  Run run = timeInTurn({{{KESTREL_PATH, "--modern", "Long"}}}, root, area)[0];
  long bound_kib = static_cast<long>((3 * line.size() + (8 << 20)) / 1024);
  std::printf("kestrel --modern: a line of %zu bytes: peak %ld KiB, "
              "3 times the line and 8 MB: %ld KiB%s\n",
              line.size(), run.peak_kib, bound_kib,
              run.ok ? "" : "  (FAILED)");
  std::filesystem::remove_all(area);
  return run.ok;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<AreaSize> sizes;
  bool wildcards = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--wildcards") {
      wildcards = true;
    } else if (int entries = std::atoi(argv[i]); entries > 0) {
      sizes.push_back({entries, wildcards});
    } else {
      std::fprintf(stderr, "kestrel_bench: not a number of entries: %s\n",
                   argv[i]);
      return 2;
    }
  }
  bool whole = sizes.empty();  // the figures beside the table too
  if (whole)
    sizes = {{1000, false}, {10000, false}, {100000, false}, {20000, true}};
  bool have_tree = onPath("tree");
  bool have_ls = onPath("ls");
  if (!have_tree) std::printf("tree is not installed: no kestrel ratio\n");
  const std::string floor = kPageFloor;
  if (floor.empty()) std::printf("page_floor is not built: no floor ratio\n");

  char pattern[] = "/tmp/kestrel-bench-XXXXXX";
  std::string root = mkdtemp(pattern);
  std::printf("%-9s %8s %10s %10s %7s %10s %7s %10s  %s\n", "tool", "entries",
              "us/entry", "ref us", "ratio", "floor us", "ratio", "peak KiB",
              "reference");
  bool ok = true;
  for (AreaSize size : sizes) {
    std::string area = root + "/AREA" + std::to_string(size.entries);
    makeArea(area, size);
    // The new area's write-back would otherwise fall into the timed runs,
    // and slow the tool that writes a file more than the one that writes to
    // a pipe.
    sync();
    std::vector<Program> programs = {{{KESTREL_PATH, "Benchmark area"}}};
    if (have_tree) programs.push_back({{"tree", "-H", ".", "-D", "-s"}, true});
    if (!floor.empty()) programs.push_back({{floor}});
    std::vector<Run> k = timeInTurn(programs, root, area);
    ok &= report("kestrel", size, k[0], "tree -H . -D -s",
                 have_tree ? &k[1] : nullptr,
                 floor.empty() ? nullptr : &k.back());
    programs = {{{WAGTAILS_PATH}}};
    if (have_ls) programs.push_back({{"ls", "-l"}, true});
    std::vector<Run> w = timeInTurn(programs, root, area);
    ok &= report("wagtails", size, w[0], "ls -l", have_ls ? &w[1] : nullptr,
                 nullptr);
    std::filesystem::remove_all(area);
  }
  if (whole) {
    ok &= timeDirectoryRows(root);
    ok &= measureLongLine(root);
  }
  std::filesystem::remove_all(root);
  return ok ? 0 : 1;
}
