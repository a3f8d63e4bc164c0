#pragma once
#include <windows.h>

#include "ui/form_design.hpp"

namespace setup::ui {

// Size of a picture in pixels at 96 DPI; 0 x 0 for none.
SIZE PictureSize(Picture picture);
// The picture's bitmap, owned by the process for its whole life; nullptr for none.
HBITMAP PictureBitmap(Picture picture);

}  // namespace setup::ui
