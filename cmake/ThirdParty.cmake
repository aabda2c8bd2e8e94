# Header-only libraries from Debian's packages (scripts/install-deps installs them):
#   kr55le::json   nlohmann/json, for the recordings and --json.
# The MinGW-w64 cross compilers do not search /usr/include, and adding all of it would put
# glibc's headers before their own; so each library's folder is linked into a folder of its own
# in the build tree, which every build, native or cross, includes.
set(KR55LE_THIRD_PARTY_INCLUDE ${PROJECT_BINARY_DIR}/third_party/include)
foreach(header_folder nlohmann)
  find_path(KR55LE_${header_folder}_PARENT ${header_folder} PATHS /usr/include
            NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH REQUIRED)
  file(MAKE_DIRECTORY ${KR55LE_THIRD_PARTY_INCLUDE})
  file(CREATE_LINK ${KR55LE_${header_folder}_PARENT}/${header_folder}
       ${KR55LE_THIRD_PARTY_INCLUDE}/${header_folder} SYMBOLIC)
endforeach()

add_library(kr55le_json_library INTERFACE)
target_include_directories(kr55le_json_library SYSTEM INTERFACE ${KR55LE_THIRD_PARTY_INCLUDE})
add_library(kr55le::json ALIAS kr55le_json_library)

