# Signed and tagged installers for the distribution tests, made at test time from the build's
# installer with a generated key (no real party's key is involved).
add_test(NAME distrib_fixtures
  COMMAND ${CMAKE_SOURCE_DIR}/tests/distrib/make_fixtures.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set_tests_properties(distrib_fixtures PROPERTIES FIXTURES_SETUP distrib_fixtures)
set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine;distrib_fixtures")
target_link_libraries(${name} PRIVATE wintrust crypt32)

# The MSI partner override (its appendix reader and the override run on signed appendices) is a
# program of its own, with its own fixtures.
vorlex_split_test_program(distrib_msi_tests ${CMAKE_CURRENT_LIST_DIR}/msi_tests.cmake
  msi_partner_override_test.cpp msi_partner_override_win_test.cpp)
