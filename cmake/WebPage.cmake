# The page: a program compiled to WebAssembly, and the static files around it, all in site/.
# Asyncify lets the program wait for the browser (a report sent, a file chosen, the browser's
# turn during a wait) without threads, so that the folder needs no cross-origin isolation.
set(KR55LE_SITE ${PROJECT_BINARY_DIR}/site)

function(kr55le_web_page name main)
  add_executable(${name} ${main})
  target_link_libraries(${name} PRIVATE kr55le_window_app kr55le::platform)
  # A recording's start names the version that made it.
  target_compile_definitions(${name} PRIVATE KR55LE_VERSION="${PROJECT_VERSION}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KR55LE_SITE})
  target_link_options(${name} PRIVATE
    -sASYNCIFY
    # Handlers nest (a pump inside a wait runs another handler): room for deep stacks.
    -sASYNCIFY_STACK_SIZE=262144
    -sALLOW_MEMORY_GROWTH
    -sENVIRONMENT=web
    -sEXPORTED_FUNCTIONS=_main,_malloc,_free
    -sEXPORTED_RUNTIME_METHODS=FS
    -sEXIT_RUNTIME
    -sFORCE_FILESYSTEM)
  foreach(file ${KR55LE_PAGE_FILES})
    get_filename_component(file_name ${file} NAME)
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${KR55LE_SITE}/${file_name})
  endforeach()
  set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${KR55LE_PAGE_FILES})
endfunction()
