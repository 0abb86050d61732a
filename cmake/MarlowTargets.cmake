# Project-wide target helpers: warnings as errors for our own code only.
function(marlow_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-missing-field-initializers)
  if(MARLOW_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# marlow_library(name SOURCES ... [LIBS ...]) -- a static library of our own code.
function(marlow_library name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_LIBS})
  marlow_warnings(${name})
endfunction()

# marlow_program(name SOURCES ... [LIBS ...]) -- a command-line program of our own.
function(marlow_program name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  marlow_warnings(${name})
endfunction()

# marlow_fuzzer(name SOURCES ... [LIBS ...]) -- a libFuzzer target, built only
# in the fuzz build (clang, MARLOW_FUZZ=ON). All of them hang off `fuzzers`.
if(MARLOW_FUZZ AND NOT TARGET fuzzers)
  add_custom_target(fuzzers)
endif()
function(marlow_fuzzer name)
  if(NOT MARLOW_FUZZ)
    return()
  endif()
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  marlow_warnings(${name})
  add_dependencies(fuzzers ${name})
endfunction()

# Adds every subfolder of the current folder that has a CMakeLists.txt, in
# name order (tests/, tools/, bench/ and fuzz/ grow by adding folders).
function(marlow_add_subfolders)
  file(GLOB dirs LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
       ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT dirs)
  foreach(dir ${dirs})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()
