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

function(kr55le_windows_resources target description)
  set(KR55LE_EXECUTABLE ${target})
  set(KR55LE_FILE_DESCRIPTION "${description}")
  set(resource_file ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/res/windows/kr55le.rc.in ${resource_file} @ONLY)
  target_sources(${target} PRIVATE ${resource_file})
  set_property(SOURCE ${resource_file} APPEND PROPERTY OBJECT_DEPENDS ${KR55LE_ICON_FILE}
                                                                     ${KR55LE_MANIFEST_FILE})
endfunction()
