#include "import/command_line.h"

#include <cstring>
#include <utility>

#include "platform/exception.h"

namespace kestro {

std::vector<std::string> SplitCommandLine(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else if (c == '\'') {
      const size_t end = text.find('\'', i + 1);
      if (end == std::string::npos) throw Exception("Unterminated ' in the command line");
      word.append(text, i + 1, end - i - 1);
      in_word = true;
      i = end;
    } else if (c == '"') {
      in_word = true;
      for (++i;; ++i) {
        if (i >= text.size()) throw Exception("Unterminated \" in the command line");
        const char d = text[i];
        if (d == '"') break;
        if (d == '\\' && i + 1 < text.size() &&
            std::strchr("$`\"\\\n", text[i + 1]) != nullptr) {
          if (text[++i] != '\n') word += text[i];
        } else {
          word += d;
        }
      }
    } else if (c == '\\') {
      if (i + 1 < text.size()) {
        if (text[++i] != '\n') {
          word += text[i];
          in_word = true;
        }
      }
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

}  // namespace kestro
