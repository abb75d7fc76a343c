// Runs the built command-line programs from tests: a command to its end with
// its output captured, and a modem emulator in the background that tells
// the device path it serves.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace telvane::test {

struct ToolRun {
  int exitCode = -1;  // -1: it did not end in time (it was killed) or did not start
  std::string out, err;
  double seconds = 0;
};

// Runs `program` with `args` in `workDir` and waits at most `timeoutSeconds`.
ToolRun RunTool(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
                int timeoutSeconds = 120);

// A background program that prints a device path on its first line (the
// modem emulator). Stopped with SIGTERM when it goes out of scope.
class BackgroundTool {
 public:
  // Waits up to `firstLineSeconds` for the first line.
  BackgroundTool(const std::string& program, const std::vector<std::string>& args, const std::string& errFile,
                 int firstLineSeconds = 10);
  ~BackgroundTool();
  BackgroundTool(const BackgroundTool&) = delete;
  BackgroundTool& operator=(const BackgroundTool&) = delete;

  // The first line it printed (empty when it printed none in time).
  const std::string& FirstLine() const { return firstLine_; }
  // Waits for it to exit by itself: its exit code, or -1 after the time-out
  // (then it is stopped).
  int Wait(int timeoutSeconds);
  // Stops it (SIGTERM) and waits; its exit code.
  int Stop();

 private:
  pid_t pid_ = -1;
  int outFd_ = -1;
  int status_ = -1;
  std::string firstLine_;
};

}  // namespace telvane::test
