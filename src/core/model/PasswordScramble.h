#pragma once

#include <string>

// The site list file keeps passwords scrambled, not encrypted: the result has
// the same length, and UnscramblePassword undoes ScramblePassword for every
// input. Passwords of 1 to 3 bytes come out in reverse order.
std::string ScramblePassword(const std::string& text);
std::string UnscramblePassword(const std::string& text);
