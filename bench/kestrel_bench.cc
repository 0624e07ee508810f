// Times kestrel on generated file areas of growing size and reports the
// time per list entry and the peak resident memory of the run.
//   kestrel_bench [path/to/kestrel] [N ...]   (default N: 1000 10000 100000)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// An area of `entries` list entries: 8.3 files that exist (every tenth is
// missing), a continuation line after every fifth, and a long name now
// and then.
void makeArea(const std::string& area, int entries) {
  std::filesystem::create_directories(area);
  std::ofstream list(area + "/FILES.BBS", std::ios::binary);
  for (int i = 0; i < entries; ++i) {
    char name[32];
    if (i % 50 == 49) {
      std::snprintf(name, sizeof name, "LongArchiveName%06d.zip", i);
    } else {
      std::snprintf(name, sizeof name, "F%07d.ZIP", i);
    }
    if (i % 10 != 9) std::ofstream(area + "/" + name) << "data " << i;
    list << name << "  Archive number " << i << "\r\n";
    if (i % 5 == 0) list << "              more about number " << i << "\r\n";
  }
}

struct Run {
  double seconds = 0;
  long peak_kib = 0;
  int status = -1;
};

Run runKestrel(const std::string& kestrel, const std::string& root,
               const std::string& area) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    if (chdir(area.c_str()) != 0) _exit(126);
    setenv("DRIVE_ROOT", root.c_str(), 1);
    execl(kestrel.c_str(), kestrel.c_str(), "Benchmark area", (char*)nullptr);
    _exit(127);
  }
  Run run;
  struct rusage usage;
  wait4(pid, &run.status, 0, &usage);
  run.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
          .count();
  run.peak_kib = usage.ru_maxrss;
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  // The run changes into the area, so the program path must be absolute.
  std::string kestrel =
      std::filesystem::absolute(argc > 1 ? argv[1] : KESTREL_PATH).string();
  std::vector<int> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000, 100000};

  char pattern[] = "/tmp/kestrel-bench-XXXXXX";
  std::string root = mkdtemp(pattern);
  std::printf("%10s %12s %14s %14s\n", "entries", "seconds", "us/entry",
              "peak RSS KiB");
  int failures = 0;
  for (int entries : sizes) {
    std::string area = root + "/AREA" + std::to_string(entries);
    makeArea(area, entries);
    Run run = runKestrel(kestrel, root, area);
    bool ok = WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0;
    if (!ok) ++failures;
    std::printf("%10d %12.3f %14.1f %14ld%s\n", entries, run.seconds,
                run.seconds * 1e6 / entries, run.peak_kib,
                ok ? "" : "  (kestrel failed)");
    std::fflush(stdout);
    std::filesystem::remove_all(area);
  }
  std::filesystem::remove_all(root);
  return failures == 0 ? 0 : 1;
}
