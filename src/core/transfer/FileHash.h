#pragma once

#include <string>

// The SHA-256 of a local file in lower-case hex; false when it cannot be read.
bool Sha256OfFile(const std::string& path, std::string& hex);
