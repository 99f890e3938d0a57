// Saved-screen browsing, delete and the gallery.
#include "interaction/browse.h"

namespace orn {

int32_t savedIndex = 0;
int32_t galleryFirst = -1;
int32_t galleryLoaded = 0;

}  // namespace orn
