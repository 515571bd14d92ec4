add_dependencies(${name} lite_installer)
# The shipped executable binds every system library but kernel32 (and the C runtime) at run time.
add_test(NAME installer_imports
  COMMAND sh -c "i686-w64-mingw32-objdump -p $<TARGET_FILE:lite_installer> | grep 'DLL Name' | sort -f | tr -d '\\t' | tr '\\n' ' ' | grep -qix 'DLL Name: KERNEL32.dll DLL Name: msvcrt.dll '")
target_link_libraries(${name} PRIVATE user32)
add_dependencies(${name} stand_in_setups)
