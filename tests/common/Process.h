// Child processes of the tests: a scratch directory, the built quon binary
// or a function run in a forked child (for calls that end the process), and
// readers of what they print.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace quon_test {

// A private scratch directory, removed with its files at the end.
class ScratchDir {
  std::string path_;

 public:
  ScratchDir() {
    char pattern[] = "/tmp/quon-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) abort();
    path_ = pattern;
  }
  ~ScratchDir() {
    if (system(("rm -rf '" + path_ + "'").c_str()) != 0) perror("rm");
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::string write(const std::string& name, const std::string& content) const {
    std::ofstream(file(name), std::ios::binary) << content;
    return file(name);
  }
  std::string writeGzip(const std::string& name, const std::string& content) const {
    gzFile out = gzopen(file(name).c_str(), "wb");
    if (out == nullptr || (!content.empty() && gzwrite(out, content.data(), (unsigned)content.size()) <= 0)) abort();
    gzclose(out);
    return file(name);
  }
};

inline std::string readFile(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

struct RunResult {
  int status = -1;  // exit status, or -1 when killed by a signal (or by wait's time-out)
  std::string out, err;
  int signal = 0;  // the signal that killed it (SIGKILL after wait's time-out)
};

inline bool nothingToPrepare() { return true; }

// A preparation of a child: the process starts with a SIGTERM already
// waiting for it (blocked and raised before the program is loaded, so that
// it is there from main's first instant).
inline bool termPending() {
  sigset_t terminate;
  sigemptyset(&terminate);
  sigaddset(&terminate, SIGTERM);
  return sigprocmask(SIG_BLOCK, &terminate, nullptr) == 0 && kill(getpid(), SIGTERM) == 0;
}

// A forked child whose standard output and error go to files; it runs a
// binary, or a function and then exits with status 77.
class Process {
  pid_t pid_ = -1;
  std::string outPath_, errPath_;
  bool reaped_ = false;

  template <class Body>
  void start(Body body) {
    fflush(stdout);
    fflush(stderr);
    pid_ = fork();
    if (pid_ < 0) abort();
    if (pid_ > 0) return;
    if (!freopen(outPath_.c_str(), "wb", stdout) || !freopen(errPath_.c_str(), "wb", stderr) ||
        !freopen("/dev/null", "rb", stdin))
      _exit(121);
    body();
    fflush(stdout);
    fflush(stderr);
    _exit(77);
  }

 public:
  // prepare runs in the child before the binary is loaded (a signal, a
  // resource limit, another standard output); false ends the child with 123.
  template <class Prepare = bool (*)()>
  Process(const std::string& binary, std::vector<std::string> args, const std::string& outPath,
          const std::string& errPath, Prepare prepare = nothingToPrepare)
      : outPath_(outPath), errPath_(errPath) {
    args.insert(args.begin(), binary);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    start([&] {
      if (!prepare()) _exit(123);
      execv(binary.c_str(), argv.data());
      _exit(122);
    });
  }
  template <class Body>
  Process(Body body, const std::string& outPath, const std::string& errPath) : outPath_(outPath), errPath_(errPath) {
    start(body);
  }
  ~Process() {
    if (reaped_) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }

  // Waits up to timeoutSeconds, then kills the process.
  RunResult wait(double timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) != pid_) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    reaped_ = true;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(outPath_), readFile(errPath_),
            WIFSIGNALED(status) ? WTERMSIG(status) : 0};
  }

  // Waits until the file (standard error unless told) contains text; false
  // after timeoutSeconds.
  bool waitFor(const std::string& text, double timeoutSeconds, bool inOut = false) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    while (readFile(inOut ? outPath_ : errPath_).find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
};

// Runs body in a forked child with its output captured; a body that returns
// exits with status 77.
template <class Body>
RunResult runInChild(Body body) {
  ScratchDir dir;
  Process child(body, dir.file("out"), dir.file("err"));
  return child.wait(600);
}

#ifdef QUON_BINARY
template <class Prepare = bool (*)()>
RunResult runQuon(const ScratchDir& dir, const std::vector<std::string>& args, double timeoutSeconds = 120,
                  Prepare prepare = nothingToPrepare) {
  static int counter = 0;
  counter++;
  Process process(QUON_BINARY, args, dir.file("out" + std::to_string(counter)),
                  dir.file("err" + std::to_string(counter)), prepare);
  return process.wait(timeoutSeconds);
}
#endif

// The lines of text that start with prefix.
inline std::vector<std::string> lines(const std::string& text, const std::string& prefix = "") {
  std::vector<std::string> result;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.compare(0, prefix.size(), prefix) == 0) result.push_back(line);
  return result;
}

const std::string wallClockLine = "c Wall Clock Time: ";

// Every wall-clock time ("<digits>.<two digits>") replaced by T.
inline std::string maskSeconds(std::string err) {
  for (size_t at = 0; (at = err.find(wallClockLine, at)) != std::string::npos;) {
    at += wallClockLine.size();
    const size_t end = err.find(" s\n", at);
    const std::string time = err.substr(at, end == std::string::npos ? 0 : end - at);
    if (time.size() < 4 || time.find_first_not_of("0123456789") != time.size() - 3 || time[time.size() - 3] != '.' ||
        time.find_first_not_of("0123456789", time.size() - 2) != std::string::npos)
      break;
    err.replace(at, end - at, "T");
  }
  return err;
}

// Reads a "v" line of DIMACS literals into an assignment (index 1..n); false
// unless it names every variable 1..n exactly once.
inline bool parseModel(const std::string& line, int nbVars, std::vector<bool>& value) {
  if (line.compare(0, 2, "v ") != 0) return false;
  value.assign((size_t)nbVars + 1, false);
  std::vector<bool> seen((size_t)nbVars + 1, false);
  std::istringstream in(line.substr(2));
  int count = 0;
  for (int literal; in >> literal; count++) {
    const int v = std::abs(literal);
    if (v < 1 || v > nbVars || seen[(size_t)v]) return false;
    seen[(size_t)v] = true;
    value[(size_t)v] = literal > 0;
  }
  return in.eof() && count == nbVars;
}

}  // namespace quon_test
