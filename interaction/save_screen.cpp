// The S command once it acts: the current recipe becomes a new line of the saved list and the
// whole list is written to the save file.
#include <string>

#include "app/config.h"
#include "interaction/browse.h"
#include "interaction/frame.h"
#include "model/items.h"
#include "model/screen.h"
#include "saved/saved_file.h"

namespace orn {

void saveScreenCommand() {
    // The full size of the newest generation, also while it is still being expanded, so a load
    // regrows the screen up to and including that generation.
    screenRecipe.itemTarget = bufferCapacity(1);
    screenRecipe.partScale = static_cast<float>(screenModel.partScale);
    // The line joins the list before the write, and stays there when the write fails, so the
    // next successful save or delete writes it too.
    savedScreens->add(recipeToLine(screenRecipe));
    const bool written = storeSavedScreens();
    savedIndex = savedCount();
    showMessage(written ? std::string("Saved") : std::string("Not saved: can't write ") + saveFileName);
    playClick();
    renewKeyLock();
}

}  // namespace orn
