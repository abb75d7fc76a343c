#include "tests/tool/fax_e2e/tool_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/support/temp_dir.h"

namespace telvane::test {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> Argv(const std::string& program, std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

// Waits for `pid` until the deadline; the exit code, or -1 when it had to
// be killed (or died of a signal).
int WaitFor(pid_t pid, Clock::time_point deadline) {
  int status = 0;
  for (;;) {
    const pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (r < 0) return -1;
    if (Clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

ToolRun RunTool(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
                int timeoutSeconds) {
  ToolRun run;
  const std::string outFile = workDir + "/.tool-stdout", errFile = workDir + "/.tool-stderr";
  std::vector<std::string> copy = args;
  std::vector<char*> argv = Argv(program, copy);
  const auto start = Clock::now();
  const pid_t pid = fork();
  if (pid < 0) return run;
  if (pid == 0) {
    const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || chdir(workDir.c_str()) != 0) _exit(127);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  run.exitCode = WaitFor(pid, start + std::chrono::seconds(timeoutSeconds));
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.out = ReadAll(outFile);
  run.err = ReadAll(errFile);
  return run;
}

BackgroundTool::BackgroundTool(const std::string& program, const std::vector<std::string>& args,
                               const std::string& errFile, int firstLineSeconds) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return;
  std::vector<std::string> copy = args;
  std::vector<char*> argv = Argv(program, copy);
  pid_ = fork();
  if (pid_ == 0) {
    const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(pipeFds[1], STDOUT_FILENO);
    if (err >= 0) dup2(err, STDERR_FILENO);
    close(pipeFds[0]);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  const auto deadline = Clock::now() + std::chrono::seconds(firstLineSeconds);
  char c;
  while (pid_ > 0 && Clock::now() < deadline) {
    pollfd p{pipeFds[0], POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    if (read(pipeFds[0], &c, 1) != 1 || c == '\n') break;
    firstLine_ += c;
  }
  // Kept open until it has ended, so that later lines do not kill it with
  // SIGPIPE (they are few: no fear of a full pipe).
  outFd_ = pipeFds[0];
}

BackgroundTool::~BackgroundTool() { Stop(); }

int BackgroundTool::Wait(int timeoutSeconds) {
  if (pid_ <= 0) return status_;
  status_ = WaitFor(pid_, Clock::now() + std::chrono::seconds(timeoutSeconds));
  pid_ = -1;
  close(outFd_);
  outFd_ = -1;
  return status_;
}

int BackgroundTool::Stop() {
  if (pid_ <= 0) return status_;
  kill(pid_, SIGTERM);
  return Wait(10);
}

}  // namespace telvane::test
