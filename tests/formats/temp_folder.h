// A fresh folder for one test's files, removed with everything in it at the end.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace drollo::formats::test {

class TempFolder {
 public:
  TempFolder() {
    static int counter = 0;
    path_ = std::filesystem::path(testing::TempDir()) /
            ("drollo_formats_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }

  void write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream out(file(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  std::vector<std::uint8_t> read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path path_;
};

// Runs a shell command and returns its standard output; `status` gets its exit status.
inline std::string RunCommand(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int rc = ::pclose(pipe);
  if (status) *status = rc;
  return out;
}

inline bool HaveTool(const std::string& name) {
  int status = 0;
  RunCommand("command -v " + name + " >/dev/null 2>&1", &status);
  return status == 0;
}

}  // namespace drollo::formats::test
