// Runs a program's entry in this process, for the player's and tactus-info's tests.
#ifndef TACTUS_TESTS_SUPPORT_CAPTURED_RUN_H
#define TACTUS_TESTS_SUPPORT_CAPTURED_RUN_H

#include <cstdio>
#include <string>
#include <vector>

namespace tactus::test {

// Everything written so far to a stream opened with std::tmpfile.
inline std::string written(std::FILE* stream) {
  std::string text(static_cast<size_t>(std::ftell(stream)), '\0');
  std::rewind(stream);
  text.resize(std::fread(text.data(), 1, text.size(), stream));
  return text;
}

struct Outcome {
  int status;
  std::string out, err;
};

// entry(argc, argv, out, err) with argv = the program's name, then `arguments`.
template <typename Entry>
Outcome run_captured(Entry entry, const char* program, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), program);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  Outcome outcome{entry(static_cast<int>(argv.size()), argv.data(), out, err), written(out), written(err)};
  std::fclose(out);
  std::fclose(err);
  return outcome;
}

}  // namespace tactus::test

#endif
