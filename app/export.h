// Painting a saved line's screen to a PNG on the headless backend, shared by the export tools.
#pragma once

#include <string>

namespace orn {

struct ExportResult {
    long items = 0;        // items in the painted generation
    double seconds = 0;    // wall time of building, growing and painting
};

// Starts the headless engine (once) with a logical screen of width by height, loads the assets.
bool exportBegin(int width, int height, std::string& error);
// Builds the screen from line as a saved line is loaded, grows it to its item target, fits it
// exactly, paints every item through the render pass and writes the picture to path.
bool exportLine(const std::string& line, const std::string& path, ExportResult& result, std::string& error);
void exportEnd();

}  // namespace orn
