# The crash tests need a program that really crashes and a loopback collector for its report
# (over HTTP and HTTPS, with the loopback test certificates); the installer's own crash also needs
# the loopback server, where its setup download waits.
add_executable(crash_test_program ${CMAKE_SOURCE_DIR}/tests/crash/crash_program.cpp)
target_link_libraries(crash_test_program PRIVATE vorlex_core advapi32)
add_dependencies(${name} crash_test_program lite_installer)
target_link_libraries(${name} PRIVATE ZLIB::ZLIB advapi32)

set(crash_collector_dir ${CMAKE_BINARY_DIR}/crash_collector)
add_test(NAME crash_collector_start
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/crash_collector/crash_collector.py start --dir ${crash_collector_dir}
          --tls-dir ${CMAKE_BINARY_DIR}/loopback/tls)
add_test(NAME crash_collector_stop
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/crash_collector/crash_collector.py stop --dir ${crash_collector_dir})
set_tests_properties(crash_collector_start PROPERTIES FIXTURES_SETUP crash_collector)
set_tests_properties(crash_collector_stop PROPERTIES FIXTURES_CLEANUP crash_collector)
set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine;crash_collector")
include(${CMAKE_SOURCE_DIR}/tools/loopback_server/loopback.cmake)
vorlex_require_loopback(${name})

# The installer's injected crash is aimed at one of its functions (found in the unstripped test
# build by its name); crash_symbolize then turns the dump the collector saved into a stack with
# tools/symbolize and checks that it names that function.
set(crash_target "net::AsyncHttpRequester::ThreadMain(void*)")
add_custom_command(TARGET lite_installer POST_BUILD
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/symbolize/symbolize.py --rva $<TARGET_FILE:lite_installer>
          ${crash_target} ${CMAKE_BINARY_DIR}/crash_target.rva
  VERBATIM)
set_tests_properties(${name} PROPERTIES FIXTURES_SETUP installer_crash_dump)
add_test(NAME crash_symbolize
  COMMAND ${CMAKE_SOURCE_DIR}/tests/crash/symbolize.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR} "AsyncHttpRequester::")
set_tests_properties(crash_symbolize PROPERTIES FIXTURES_REQUIRED installer_crash_dump TIMEOUT 120)
