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

// The command being run ("convert"); every message starts with
// "telvane-fax <command>: ".
void SetCommand(const std::string& command);
const std::string& MessagePrefix();

// Prints "<prefix>: <what>: <error text> (<code>)" to stderr.
void ReportError(const std::string& what, int code);
// Prints "<prefix>: " and the printf-formatted message to stderr.
void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Says the message, then the hint where the options are explained; returns
// kExitUsage.
int UsageError(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The hint alone, after a message that getopt has printed already.
int UsageHint();

// The version line of the programs.
void PrintVersion(const char* program);

// Parses a whole non-negative number; false when `text` is not one.
bool ParseUnsigned(const char* text, unsigned& value);

// Parses the simulated line's pace: a number from 0.1 to 16.
bool ParsePace(const char* text, double& pace);

// `input` with its extension replaced by `extension` (given without a dot,
// in lower case), written in the case of the input's own extension:
// report.txt gives report.apf, REPORT.TXT gives REPORT.APF.
std::string DefaultOutputName(const std::string& input, const std::string& extension);
// ".<extension>" in the case of `name`'s own extension, as above.
std::string ExtensionInCaseOf(const std::string& name, const std::string& extension);

// Empty when `output` can be created; otherwise what stands in the way,
// naming the output: a folder that does not exist, or one that cannot be
// written.
std::string OutputProblem(const std::string& output);

// The kind of a file that is no text and has no input of its own ("a PDF
// document", "a PNG image", …), from its first bytes; empty for text.
std::string BinaryKind(const std::string& fileName);

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
