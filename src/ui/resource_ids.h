/* The resource numbers of the program's icon and pictures: shared by the resource script and
   the code. */
#pragma once

#define IDI_SETUP 1
#define IDR_BANNER_PICTURE 101
#define IDR_SIDE_PICTURE 102
