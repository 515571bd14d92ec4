# The trust tests run on the signed stand-in setups and the test PKI of tools/stand_in_setup.
add_dependencies(${name} stand_in_setups)
target_link_libraries(${name} PRIVATE wintrust)
target_link_libraries(${name} PRIVATE crypt32)
