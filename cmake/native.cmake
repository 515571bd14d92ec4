# Native build of the portable core: the files that include no Windows header (everything in
# src/ but *_win.cpp and the entry point), plus the *_posix.cpp stand-ins for the few platform
# calls they make. The unit tests of those files (tests/<folder>/*_test.cpp but *_win_test.cpp, for
# every folder of src/; the Windows build runs them too) and the libFuzzer targets of tests/fuzz/
# run under AddressSanitizer and UndefinedBehaviorSanitizer.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(sanitizers -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
add_compile_options(${sanitizers} -g -Wall -Wextra -Wno-unused-parameter)
add_link_options(${sanitizers})

file(GLOB_RECURSE portable_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*.cpp)
list(FILTER portable_sources EXCLUDE REGEX "_win\\.cpp$")
list(REMOVE_ITEM portable_sources ${CMAKE_SOURCE_DIR}/src/startup/main.cpp)
add_library(vorlex_portable STATIC ${portable_sources})
target_include_directories(vorlex_portable PUBLIC ${CMAKE_SOURCE_DIR}/src ${vorlex_generated})
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/trust/trusted_certificates.cpp
  ${CMAKE_SOURCE_DIR}/src/distrib/msi_override_key.cpp PROPERTIES INCLUDE_DIRECTORIES ${vorlex_key_include})
find_package(ZLIB REQUIRED)
target_link_libraries(vorlex_portable PUBLIC ZLIB::ZLIB)

enable_testing()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
file(GLOB src_folders LIST_DIRECTORIES true RELATIVE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/src/*)
set(portable_tests)
foreach(folder ${src_folders})
  file(GLOB folder_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*_test.cpp)
  list(FILTER folder_tests EXCLUDE REGEX "_win_test\\.cpp$")
  list(APPEND portable_tests ${folder_tests})
endforeach()
add_executable(portable_tests ${portable_tests})
target_include_directories(portable_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(portable_tests PRIVATE vorlex_portable gmock_main)
add_test(NAME portable_tests COMMAND portable_tests)

# tests/fuzz/<name>_fuzzer.cpp with its seed corpus in tests/fuzz/corpus/<name>/. CTest runs each
# briefly as a smoke test; scripts/fuzz runs them for longer.
file(GLOB fuzzers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzzer.cpp)
foreach(source ${fuzzers})
  get_filename_component(target ${source} NAME_WE)
  string(REGEX REPLACE "_fuzzer$" "" corpus ${target})
  add_executable(${target} ${source})
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${target} PRIVATE vorlex_portable)
  # New inputs go to the first directory, so the committed seeds stay as they are.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-smoke/${corpus})
  add_test(NAME ${target}_smoke
    COMMAND ${target} -max_total_time=5 -rss_limit_mb=2048 ${CMAKE_BINARY_DIR}/fuzz-smoke/${corpus}
            ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${corpus})
endforeach()
