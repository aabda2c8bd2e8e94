add_compile_options(-Wall -Wextra -Wpedantic -Wshadow)
if(KR55LE_WERROR)
  add_compile_options(-Werror)
endif()

# GCC 12's std::string, inlined at -O3, reports a false -Wrestrict on "text" + std::string(...) and
# on assigning a one-character literal (GCC bug 105329, fixed in GCC 13). It arises in the
# library's code wherever that idiom is used, so it is silenced here rather than at each line.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict)
endif()
