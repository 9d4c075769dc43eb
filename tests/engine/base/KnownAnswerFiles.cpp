// A small reader for the known-answer files (JSON with strings, numbers, arrays, objects).
#include "tests/engine/base/KnownAnswerFiles.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

class TJsonReader {
 public:
  explicit TJsonReader(std::string text) : text_(std::move(text)) {}

  std::vector<TKnownAnswer> ReadArrayOfObjects() {
    std::vector<TKnownAnswer> result;
    Expect('[');
    if (Peek() == ']') return ++pos_, result;
    for (;;) {
      TKnownAnswer entry;
      ReadObject("", entry);
      result.push_back(std::move(entry));
      if (Peek() == ',') {
        ++pos_;
        continue;
      }
      Expect(']');
      return result;
    }
  }

 private:
  char Peek() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    if (pos_ >= text_.size()) throw std::runtime_error("unexpected end");
    return text_[pos_];
  }
  void Expect(char c) {
    if (Peek() != c) throw std::runtime_error(std::string("expected ") + c);
    ++pos_;
  }
  std::string ReadString() {
    Expect('"');
    std::string s;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      if (text_[pos_] == '\\' && pos_ + 1 < text_.size()) ++pos_;
      s += text_[pos_++];
    }
    Expect('"');
    return s;
  }
  // Reads any value; strings and numbers are stored under name, objects are flattened.
  void ReadValue(const std::string& name, TKnownAnswer& entry) {
    const char c = Peek();
    if (c == '"') {
      entry[name] = ReadString();
    } else if (c == '{') {
      ReadObject(name + ".", entry);
    } else if (c == '[') {
      ++pos_;
      if (Peek() == ']') return void(++pos_);
      for (;;) {
        TKnownAnswer ignored;
        ReadValue("", ignored);
        if (Peek() == ',') {
          ++pos_;
          continue;
        }
        return Expect(']');
      }
    } else {
      std::string word;
      while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                                     text_[pos_] == '-' || text_[pos_] == '.'))
        word += text_[pos_++];
      if (word.empty()) throw std::runtime_error("bad value");
      entry[name] = word;
    }
  }
  void ReadObject(const std::string& prefix, TKnownAnswer& entry) {
    Expect('{');
    if (Peek() == '}') return void(++pos_);
    for (;;) {
      const std::string name = ReadString();
      Expect(':');
      ReadValue(prefix + name, entry);
      if (Peek() == ',') {
        ++pos_;
        continue;
      }
      return Expect('}');
    }
  }

  std::string text_;
  size_t pos_ = 0;
};

}  // namespace

std::vector<TKnownAnswer> ReadKnownAnswers(const std::string& path, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot open " + path;
    return {};
  }
  std::stringstream buffer;
  buffer << in.rdbuf();
  try {
    return TJsonReader(buffer.str()).ReadArrayOfObjects();
  } catch (const std::exception& e) {
    error = path + ": " + e.what();
    return {};
  }
}

std::string KnownAnswerDir() { return std::string(VEX_TEST_DATA_DIR) + "/test-vectors"; }

std::vector<uint8_t> HexBytes(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}
