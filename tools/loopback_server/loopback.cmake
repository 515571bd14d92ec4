# vorlex_require_loopback(<test>): <test> runs with the loopback server (and the forwarding
# proxy) started by the shared CTest fixture "loopback". Any tests/<folder>/tests.cmake may call
# it:   include(${CMAKE_SOURCE_DIR}/tools/loopback_server/loopback.cmake)
#       vorlex_require_loopback(${name})
# The test runs with VORLEX_LOOPBACK_DIR naming the fixture's directory; test programs learn the
# ports from there with test::Loopback (tests/support/loopback.h). The server also answers HTTPS
# with the test certificates made in ${VORLEX_LOOPBACK_DIR}/tls.
set(VORLEX_LOOPBACK_DIR ${CMAKE_BINARY_DIR}/loopback)
set(VORLEX_LOOPBACK_CTL ${CMAKE_SOURCE_DIR}/tools/loopback_server/loopback-ctl)

function(vorlex_require_loopback test)
  if(NOT TEST loopback_start)
    add_test(NAME loopback_start
      COMMAND ${VORLEX_LOOPBACK_CTL} start ${VORLEX_LOOPBACK_DIR}/server --tls ${VORLEX_LOOPBACK_DIR}/tls)
    add_test(NAME loopback_proxy_start COMMAND ${VORLEX_LOOPBACK_CTL} start ${VORLEX_LOOPBACK_DIR}/proxy --proxy)
    add_test(NAME loopback_stop COMMAND ${VORLEX_LOOPBACK_CTL} stop ${VORLEX_LOOPBACK_DIR}/server)
    add_test(NAME loopback_proxy_stop COMMAND ${VORLEX_LOOPBACK_CTL} stop ${VORLEX_LOOPBACK_DIR}/proxy)
    set_tests_properties(loopback_start loopback_proxy_start PROPERTIES FIXTURES_SETUP loopback)
    set_tests_properties(loopback_stop loopback_proxy_stop PROPERTIES FIXTURES_CLEANUP loopback)
  endif()
  set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED loopback)
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT VORLEX_LOOPBACK_DIR=${VORLEX_LOOPBACK_DIR})
endfunction()
