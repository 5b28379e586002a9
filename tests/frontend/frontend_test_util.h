// Helpers of the front-end tests: scratch files (plain and gzip), running the
// built quon binary as a process, random small weighted problems and their
// brute-force optimum.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/common/Lcg.h"

namespace quon_frontend_test {

using testing_support::Lcg;

// A private scratch directory, removed with its files at the end.
class ScratchDir {
  std::string path_;

 public:
  ScratchDir() {
    char pattern[] = "/tmp/quon-frontend-XXXXXX";
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
};

// A started process whose standard output and error go to files.
class Process {
  pid_t pid_ = -1;
  std::string outPath_, errPath_;
  bool reaped_ = false;

 public:
  Process(const std::string& binary, std::vector<std::string> args, const std::string& outPath,
          const std::string& errPath)
      : outPath_(outPath), errPath_(errPath) {
    args.insert(args.begin(), binary);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ < 0) abort();
    if (pid_ == 0) {
      if (!freopen(outPath.c_str(), "wb", stdout) || !freopen(errPath.c_str(), "wb", stderr) ||
          !freopen("/dev/null", "rb", stdin))
        _exit(121);
      execv(binary.c_str(), argv.data());
      _exit(122);
    }
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
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(outPath_), readFile(errPath_)};
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

#ifdef QUON_BINARY
inline RunResult runQuon(const ScratchDir& dir, const std::vector<std::string>& args, double timeoutSeconds = 120) {
  static int counter = 0;
  counter++;
  Process process(QUON_BINARY, args, dir.file("out" + std::to_string(counter)),
                  dir.file("err" + std::to_string(counter)));
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

// A weighted clause in DIMACS terms: literals are +-v for variables 1..n.
struct WeightedClause {
  int64_t weight;
  std::vector<int> lits;
};

struct WeightedProblem {
  int nbVars = 0;
  int64_t top = 2147483647;
  std::vector<WeightedClause> clauses;  // weight == top: hard

  std::string wcnf(bool writeTop = true) const {
    std::ostringstream text;
    text << "c random problem\np wcnf " << nbVars << " " << clauses.size();
    if (writeTop) text << " " << top;
    text << "\n";
    for (const auto& c : clauses) {
      text << c.weight;
      for (int l : c.lits) text << " " << l;
      text << " 0\n";
    }
    return text.str();
  }
};

// The cost of an assignment (index 1..n), or -1 when a hard clause fails.
inline int64_t costOf(const WeightedProblem& p, const std::vector<bool>& value) {
  int64_t cost = 0;
  for (const auto& c : p.clauses) {
    bool satisfied = false;
    for (int l : c.lits) satisfied = satisfied || value[(size_t)std::abs(l)] == (l > 0);
    if (satisfied) continue;
    if (c.weight == p.top) return -1;
    cost += c.weight;
  }
  return cost;
}

// The optimum over all assignments, or -1 when the hard clauses are unsatisfiable.
inline int64_t bruteForceOptimum(const WeightedProblem& p) {
  int64_t best = -1;
  std::vector<bool> value((size_t)p.nbVars + 1);
  for (uint64_t bits = 0; bits < (1ULL << p.nbVars); bits++) {
    for (int v = 1; v <= p.nbVars; v++) value[(size_t)v] = (bits >> (v - 1)) & 1;
    const int64_t cost = costOf(p, value);
    if (cost >= 0 && (best < 0 || cost < best)) best = cost;
  }
  return best;
}

// Reads a "v" line into an assignment (index 1..n); false unless it names
// every variable 1..n exactly once.
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

}  // namespace quon_frontend_test
