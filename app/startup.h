// The program's entry and its command-line tools, each returning the process exit code.
#pragma once

namespace orn {

// Start-up, the frame loop and shutdown, on whichever backend is selected; returns 0.
int runProgram();
// --describe LINE [--graphics N]: the screen a saved line builds, as JSON.
int describeCommand(int argc, char** argv);
// --render LINE --out FILE.png [--size W H]: a saved line grown, fitted and painted to PNG.
int renderCommand(int argc, char** argv);
// --render-saved DIR [--size W H]: every saved screen as DIR/NNN.png.
int renderSavedCommand(int argc, char** argv);

}  // namespace orn
