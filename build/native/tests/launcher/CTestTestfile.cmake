# CMake generated Testfile for 
# Source directory: /work/main/tests/launcher
# Build directory: /work/main/build/native/tests/launcher
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[product_info_test]=] "/work/main/build/native/tests/launcher/product_info_test")
set_tests_properties([=[product_info_test]=] PROPERTIES  _BACKTRACE_TRIPLES "/work/main/tests/CMakeLists.txt;8;add_test;/work/main/tests/launcher/CMakeLists.txt;1;setup_add_core_test;/work/main/tests/launcher/CMakeLists.txt;0;")
