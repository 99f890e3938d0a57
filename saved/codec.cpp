// The field codec of the saved-screens lines: field n of a separated line, where a quote
// character protects separators and a doubled quote stands for one quote.
#include "saved/codec.h"

#include <climits>
#include <cstring>
#include <vector>

namespace orn {

std::string quoteField(const std::string& value, char separator, char quote) {
    bool needsQuotes = value.find(separator) != std::string::npos;
    if (value.find(quote) == std::string::npos) {
        if (!needsQuotes) return value;
        return quote + value + quote;
    }
    std::string quoted;
    quoted.reserve(value.size() + 4);
    quoted += quote;
    for (char c : value) {
        quoted += c;
        if (c == quote) quoted += quote;
    }
    quoted += quote;
    return quoted;
}

int getFieldInto(const char* source, char separator, char* destination, int index, int destinationSize,
                 char quote) {
    if (index < 0 || destinationSize <= 0 || destination == nullptr || source == nullptr) {
        // A zero-sized destination has no room even for the terminator.
        if (destination != nullptr && destinationSize > 0) destination[0] = '\0';
        return 0;
    }
    const int n = static_cast<int>(std::strlen(source));
    int start = 0;
    int end = n;

    if (index > 0) {
        bool inQuote = false;
        int count = 0;
        int i = 0;
        for (; i < n; ++i) {
            const char c = source[i];
            if (c == quote) {
                inQuote = !inQuote;
            } else if (c == separator && !inQuote) {
                start = i + 1;
                if (++count == index) break;
            }
        }
        if (i >= n) start = n;  // fewer fields than asked for: the field is empty
    }

    bool inQuote = false;
    for (int i = start; i < n; ++i) {
        const char c = source[i];
        if (c == quote) {
            inQuote = !inQuote;
        } else if (c == separator && !inQuote) {
            end = i;
            break;
        }
    }

    if (end - start >= 2 && source[start] == quote && source[end - 1] == quote) {
        ++start;
        --end;
    }

    int written = 0;
    for (int i = start; i < end && written < destinationSize - 1; ++i) {
        destination[written++] = source[i];
        // A doubled quote inside the field stands for one.
        if (source[i] == quote && i + 1 < end && source[i + 1] == quote) ++i;
    }
    destination[written] = '\0';
    return start;
}

int setFieldInBuffer(char* buffer, char separator, const char* value, int index, int bufferSize, char quote,
                     bool trimTrailing) {
    if (index < 0 || bufferSize <= 0 || value == nullptr || buffer == nullptr) return -1;

    const std::string q = quoteField(value, separator, quote);
    // The buffer may lack a terminator within its stated size: never read past it.
    const int len = static_cast<int>(strnlen(buffer, static_cast<size_t>(bufferSize)));

    std::string out;
    out.reserve(static_cast<size_t>(len) + q.size() + static_cast<size_t>(index) + 1);
    int fieldNo = 0;
    int lastSep = 0;
    bool inQuote = false;
    for (int i = 0; i < len; ++i) {
        const char c = buffer[i];
        if (c == quote) {
            inQuote = !inQuote;
            continue;
        }
        if (c != separator || inQuote) continue;
        if (fieldNo == index) {
            if (fieldNo > 0) out += separator;
            out += q;
        } else {
            out.append(buffer + lastSep, static_cast<size_t>(i - lastSep));
        }
        lastSep = i;
        ++fieldNo;
    }

    if (fieldNo > index) {
        out.append(buffer + lastSep, static_cast<size_t>(len - lastSep));
    } else if (fieldNo < index) {
        out.append(buffer + lastSep, static_cast<size_t>(len - lastSep));
        out.append(static_cast<size_t>(index - fieldNo), separator);
        out += q;
    } else {
        if (fieldNo > 0) out += separator;
        out += q;
    }

    if (out.size() + 1 > static_cast<size_t>(bufferSize)) return -2;
    std::memcpy(buffer, out.data(), out.size());
    buffer[out.size()] = '\0';
    buffer[bufferSize - 1] = '\0';

    if (trimTrailing) {
        size_t end = out.size();
        while (end > 0 && buffer[end - 1] == separator) --end;
        buffer[end] = '\0';
    }
    return 0;
}

std::string getField(const std::string& line, char separator, int index, char quote) {
    const char* text = line.c_str();
    std::vector<char> destination(std::strlen(text) + 1);
    getFieldInto(text, separator, destination.data(), index, static_cast<int>(destination.size()), quote);
    return std::string(destination.data());
}

int setField(std::string& line, char separator, const std::string& value, int index, char quote) {
    if (index < 0) return -1;
    const char* text = line.c_str();
    const size_t length = std::strlen(text);
    const size_t capacity = length + 2 * value.size() + static_cast<size_t>(index) + 12;
    // The line stays as it was rather than the size wrapping around.
    if (capacity + 1 > static_cast<size_t>(INT_MAX)) return -2;
    std::vector<char> buffer(capacity + 1);
    std::memcpy(buffer.data(), text, length + 1);
    const int result =
        setFieldInBuffer(buffer.data(), separator, value.c_str(), index, static_cast<int>(capacity + 1), quote, true);
    if (result == 0) line.assign(buffer.data());
    return result;
}

}  // namespace orn
