// Test support: whole files read and written as bytes.
#pragma once

#include <string>

namespace testsupport {

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

}  // namespace testsupport
