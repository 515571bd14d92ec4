add_dependencies(${name} lite_installer)
# The shipped executable binds every system library but kernel32 (and the C runtime) at run time.
vorlex_add_import_check(installer_imports lite_installer)
