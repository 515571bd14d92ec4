# The release rehearsal: scripts/release end to end (configure, build with loopback endpoints for
# this test build's machine, sign, tag, verify, manifest) with the rehearsal key set of the build
# tree standing in for a distribution's keys; then release_tests checks the copies with the
# installer's own readers and installs one against the loopback server. The nested build reuses
# this build's compiler launcher (a compiler cache makes it quick).
add_dependencies(${name} stand_in_setup_rehearsal_signed stand_in_setups)
add_test(NAME release_rehearsal
  COMMAND ${CMAKE_SOURCE_DIR}/tests/release/rehearse.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR} ${VORLEX_ARCH})
set_tests_properties(release_rehearsal PROPERTIES FIXTURES_SETUP release_rehearsal TIMEOUT 3600
  ENVIRONMENT "CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER};CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}")
set_property(TEST ${name} APPEND PROPERTY FIXTURES_REQUIRED release_rehearsal)
include(${CMAKE_SOURCE_DIR}/tools/loopback_server/loopback.cmake)
vorlex_require_loopback(${name})

# What the release command and a release configure refuse (no build needed).
add_test(NAME release_refusals
  COMMAND ${CMAKE_SOURCE_DIR}/tests/release/refusals.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set_tests_properties(release_refusals PROPERTIES TIMEOUT 600)

# A copy above the size budget stops the release command (reuses the rehearsal's build).
add_test(NAME release_over_budget
  COMMAND ${CMAKE_SOURCE_DIR}/tests/release/over_budget.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR} ${VORLEX_ARCH})
set_tests_properties(release_over_budget PROPERTIES FIXTURES_REQUIRED release_rehearsal TIMEOUT 900
  ENVIRONMENT "CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER};CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}")

# The shipped installer (i686, the distribution's endpoints) stays within its size limit: the size
# report builds it with a rehearsal key set of the distribution's key sizes and fails above
# 768,000 bytes.
add_test(NAME release_size COMMAND ${CMAKE_SOURCE_DIR}/tools/size_report/run.sh)
set_tests_properties(release_size PROPERTIES TIMEOUT 1800
  ENVIRONMENT "CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER};CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}")
