// The saved-screens file: one recipe per line, read once at start-up into savedScreens and
// written whole (through a temporary file and a rename) after every save and delete.
#pragma once

#include <string>

#include "model/screen.h"
#include "platform/string_list.h"

namespace orn {

extern StringList* savedScreens;

// programDirectory + separator + saveFileName.
std::string saveFilePath();
// Creates savedScreens and reads the file when it exists; false when it exists but cannot be
// read (the list then stays empty).
bool loadSavedScreens();
// Writes the whole list; false when the file could not be replaced (the old one stays).
bool writeSavedScreens();
// The line of a recipe: six fields, "%ld" for the integers and "%f" for partScale.
std::string recipeToLine(const ScreenRecipe& recipe);
// Reads a line into a recipe with the text-to-number rules; missing fields read as 0.
void lineToRecipe(const std::string& line, ScreenRecipe& recipe);
// Text-to-integer and text-to-floating-point as the file is read.
long textToInteger(const std::string& text);
double textToFloat(const std::string& text);

}  // namespace orn
