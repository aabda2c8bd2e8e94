# Gives a Windows executable its resources: the icon (under the identifier the dialog loads it
# by, read from res/dialog_template.h so that the number stands in one place), the application
# manifest and a version.
file(STRINGS ${PROJECT_SOURCE_DIR}/res/dialog_template.h icon_line REGEX "kIconId = [0-9]+;")
string(REGEX MATCH "[0-9]+" KR55LE_ICON_ID "${icon_line}")
if(NOT KR55LE_ICON_ID)
  message(FATAL_ERROR "kIconId not found in res/dialog_template.h")
endif()
set(KR55LE_ICON_FILE ${PROJECT_SOURCE_DIR}/res/icon/kr55le.ico)
set(KR55LE_MANIFEST_FILE ${PROJECT_SOURCE_DIR}/res/windows/kr55le.manifest)
set(KR55LE_PRODUCT_NAME "KR-55LE upgrade utility")

# The same manifest without the UTF-8 ANSI code page, as every Windows before 10 1903 reads it:
# for the tests that a file of any name opens there too.
set(KR55LE_LEGACY_CODE_PAGE_MANIFEST_FILE ${PROJECT_BINARY_DIR}/kr55le-legacy-code-page.manifest)
file(READ ${KR55LE_MANIFEST_FILE} manifest_text)
string(REGEX REPLACE "[ ]*<activeCodePage[^\n]*</activeCodePage>\n" "" legacy_manifest_text
                     "${manifest_text}")
if(legacy_manifest_text STREQUAL manifest_text)
  message(FATAL_ERROR "no activeCodePage element in ${KR55LE_MANIFEST_FILE}")
endif()
file(CONFIGURE OUTPUT ${KR55LE_LEGACY_CODE_PAGE_MANIFEST_FILE} CONTENT "${legacy_manifest_text}"
     @ONLY)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                                                            ${KR55LE_MANIFEST_FILE})

# kr55le_windows_resources(target description [LEGACY_CODE_PAGE])
function(kr55le_windows_resources target description)
  cmake_parse_arguments(ARG "LEGACY_CODE_PAGE" "" "" ${ARGN})
  set(KR55LE_EXECUTABLE ${target})
  set(KR55LE_FILE_DESCRIPTION "${description}")
  if(ARG_LEGACY_CODE_PAGE)
    set(KR55LE_MANIFEST_FILE ${KR55LE_LEGACY_CODE_PAGE_MANIFEST_FILE})
  endif()
  set(resource_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/res/windows/kr55le.rc.in ${resource_file} @ONLY)
  target_sources(${target} PRIVATE ${resource_file})
  set_property(SOURCE ${resource_file} APPEND PROPERTY OBJECT_DEPENDS ${KR55LE_ICON_FILE}
                                                                     ${KR55LE_MANIFEST_FILE})
endfunction()
