#include "program/korvo_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

extern char** environ;

namespace korvo::testing {

namespace {

std::string KorvoBinary() {
  const char* path = std::getenv("KORVO_BIN");
  if (!path || !*path) throw std::runtime_error("KORVO_BIN is not set");
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Spawns korvo with the given standard streams already set up in `actions`.
pid_t Spawn(const std::vector<std::string>& args, posix_spawn_file_actions_t& actions) {
  std::vector<std::string> argv = {KorvoBinary()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (auto& arg : argv) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ) != 0) {
    throw std::runtime_error("cannot start " + argv[0]);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

ScratchDirectory::ScratchDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "korvo-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch directory");
  path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

CommandResult RunKorvo(const std::vector<std::string>& args) {
  ScratchDirectory scratch;
  const std::string out = scratch.File("out"), err = scratch.File("err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const pid_t pid = Spawn(args, actions);
  posix_spawn_file_actions_destroy(&actions);
  CommandResult result;
  result.status = Wait(pid);
  result.out = ReadFile(out);
  result.err = ReadFile(err);
  return result;
}

KorvoServer::KorvoServer(const std::vector<std::string>& args) {
  int input[2], output[2];
  // Close-on-exec: a second server must not inherit this one's pipes (its input
  // would then never reach end of file).
  if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  const std::string err = scratch_.File("err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], 0);
  posix_spawn_file_actions_adddup2(&actions, output[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  for (int fd : {input[0], input[1], output[0], output[1]}) {
    posix_spawn_file_actions_addclose(&actions, fd);
  }
  std::vector<std::string> all = {"serve", "--stdio"};
  all.insert(all.end(), args.begin(), args.end());
  pid_ = Spawn(all, actions);
  posix_spawn_file_actions_destroy(&actions);
  close(input[0]);
  close(output[1]);
  in_ = fdopen(input[1], "w");
  out_ = fdopen(output[0], "r");
}

KorvoServer::~KorvoServer() {
  Finish();
  if (out_) fclose(out_);
}

void KorvoServer::Send(const std::string& line) {
  fputs((line + "\n").c_str(), in_);
  fflush(in_);
}

std::string KorvoServer::ReadLine() {
  std::string line;
  for (int c = fgetc(out_); c != EOF && c != '\n'; c = fgetc(out_)) line += static_cast<char>(c);
  return line;
}

std::string KorvoServer::Exchange(const std::string& line) {
  Send(line);
  return ReadLine();
}

Json KorvoServer::Request(const std::string& method, const Json& params) {
  const Json request = {{"jsonrpc", "2.0"}, {"id", nextId_++}, {"method", method}, {"params", params}};
  const std::string line = Exchange(request.dump());
  Json response = Json::parse(line, nullptr, false);
  EXPECT_FALSE(response.is_discarded()) << "not JSON: " << line;
  EXPECT_EQ(response["id"], request["id"]) << line;
  return response;
}

Json KorvoServer::Result(const std::string& method, const Json& params) {
  Json response = Request(method, params);
  EXPECT_TRUE(response.contains("result"))
      << method << " " << params.dump() << " -> " << response.dump();
  return response["result"];
}

int KorvoServer::Finish() {
  if (in_) {
    fclose(in_);
    in_ = nullptr;
    status_ = Wait(pid_);
  }
  return status_;
}

std::string KorvoServer::ErrorOutput() const { return ReadFile(scratch_.File("err")); }

}  // namespace korvo::testing
