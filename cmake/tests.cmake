# Tests mirror the code: tests/<folder>/ holds the tests of src/<folder>/, foo_test.cpp those of
# foo.cpp (portable, also built natively under the sanitizers: cmake/native.cmake) and
# foo_win_test.cpp those of foo_win.cpp (Windows only); tests/tools/<tool>/ tests tools/<tool>/,
# tests/release scripts/release. Each folder is one test program (tests/<folder>/*_test.cpp ->
# <folder>_tests.exe, tests/tools/<tool> -> <tool>_tests.exe) run by CTest through Wine. A folder's
# tests.cmake adds fixtures, and may give some of its files a program of their own
# (vorlex_split_test_program). tests/support holds the helpers every program shares.
if(NOT vorlex_test_pki)
  message(FATAL_ERROR "The tests run on the test keys of a build with loopback endpoints: configure them "
                      "with VORLEX_LOOPBACK_ENDPOINTS=ON and without key inputs (or VORLEX_BUILD_TESTS=OFF).")
endif()
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The warm wineserver every Windows test needs, and its removal at the end.
add_test(NAME wine_start COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-env start ${CMAKE_BINARY_DIR})
add_test(NAME wine_stop COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-env stop ${CMAKE_BINARY_DIR})
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)

# Includes under src/ follow the layer order of docs/ARCHITECTURE.md (native: no Wine, no build
# output). The self-test shows the check reports each kind of fault at its file and line.
add_test(NAME include_layers
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/check_layers.py ${CMAKE_SOURCE_DIR})
add_test(NAME include_layers_self_test
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/check_layers.py --self-test)

# The product never lets a certificate error through: no WinINet or WinHTTP flag or option that
# ignores one (or lets an https transfer be redirected to http) appears under src/ (native).
add_test(NAME no_ignored_certificate_errors
  COMMAND sh -c "grep -rnE 'IGNORE_CERT|SECURITY_FLAG_IGNORE|IGNORE_UNKNOWN_CA|IGNORE_REVOCATION|IGNORE_WRONG_USAGE|IGNORE_REDIRECT_TO_HTTP|OPTION_SECURITY_FLAGS' '${CMAKE_SOURCE_DIR}/src'; test $? -eq 1")

file(GLOB vorlex_test_support CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(vorlex_test_support STATIC ${vorlex_test_support})
target_include_directories(vorlex_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(vorlex_test_support PUBLIC vorlex_core gmock gtest)

# vorlex_add_import_check(<test> <target>): the program imports only KERNEL32 and msvcrt (the mingw
# C runtime); every other system DLL is bound on first use. Read with the objdump of the build's
# machine.
function(vorlex_add_import_check test target)
  add_test(NAME ${test}
    COMMAND sh -c "${CMAKE_OBJDUMP} -p $<TARGET_FILE:${target}> | grep 'DLL Name' | sort -f | tr -d '\\t' | tr '\\n' ' ' | grep -qix 'DLL Name: KERNEL32.dll DLL Name: msvcrt.dll '")
endfunction()

# vorlex_add_test_program(<name> <folder>): builds <name> from tests/<folder>/*_test.cpp and
# includes tests/<folder>/tests.cmake, which sees the program as ${name}.
function(vorlex_add_test_program name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE vorlex_test_support gmock_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600)
  if(EXISTS ${CMAKE_SOURCE_DIR}/tests/${folder}/tests.cmake)
    include(${CMAKE_SOURCE_DIR}/tests/${folder}/tests.cmake)
  endif()
endfunction()

# vorlex_split_test_program(<program> <fixtures.cmake> <file>...): called from a folder's
# tests.cmake, moves the named test files of the folder out of ${name} into a program of their own
# (run by CTest as <program>, with Wine) and includes <fixtures.cmake> for it, which sees the new
# program as ${name}. For tests with fixtures of their own or long runs, so that CTest can run them
# beside the rest of the folder.
function(vorlex_split_test_program program fixtures)
  get_target_property(folder_sources ${name} SOURCES)
  set(sources)
  foreach(file ${ARGN})
    get_filename_component(file ${file} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_LIST_DIR})
    list(FIND folder_sources ${file} found)
    if(found EQUAL -1)
      message(FATAL_ERROR "vorlex_split_test_program(${program}): ${file} is no test file of ${name}")
    endif()
    list(REMOVE_ITEM folder_sources ${file})
    list(APPEND sources ${file})
  endforeach()
  set_property(TARGET ${name} PROPERTY SOURCES ${folder_sources})
  set(name ${program})
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE vorlex_test_support gmock_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600)
  include(${fixtures})
endfunction()

file(GLOB vorlex_test_folders LIST_DIRECTORIES true RELATIVE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/tests/*)
list(REMOVE_ITEM vorlex_test_folders support fuzz tools)
foreach(folder ${vorlex_test_folders})
  if(IS_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/${folder})
    vorlex_add_test_program(${folder}_tests ${folder})
  endif()
endforeach()
file(GLOB vorlex_tool_test_folders LIST_DIRECTORIES true RELATIVE ${CMAKE_SOURCE_DIR}/tests/tools
     ${CMAKE_SOURCE_DIR}/tests/tools/*)
foreach(tool ${vorlex_tool_test_folders})
  if(IS_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/tools/${tool})
    vorlex_add_test_program(${tool}_tests tools/${tool})
  endif()
endforeach()
