// The saved-screens file: read whole into savedScreens at start-up, written whole after every
// change through a temporary file, one recipe per line in six comma-separated fields.
#include "saved/saved_file.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <sys/stat.h>

#include "app/config.h"
#include "platform/platform.h"
#include "saved/codec.h"

namespace orn {

StringList* savedScreens = nullptr;

namespace {

constexpr char fieldSeparator = ',';
constexpr char fieldQuote = '"';

// The "C" locale, so that numbers read with a full stop whatever the process locale says.
locale_t cLocale() {
    static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// A part scale that is no finite float (NaN, infinite, or beyond the float range) reads as 0,
// the value that lets the end-of-generation fit choose the scale itself.
float narrowPartScale(double value) {
    if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(3.40282346638528859811704183484516925e38f)) {
        return 0.0f;
    }
    return static_cast<float>(value);
}

std::string integerText(int32_t value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<long>(value));
    return std::string(text, result.ptr);
}

// Six decimals with a full stop, as "%f" writes them in the "C" locale.
std::string fixedText(double value) {
    char text[400];  // room for the largest double written in full
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    if (result.ec != std::errc()) return "0.000000";
    return std::string(text, result.ptr);
}

}  // namespace

std::string saveFilePath() { return programDirectory + "/" + saveFileName; }

bool loadSavedScreens() {
    delete savedScreens;
    savedScreens = new StringList(false, true, true, true);
    const std::string path = platform::nativePath(saveFilePath());
    struct stat info;
    if (stat(path.c_str(), &info) != 0 && errno == ENOENT) return true;  // nothing saved yet
    if (!savedScreens->loadFromFile(path)) {
        savedScreens->clear();
        return false;
    }
    return true;
}

bool writeSavedScreens() {
    if (savedScreens == nullptr) return false;
    return savedScreens->saveToFile(saveFilePath());
}

std::string recipeToLine(const ScreenRecipe& recipe) {
    std::string line;
    setField(line, fieldSeparator, integerText(recipe.shapeSeed), 0, fieldQuote);
    setField(line, fieldSeparator, integerText(recipe.mutationSeed), 1, fieldQuote);
    setField(line, fieldSeparator, integerText(recipe.colourSeed), 2, fieldQuote);
    setField(line, fieldSeparator, integerText(recipe.paletteSeed), 3, fieldQuote);
    setField(line, fieldSeparator, integerText(recipe.itemTarget), 4, fieldQuote);
    setField(line, fieldSeparator, fixedText(static_cast<double>(recipe.partScale)), 5, fieldQuote);
    return line;
}

void lineToRecipe(const std::string& line, ScreenRecipe& recipe) {
    auto integerField = [&line](int index) {
        return static_cast<int32_t>(textToInteger(getField(line, fieldSeparator, index, fieldQuote)));
    };
    recipe.shapeSeed = integerField(0);
    recipe.mutationSeed = integerField(1);
    recipe.colourSeed = integerField(2);
    recipe.paletteSeed = integerField(3);
    recipe.itemTarget = integerField(4);
    recipe.partScale = narrowPartScale(textToFloat(getField(line, fieldSeparator, 5, fieldQuote)));
}

long textToInteger(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && isWhiteSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Values beyond 32 bits saturate at the nearest end of the int32 range.
    const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) value = limit;
    }
    return static_cast<long>(negative ? -value : value);
}

double textToFloat(const std::string& text) {
    // strtod stops at the first character that does not fit and gives 0 when nothing does;
    // out-of-range values come back as infinity or a tiny value, which the caller narrows.
    const locale_t locale = cLocale();
    if (locale == static_cast<locale_t>(nullptr)) return std::strtod(text.c_str(), nullptr);
    return strtod_l(text.c_str(), nullptr, locale);
}

}  // namespace orn
