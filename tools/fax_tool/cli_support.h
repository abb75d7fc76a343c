// Small helpers shared by the verbs of the command-line tool.
#pragma once

#include <memory>
#include <string>

class QGuiApplication;

namespace telvane::cli {

// Exit codes: 0 done, 1 the work failed, 2 the command line was wrong.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Prints "telvane-fax: <what>: <error text> (<code>)" to stderr.
void ReportError(const std::string& what, int code);

// Parses a whole non-negative number; false when `text` is not one.
bool ParseUnsigned(const char* text, unsigned& value);

// Parses the simulated line's pace: a number from 0.1 to 16.
bool ParsePace(const char* text, double& pace);

// System fonts need a QGuiApplication; made on first use, offscreen when
// there is no display.
void EnsureGuiApplication();

// True when stderr is a terminal (progress lines go there).
bool ProgressWanted();

int RunConvert(int argc, char** argv);
int RunCover(int argc, char** argv);
int RunInfo(int argc, char** argv);
int RunUnpack(int argc, char** argv);
int RunSend(int argc, char** argv);
int RunReceive(int argc, char** argv);

}  // namespace telvane::cli
