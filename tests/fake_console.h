#pragma once

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/console.h"
#include "host/line_end.h"
#include "host/run_time_error.h"

namespace quillfen {

// A console whose input and terminal are strings, and which can lack a
// terminal or fail to read; it keeps every prompt shown.
class FakeConsole : public Console {
 public:
  InputLine ReadInputLine(std::span<uint8_t> line) override {
    ++input_reads;
    if (input_error != 0) throw RunTimeError::FromSystem(input_error);
    return Give(input, line);
  }

  std::optional<InputLine> ReadPipeLine(std::u16string_view path,
                                        std::span<uint8_t> line) override {
    const auto pipe = pipes.find(std::u16string(path));
    if (pipe == pipes.end()) return std::nullopt;
    ++pipe_reads;
    return Give(pipe->second, line);
  }

  std::optional<size_t> ReadHiddenLine(std::u16string_view prompt,
                                       std::span<uint8_t> line) override {
    ++terminal_asks;
    if (!terminal) return std::nullopt;
    prompts.emplace_back(prompt);
    // Each ask takes the next line typed, the last one again after the end.
    std::string rest = *terminal;
    for (int i = 1; i < terminal_asks && rest.find('\n') != std::string::npos; ++i) {
      rest.erase(0, rest.find('\n') + 1);
    }
    return Give(rest, line).length;
  }

  // Standard input; empty: closed, or empty.
  std::string input;
  int input_error = 0;
  int input_reads = 0;
  int pipe_reads = 0;
  int terminal_asks = 0;
  // What is typed, a line an ask; nothing: there is no terminal.
  std::optional<std::string> terminal;
  std::map<std::u16string, std::string> pipes;  // by their paths
  std::vector<std::u16string> prompts;

 private:
  // The first line of `text`, ended as the real console ends it.
  static InputLine Give(const std::string& text, std::span<uint8_t> line) {
    LineEnd end;
    size_t length = 0;
    for (const char c : text) {
      if (end.Take(static_cast<uint8_t>(c))) return {length - end.Dropped(), false};
      if (length < line.size()) line[length] = static_cast<uint8_t>(c);
      ++length;
    }
    return {length, text.empty()};
  }
};

}  // namespace quillfen
