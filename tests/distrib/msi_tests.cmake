# Signed appendices made by the fixture builder before the tests run, with the private half of the
# test override key this build carries.
add_test(NAME distrib_msi_fixtures
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/distrib/make_msi_fixtures.sh ${CMAKE_BINARY_DIR}/distrib_msi_fixtures
          ${CMAKE_SOURCE_DIR} ${vorlex_test_pki}/msi_override_key.pem)
set_tests_properties(distrib_msi_fixtures PROPERTIES FIXTURES_SETUP distrib_msi_fixtures)
set_property(TEST ${name} APPEND PROPERTY FIXTURES_REQUIRED distrib_msi_fixtures)

add_executable(msi_override_child ${CMAKE_SOURCE_DIR}/tests/distrib/msi_override_child.cpp)
target_link_libraries(msi_override_child PRIVATE vorlex_core)
target_link_options(msi_override_child PRIVATE -municode)
add_dependencies(${name} msi_override_child lite_installer)

# The override belongs to the full installer: the lite installer must not carry it.
add_test(NAME msi_override_not_in_lite
  COMMAND sh -c "! grep -q 'Unexpected count of local mapped msi' $<TARGET_FILE:lite_installer>")
# A program that runs the override binds everything but kernel32 at run time, as the installer must.
vorlex_add_import_check(msi_override_imports msi_override_child)
