// Reads and writes one field of a separated line in which a quote character protects
// separators and a doubled quote stands for one.
#pragma once

#include <string>

namespace orn {

std::string quoteField(const std::string& value, char separator, char quote);
int getFieldInto(const char* source, char separator, char* destination, int index, int destinationSize,
                 char quote);
// 0 success, -1 bad arguments, -2 the result does not fit.
int setFieldInBuffer(char* buffer, char separator, const char* value, int index, int bufferSize, char quote,
                     bool trimTrailing);
std::string getField(const std::string& line, char separator, int index, char quote);
int setField(std::string& line, char separator, const std::string& value, int index, char quote);

}  // namespace orn
