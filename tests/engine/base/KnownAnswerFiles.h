// Reads the known-answer files of the block ciphers and hashes: a JSON array of flat objects
// whose string and number fields are kept (nested objects are flattened as "outer.inner").
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

using TKnownAnswer = std::map<std::string, std::string>;

// The entries of a known-answer file; an unreadable or malformed file gives a test failure
// through the returned error text.
std::vector<TKnownAnswer> ReadKnownAnswers(const std::string& path, std::string& error);

// The folder of the shared known-answer files beside the source tree.
std::string KnownAnswerDir();

std::vector<uint8_t> HexBytes(const std::string& hex);
