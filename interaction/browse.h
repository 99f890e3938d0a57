// Browsing the saved screens one by one, deleting one, and the 4 by 4 gallery of thumbnails.
#pragma once

#include <cstdint>

namespace orn {

extern int32_t savedIndex;     // saved screen last loaded, or the line count
extern int32_t galleryFirst;   // -1 closed, else the saved index in the first cell
extern int32_t galleryLoaded;  // cell being built: -1 after paging, 0..15, 16 complete

void loadSavedScreen(int32_t i);
void galleryPaging();
void thumbnailLoading();
void galleryPick();
void deleteSavedScreen();
void browseSavedScreens();

}  // namespace orn
