add_compile_options(-Wall -Wextra -Wpedantic -Wshadow)
if(KR55LE_WERROR)
  add_compile_options(-Werror)
endif()
