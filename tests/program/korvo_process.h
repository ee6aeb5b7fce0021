// Test helpers that run the real korvo program as a child process.
//
// KorvoServer speaks the protocol with `korvo serve --stdio` over pipes, one
// request line and one response line at a time; its standard error goes to
// a file the test can read. RunKorvo runs one command to completion.
// The program is found through the KORVO_BIN environment variable (CTest
// sets it). Both are non-copyable and single-threaded.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace korvo::testing {

using Json = nlohmann::ordered_json;

// A directory of its own for a test's databases and files, removed with
// everything in it at the end.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

struct CommandResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs `korvo args...` with no input and waits for it.
CommandResult RunKorvo(const std::vector<std::string>& args);

class KorvoServer {
 public:
  // Starts `korvo serve --stdio` with the extra arguments (e.g. --db PATH).
  explicit KorvoServer(const std::vector<std::string>& args);
  // Closes the input if still open and waits for the program.
  ~KorvoServer();
  KorvoServer(const KorvoServer&) = delete;
  KorvoServer& operator=(const KorvoServer&) = delete;

  // Writes one line and reads the response line ("" when the program
  // closed its output).
  std::string Exchange(const std::string& line);
  // Writes one line without waiting for an answer.
  void Send(const std::string& line);
  std::string ReadLine();
  // One request with the next id; the whole response.
  Json Request(const std::string& method, const Json& params = Json::object());
  // The same, expecting success: the "result" (fails the test otherwise).
  Json Result(const std::string& method, const Json& params = Json::object());
  // Closes the program's input and returns its exit status.
  int Finish();
  // What the program wrote to its standard error so far.
  std::string ErrorOutput() const;
  // The program's process id, for a test that kills it (Finish() then reaps it).
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  FILE* in_ = nullptr;   // the program's standard input
  FILE* out_ = nullptr;  // the program's standard output
  ScratchDirectory scratch_;
  int nextId_ = 1;
  int status_ = -1;
};

}  // namespace korvo::testing
