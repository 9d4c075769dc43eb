// TVexPassword: the password and cipher identifier that travel with a database.
#pragma once

#include <cstdint>
#include <string>

struct TVexPassword {
  std::string Password;
  uint8_t CryptoAlgorithm = 0;  // cipher identifier 0..7
};
