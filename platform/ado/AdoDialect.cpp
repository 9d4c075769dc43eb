// Jet-to-SQLite statement translation and parameter markers.
#include "platform/ado/AdoDialect.h"

#include <strings.h>

#include <cctype>

namespace {

bool IsIdent(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Calls visit(i) for every index of sql that lies outside quotes, brackets and comments.
template <typename F>
void ForEachCodeChar(const std::string& sql, F visit) {
  size_t i = 0;
  while (i < sql.size()) {
    char c = sql[i];
    if (c == '\'' || c == '"' || c == '[' || c == '`') {
      char close = c == '[' ? ']' : c;
      ++i;
      while (i < sql.size() && sql[i] != close) ++i;
      ++i;
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      while (i < sql.size() && sql[i] != '\n') ++i;
    } else {
      i = visit(i);
    }
  }
}

bool WordAt(const std::string& sql, size_t i, const char* word) {
  size_t n = std::char_traits<char>::length(word);
  return i + n <= sql.size() && strncasecmp(sql.c_str() + i, word, n) == 0 &&
         (i == 0 || !IsIdent(sql[i - 1])) && (i + n == sql.size() || !IsIdent(sql[i + n]));
}

}  // namespace

std::string TranslateJetSql(const std::string& sql) {
  std::string out;
  std::string limit;
  size_t copied = 0;
  ForEachCodeChar(sql, [&](size_t i) -> size_t {
    if (WordAt(sql, i, "@@IDENTITY")) {
      out += sql.substr(copied, i - copied) + "last_insert_rowid()";
      copied = i + 10;
      return copied;
    }
    if (limit.empty() && WordAt(sql, i, "TOP")) {
      // Only directly after SELECT (optionally DISTINCT).
      size_t back = i;
      while (back > 0 && std::isspace(static_cast<unsigned char>(sql[back - 1]))) --back;
      bool afterSelect = (back >= 6 && WordAt(sql, back - 6, "SELECT")) ||
                         (back >= 8 && WordAt(sql, back - 8, "DISTINCT"));
      size_t j = i + 3;
      while (j < sql.size() && std::isspace(static_cast<unsigned char>(sql[j]))) ++j;
      size_t digits = j;
      while (j < sql.size() && std::isdigit(static_cast<unsigned char>(sql[j]))) ++j;
      if (afterSelect && j > digits) {
        limit = sql.substr(digits, j - digits);
        out += sql.substr(copied, i - copied);
        while (j < sql.size() && std::isspace(static_cast<unsigned char>(sql[j]))) ++j;
        copied = j;
        return j;
      }
    }
    return i + 1;
  });
  out += sql.substr(copied);
  if (!limit.empty()) {
    size_t end = out.size();
    while (end > 0 &&
           (std::isspace(static_cast<unsigned char>(out[end - 1])) || out[end - 1] == ';'))
      --end;
    out = out.substr(0, end) + " LIMIT " + limit + out.substr(end);
  }
  return out;
}

std::vector<std::string> ParseParameterNames(const std::string& sql) {
  std::vector<std::string> names;
  ForEachCodeChar(sql, [&](size_t i) -> size_t {
    if (sql[i] != ':' || i + 1 >= sql.size() || !IsIdent(sql[i + 1]) ||
        (i > 0 && (sql[i - 1] == ':' || IsIdent(sql[i - 1]))))
      return i + 1;
    size_t j = i + 1;
    while (j < sql.size() && IsIdent(sql[j])) ++j;
    std::string name = sql.substr(i + 1, j - i - 1);
    bool seen = false;
    for (const std::string& n : names) seen = seen || strcasecmp(n.c_str(), name.c_str()) == 0;
    if (!seen) names.push_back(name);
    return j;
  });
  return names;
}
