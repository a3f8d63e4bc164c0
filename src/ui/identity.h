/* The program's identity as a file: shared by the resource script and the code. */
#pragma once

#define SETUP_PRODUCT_NAME_TEXT "Tessovarine"
#define SETUP_COMPANY_NAME_TEXT "corvanthyle"
#define SETUP_WIDEN2(x) L##x
#define SETUP_WIDEN(x) SETUP_WIDEN2(x)
#define SETUP_PRODUCT_NAME SETUP_WIDEN(SETUP_PRODUCT_NAME_TEXT)

#define IDI_SETUP 1
#define IDR_BANNER_PICTURE 101
#define IDR_SIDE_PICTURE 102
