/* The product's and its maker's names, spelt only here: the version record, the window
   captions, the registry keys and the session's lock are all made from them. Plain C and
   macros, as the resource script reads this too. */
#pragma once

#define SETUP_PRODUCT_NAME_TEXT "Tessovarine"
#define SETUP_COMPANY_NAME_TEXT "corvanthyle"

#define SETUP_WIDEN2(x) L##x
#define SETUP_WIDEN(x) SETUP_WIDEN2(x)
#define SETUP_PRODUCT_NAME SETUP_WIDEN(SETUP_PRODUCT_NAME_TEXT)
#define SETUP_COMPANY_NAME SETUP_WIDEN(SETUP_COMPANY_NAME_TEXT)

/* HKEY_LOCAL_MACHINE\SOFTWARE\<maker>\<product>: where the product keeps its settings. */
#define SETUP_PRODUCT_KEY L"SOFTWARE\\" SETUP_COMPANY_NAME L"\\" SETUP_PRODUCT_NAME
