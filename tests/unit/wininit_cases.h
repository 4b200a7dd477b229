// The shared table of WinInit.INI cases (tests/data/wininit_cases.txt), also
// run end to end under Wine.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "queued_lines.h"

// The shared table of WinInit.INI cases (also run end to end under Wine).
struct WinInitCase {
  std::string name;
  bool exists;
  std::string before, after;
};

// printf's %b escapes, as the table is written: \r \n \t \xHH \\.
inline std::string Unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char c = text[++i];
    if (c == 'r') out += '\r';
    else if (c == 'n') out += '\n';
    else if (c == 't') out += '\t';
    else if (c == 'x') {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else out += c;
  }
  return out;
}

inline std::string WithLines(std::string text) {
  const std::string mark = "{LINES}";
  std::size_t at = text.find(mark);
  if (at != std::string::npos) text.replace(at, mark.size(), QueuedLines());
  return text;
}

inline std::vector<WinInitCase> ReadWinInitCases() {
  std::vector<WinInitCase> cases;
  std::ifstream table(ZM_WININIT_CASES);
  std::string line;
  while (std::getline(table, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::size_t start = 0, bar;
    while ((bar = line.find('|', start)) != std::string::npos) {
      fields.push_back(line.substr(start, bar - start));
      start = bar + 1;
    }
    fields.push_back(line.substr(start));
    if (fields.size() != 4) ADD_FAILURE() << "malformed case: " << line;
    if (fields.size() != 4) continue;
    cases.push_back({fields[0], fields[1] != "-", Unescape(fields[1]), WithLines(Unescape(fields[2]))});
  }
  return cases;
}
