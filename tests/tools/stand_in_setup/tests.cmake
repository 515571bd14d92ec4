# Runs the stand-in setup that tools/stand_in_setup builds and signs.
add_dependencies(${name} stand_in_setups)
