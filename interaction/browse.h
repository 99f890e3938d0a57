// Browsing the saved screens one by one, deleting one, and the 4 by 4 gallery of thumbnails.
#pragma once

#include <cstdint>

namespace orn {

extern int32_t savedIndex;     // saved screen last loaded, or the line count
extern int32_t galleryFirst;   // -1 closed, else the saved index in the first cell
extern int32_t galleryLoaded;  // cell being built: -1 after paging, 0..15, 16 complete

constexpr int32_t galleryCells = 16;  // 4 columns by 4 rows

void loadSavedScreen(int32_t i);
void galleryPaging();
void thumbnailLoading();
void galleryPick();
void deleteSavedScreen();
void browseSavedScreens();

// Lines in savedScreens (0 while the list does not exist).
int32_t savedCount();
// Writes the whole list to the save file and reports the write as a "save" event; false when
// the file could not be replaced (the old file then stays as it was).
bool storeSavedScreens();

}  // namespace orn
