add_dependencies(${name} lite_installer)
# The shipped executable binds every system library but kernel32 (and the C runtime) at run time.
vorlex_add_import_check(installer_imports lite_installer)
target_link_libraries(${name} PRIVATE user32)
add_dependencies(${name} stand_in_setups)
